// A site under load for a long while: 10,000 simulated terminals on one UDP port (half of each protocol
// type), each reporting once a second, while commands of every kind stream through the Cmd_ exports to 100
// of them and, every 10 s, zone 1 of 1,000 of them goes into alarm or out of it. Prints what was sent,
// processed and lost, every command's fate (see support/CommandLedger.h for how "answered" is told through
// the C interface), the commands' round trips, resident memory every 10 s and the worker thread's CPU.
//   sim-site-load [seconds, default 600] [commands per second, default 1000] [terminals, default 10000]
#include "support/SiteLoad.h"

#include <cstdio>
#include <cstdlib>

namespace {

double ms(std::chrono::microseconds duration) {
    return static_cast<double>(duration.count()) / 1000;
}

double mb(long long bytes) {
    return static_cast<double>(bytes) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    SiteLoadSettings settings;
    if (argc > 1)
        settings.duration = std::chrono::seconds(std::atoi(argv[1]));
    if (argc > 2)
        settings.commandsPerSecond = std::atof(argv[2]);
    if (argc > 3)
        settings.terminals = std::atoi(argv[3]);
    if (settings.duration.count() < 1 || settings.commandsPerSecond <= 0 || settings.terminals < 1000 ||
        settings.terminals % 500 != 0 || settings.terminals > 64500) {
        std::fprintf(stderr, "usage: sim-site-load [seconds] [commands per second] [terminals: a multiple of "
                             "500, 1,000 to 64,500]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("%d terminals reporting once a second on one UDP port, %.0f commands/s to %d of them, "
                "%lld s\n",
                settings.terminals, settings.commandsPerSecond, settings.commandedTerminals,
                static_cast<long long>(settings.duration.count()));
    SiteLoad load(settings);
    const auto f = load.run([](const std::string& line) { std::printf("%s\n", line.c_str()); });
    if (!f.allOnLine) {
        std::printf("not every terminal came on line within %lld s\n",
                    static_cast<long long>(settings.waitLimit.count()));
        return 1;
    }

    std::printf("\nall %d terminals on line %.2f s after the simulator started; measured for %.1f s "
                "(load average at the start: %s)\n",
                settings.terminals, f.onLineAfter, f.seconds, f.loadAverage.c_str());
    std::printf("reports: sent %lld (%.0f/s) + %lld resent, processed by Ostrel %lld, acknowledged %lld, "
                "given up by the terminals %lld\n",
                f.reportsSent, static_cast<double>(f.reportsSent) / f.seconds, f.reportResends,
                f.reportsProcessed, f.reportsAcknowledged, f.reportsGivenUp);
    long long lost = 0;
    std::printf("events (expected / received):");
    for (const auto& e : f.events) {
        std::printf(" %s %lld / %lld;", e.what, e.expected, e.received);
        lost += std::max(0LL, e.expected - e.received);
    }
    std::printf(" whole-block events %lld\nevents lost: %lld%s\n", f.blockEvents, lost,
                f.allEventsArrived ? "" : " (still missing after the wait)");

    const auto& c = f.commands;
    std::printf("commands: queued %lld, answered %lld, reported through onSendFailed %lld, refused at "
                "queueing %lld, not offered %lld\n",
                c.queued, c.answered, c.failed, c.refused, f.heldBack);
    std::printf("commands: queued == answered + failed: %s (unreported %lld, unsettled %lld after %.2f s of "
                "draining); resendings %lld, answered yet reported failed %lld, out of step %lld, failures "
                "naming no command %lld, frames the simulator could not read %lld\n",
                c.queued == c.answered + c.failed ? "yes" : "NO", c.unreported, c.unsettled, f.settledAfter,
                c.resendings, c.repliedThenFailed, c.outOfStep, c.unplacedFailures, c.simulatorErrors);
    const auto& rt = f.roundTrips;
    std::printf("command round trip (Cmd_ call to the terminal's answer), %lld commands: median %.2f ms, "
                "p99 %.2f ms, max %.2f ms\n",
                rt.count(), ms(rt.quantile(0.5)), ms(rt.quantile(0.99)), ms(rt.max()));

    std::printf("resident memory (VmRSS) every %lld s:",
                static_cast<long long>(settings.samplePeriod.count()));
    for (const auto& sample : f.memory)
        std::printf(" %.2f", mb(sample.bytes));
    std::printf(" MB\nresident memory: start %.2f MB, max %.2f MB, end %.2f MB, slope %+.1f kB/min\n",
                mb(f.memory.front().bytes), mb(f.memoryMax()), mb(f.memory.back().bytes),
                f.memorySlopePerMinute() / 1000);
    std::printf("CPU: Ostrel's worker thread %.1f%% of a core; this whole process %.1f%%\n",
                100 * f.workerCpu, 100 * f.processCpu);
    return 0;
}
