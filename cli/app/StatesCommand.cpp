#include "CommandLine.h"
#include "ExitCode.h"
#include "OptionValues.h"
#include "PortLinks.h"
#include "StopSignals.h"
#include "Subcommands.h"
#include "TerminalStates.h"
#include "WatchOptions.h"

#include <map>

namespace tarvex::cli {

namespace {

constexpr std::string_view kUsage = R"(usage: tarvex-cli states PORT... [--for SECONDS] [--json]

Opens the ports, listens for a while (3 s unless told, or until SIGINT or SIGTERM), then lists every
terminal heard meanwhile, by port and address: its state (on_line, on_line_status_bit2,
on_line_status_bit6, off_line), the zones in alarm and, for terminals whose reports carry them, the zones
whose flag is set ("-" for terminals without zone flags). Terminals report every few seconds: listen
longer than their interval to hear them all.

  PORT            1 to 10 for COM1 to COM10, any other number the local UDP port to bind
  --for SECONDS   how long to listen (default 3; fractions allowed)
  --json          one JSON object per terminal and line: "port", "address", "state" and "zones", a list
                  of {"zone", "state" (none, normal or alarm), "flag" (null without zone flags)}
  -h, --help      this text

Exit status: 0 listed (perhaps no terminal), 1 bad arguments, 3 a port cannot be opened.
)";

constexpr std::chrono::seconds kDefaultListening{3};

// Orders terminals by port number, then address.
struct PortAndAddress {
    std::int32_t portNumber;
    TerminalAddress address;
    auto operator<=>(const PortAndAddress&) const = default;
};

} // namespace

int runStates(int argc, char** argv) {
    std::string error;
    const auto options = parseWatchOptions(argc, argv, error);
    if (!options)
        return badArguments(error, kUsage);
    if (options->help) {
        std::fputs(kUsage.data(), stdout);
        return kExitDone;
    }
    PortEventQueue queue;
    StopSignals stop([&queue] { queue.close(); });
    PortLinks links(queue);
    if (!links.open(options->ports, kDefaultRetryLimit, error))
        return failure(error, kExitPortUnusable);
    const auto deadline = PortEventQueue::Clock::now() + options->duration.value_or(kDefaultListening);
    std::map<PortAndAddress, PortSpec> heard;
    while (const auto event = queue.popUntil(deadline)) {
        const auto* terminal = std::get_if<TerminalEvent>(&event->event);
        // Block and port events name no terminal.
        if (terminal && terminal->addressA != OSTREL_WHOLE_BLOCK && terminal->addressB != OSTREL_WHOLE_BLOCK)
            heard.emplace(PortAndAddress{event->port.startNumber, {terminal->addressA, terminal->addressB}},
                          event->port);
    }
    std::vector<TerminalStateReading> readings;
    for (const auto& [key, port] : heard)
        readings.push_back(readTerminalState(links.linkOf(port), port, key.address));
    printTerminalStates(stdout, readings, options->json);
    return kExitDone;
}

} // namespace tarvex::cli
