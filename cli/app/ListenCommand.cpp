#include "CommandLine.h"
#include "EventPrinter.h"
#include "ExitCode.h"
#include "OptionValues.h"
#include "StopSignals.h"
#include "Subcommands.h"
#include "WatchOptions.h"

#include <cstdio>

namespace tarvex::cli {

namespace {

constexpr std::string_view kUsage = R"(usage: tarvex-cli listen PORT... [--for SECONDS] [--json]

Opens the ports and prints every terminal event as it happens, one line each: the local time, the port,
the terminal's address, the event's name, the zone of zone events and Ostrel's text. Serial lines lost and
reopened, and a UDP port's lost connection, are printed too. Runs until SIGINT or SIGTERM (Ctrl-C).

  PORT            1 to 10 for COM1 to COM10, any other number the local UDP port to bind
  --for SECONDS   end after this time (fractions allowed)
  --json          one JSON object per line: "time" (ISO 8601, local, with milliseconds), "port", "address"
                  ("A.B"), "event" (Ostrel's event code), "name", "zone" (null unless a zone event), "text"
  -h, --help      this text

Exit status: 0 ended by its time or a signal, 1 bad arguments, 3 a port cannot be opened.
)";

} // namespace

int runListen(int argc, char** argv) {
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
    const auto deadline = options->duration ? PortEventQueue::Clock::now() + *options->duration
                                            : PortEventQueue::Clock::time_point::max();
    EventPrinter printer(stdout, options->json);
    while (const auto event = queue.popUntil(deadline))
        printer.print(*event);
    return kExitDone;
}

} // namespace tarvex::cli
