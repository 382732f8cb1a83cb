#include "CommandLine.h"
#include "CommandRequest.h"
#include "EventNames.h"
#include "ExitCode.h"
#include "OptionValues.h"
#include "PortLinks.h"
#include "Subcommands.h"
#include "TerminalAddress.h"
#include "WireCommand.h"

#include <cstdio>
#include <vector>

namespace tarvex::cli {

namespace {

constexpr std::string_view kUsageHead =
    R"(usage: tarvex-cli send PORT A.B COMMAND [ARGS] [--retries N] [--timeout SECONDS]

Opens the port, waits until terminal A.B is heard (terminals report every few seconds; Ostrel sends
nothing to a terminal it has not heard), queues the command, and waits for its outcome.

  PORT              1 to 10 for COM1 to COM10, any other number the local UDP port to bind
  A.B               the terminal's address, each 0 to 254
  --retries N       how often the command is sent, one second apart, before it is given up (1 to 255,
                    default 3)
  --timeout SECONDS how long to wait for the terminal to be heard, and then for the outcome (default 10)
  -h, --help        this text

Commands (a TEXT or NAME at the end takes the remaining words; use -- before words that begin with -):
)";

constexpr std::string_view kUsageTail = R"(
  PASSWORD 4 or 6 digits; ZONE 1 to 8, 0 (the default) all zones; OUTPUT, LAMP, STATE, MASTER, SUB 0 to
  255, on is 1 and off 0; VALUE, TOTAL, SOUNDING, PAUSE 0 to 65535 (buzzer times in 20 ms units);
  BITS a 0 or 1 for each output, output 1 first; clock without a time sends this computer's; TEXT at most
  63 bytes in GBK for display, 64 for message, NAME 60, text DATA 59.

Exit status: 0 answered, 1 bad arguments, 2 not answered (given up after its sendings, unreachable, the
terminal not heard or no outcome within the time-out), 3 the port cannot be opened.
)";

constexpr std::chrono::seconds kDefaultTimeout{10};

const std::string& usage() {
    static const std::string text =
        std::string(kUsageHead) + std::string(commandUsage()) + std::string(kUsageTail);
    return text;
}

std::string seconds(std::chrono::milliseconds limit) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(limit.count()) / 1000);
    return text;
}

std::string sendings(int count) {
    return std::to_string(count) + (count == 1 ? " sending" : " sendings");
}

struct SendOptions {
    PortSpec port;
    TerminalAddress terminal;
    CommandRequest request;
    int retryLimit = kDefaultRetryLimit;
    std::chrono::milliseconds timeout = kDefaultTimeout;
};

// Reads the command line; false with the reason, or true with help set.
bool parseSendOptions(int argc, char** argv, SendOptions& options, bool& help, std::string& error) {
    enum LongOnly { kTimeout = 256 };
    static const option kOptions[] = {{"retries", required_argument, nullptr, 'r'},
                                      {"timeout", required_argument, nullptr, kTimeout},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    CommandLine line(argc, argv, "r:h", kOptions);
    for (int option = line.next(); option != -1; option = line.next()) {
        if (option == 'h') {
            help = true;
            return true;
        }
        if (option == 'r') {
            const auto limit = parseRetryLimit(line.value(), error);
            if (!limit)
                return false;
            options.retryLimit = *limit;
        } else if (option == kTimeout) {
            const auto timeout = parseSeconds(line.value(), "--timeout", error);
            if (!timeout)
                return false;
            options.timeout = *timeout;
        } else {
            error = line.error();
            return false;
        }
    }
    const int first = line.index();
    if (argc - first < 3) {
        error = argc - first == 0   ? "no port given"
                : argc - first == 1 ? "no terminal address given"
                                    : "no command given";
        return false;
    }
    const auto port = parsePortSpec(argv[first], error);
    if (!port)
        return false;
    const auto terminal = parseTerminalAddress(argv[first + 1], error);
    if (!terminal)
        return false;
    const std::vector<std::string> words(argv + first + 2, argv + argc);
    auto parsed = parseCommandWords(words);
    // Texts are checked in GBK now: a text the terminal cannot take is a bad argument, told at once.
    if (parsed.request && !toWireCommand(*parsed.request, parsed.error))
        parsed.request.reset();
    if (!parsed.request) {
        error = parsed.error;
        return false;
    }
    options.port = *port;
    options.terminal = *terminal;
    options.request = std::move(*parsed.request);
    return true;
}

// Waits for any event of the terminal, which Ostrel then knows how to reach.
bool waitUntilHeard(PortEventQueue& queue, const SendOptions& options) {
    const auto deadline = PortEventQueue::Clock::now() + options.timeout;
    while (const auto event = queue.popUntil(deadline)) {
        const auto* terminal = std::get_if<TerminalEvent>(&event->event);
        if (terminal && TerminalAddress{terminal->addressA, terminal->addressB} == options.terminal)
            return true;
    }
    return false;
}

// The frame's outcome, or nothing within the time-out.
std::optional<OstrelOutcome> waitForOutcome(PortEventQueue& queue, std::uint32_t frame,
                                            std::chrono::milliseconds timeout) {
    const auto deadline = PortEventQueue::Clock::now() + timeout;
    while (const auto event = queue.popUntil(deadline)) {
        const auto* outcome = std::get_if<FrameOutcome>(&event->event);
        if (outcome && outcome->outcome.frameNumber == frame)
            return outcome->outcome;
        if (const auto* lost = std::get_if<ConnectionLost>(&event->event))
            std::fprintf(stderr, "tarvex-cli: %s lost its connection: %s\n", portLabel(event->port).c_str(),
                         lost->text.c_str());
    }
    return std::nullopt;
}

} // namespace

int runSend(int argc, char** argv) {
    SendOptions options{{}, {}, ClearCommand{}};
    bool help = false;
    std::string error;
    if (!parseSendOptions(argc, argv, options, help, error))
        return badArguments(error, usage());
    if (help) {
        std::fputs(usage().c_str(), stdout);
        return kExitDone;
    }
    PortEventQueue queue;
    PortLinks links(queue);
    if (!links.open({options.port}, options.retryLimit, error))
        return failure(error, kExitPortUnusable);
    const std::string terminal = "terminal " + options.terminal.text() + " on " + portLabel(options.port);
    if (!waitUntilHeard(queue, options))
        return failure(terminal + " was not heard within " + seconds(options.timeout), kExitNotAnswered);
    const auto issued =
        links.linkOf(options.port).issue(options.port.ostrelPort, options.terminal, options.request);
    if (issued.frame == 0)
        return failure(std::string(commandName(options.request)) + " not queued: " + issued.error,
                       kExitNotAnswered);
    const auto outcome = waitForOutcome(queue, issued.frame, options.timeout);
    if (!outcome)
        return failure(std::string(commandName(options.request)) + " to " + terminal +
                           ": no outcome within " + seconds(options.timeout),
                       kExitNotAnswered);
    if (outcome->kind == OSTREL_FRAME_ANSWERED) {
        std::printf("answered in %d ms after %s\n", outcome->elapsedMs, sendings(outcome->sendings).c_str());
        return kExitDone;
    }
    // Failed: sent and given up; unreachable: dropped unsent; discarded: still held when Ostrel ended.
    const std::string what =
        outcome->kind == OSTREL_FRAME_UNREACHABLE
            ? "unreachable, dropped unsent"
            : std::string(outcomeName(outcome->kind)) + " after " + sendings(outcome->sendings);
    return failure(std::string(commandName(options.request)) + " to " + terminal + " " + what,
                   kExitNotAnswered);
}

} // namespace tarvex::cli
