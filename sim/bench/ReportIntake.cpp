// Report intake: 10,000 simulated terminals on one UDP port, each sending a status report once a second.
// Reports processed and acknowledged per second, the CPU of Ostrel's worker thread, and events lost;
// then shorter intervals, to find the highest report rate the worker thread sustains.
//   sim-report-intake [seconds per measurement, default 4]
#include "BenchSupport.h"
#include "support/PtyLine.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sys/syscall.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kTerminals = 10000;
constexpr const char* kAddresses = "0-39.0-249";

std::atomic<long long> reportsProcessed{0};
std::atomic<int> onLineEvents{0};
std::atomic<int> statusBit0Events{0};
std::atomic<long> workerThread{0};

void onReport(void*, int32_t, int32_t, int32_t, int32_t, const unsigned char*) {
    if (workerThread == 0)
        workerThread = ::syscall(SYS_gettid);
    ++reportsProcessed;
}

void onEvent(void*, int32_t, int32_t, int32_t, int32_t, int32_t code, const char*) {
    if ((code & 0xFF) == 9)
        ++onLineEvents;
    else if ((code & 0xFF) == 10 || (code & 0xFF) == 11)
        ++statusBit0Events;
}

// The counters that a measurement compares at its start and end.
struct Sample {
    bench::Clock::time_point when;
    long long processed;
    long long sent; // first sendings
    long long resent;
    long long acknowledged;
    long long givenUp;
    double workerCpu;
    double simCpu;
};

Sample sample(SimProcess& sim) {
    return {bench::Clock::now(),
            reportsProcessed,
            bench::simCounter(sim, "reports"),
            bench::simCounter(sim, "resends"),
            bench::simCounter(sim, "acknowledged"),
            bench::simCounter(sim, "givenUp"),
            bench::cpuSeconds("/proc/self/task/" + std::to_string(workerThread.load()) + "/stat"),
            bench::cpuSeconds("/proc/" + std::to_string(sim.pid()) + "/stat")};
}

struct Rates {
    double offered; // report datagrams the simulator sent per second, resends included
    double processed;
    double acknowledged;
    double resent;
    double workerCpu; // share of one core
    double simCpu;
    long long givenUp;
};

Rates measure(SimProcess& sim, double seconds) {
    const Sample a = sample(sim);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const Sample b = sample(sim);
    const double elapsed = std::chrono::duration<double>(b.when - a.when).count();
    const auto perSecond = [elapsed](double count) { return count / elapsed; };
    return {perSecond(static_cast<double>(b.sent - a.sent + b.resent - a.resent)),
            perSecond(static_cast<double>(b.processed - a.processed)),
            perSecond(static_cast<double>(b.acknowledged - a.acknowledged)),
            perSecond(static_cast<double>(b.resent - a.resent)),
            (b.workerCpu - a.workerCpu) / elapsed,
            (b.simCpu - a.simCpu) / elapsed,
            b.givenUp - a.givenUp};
}

void print(const char* label, const Rates& r) {
    std::printf(
        "%-24s offered %7.0f/s  processed %7.0f/s  acknowledged %7.0f/s  resent %5.0f/s  given up %lld"
        "  worker CPU %3.0f%%  simulator CPU %3.0f%%\n",
        label, r.offered, r.processed, r.acknowledged, r.resent, r.givenUp, 100 * r.workerCpu,
        100 * r.simCpu);
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
    static const OstrelCallbacks callbacks{onReport, nullptr, nullptr, nullptr,
                                           nullptr,  nullptr, onEvent, nullptr};
    ScratchFolder folder;
    OstrelContext* context = Init_Ostrel(nullptr, &callbacks);
    const int port = startOnFreeUdpPort(context);
    {
        SimProcess sim({"--udp", "127.0.0.1:" + std::to_string(port), "--type", "2", "--terminals",
                        kAddresses, "--interval", "1"},
                       folder.path(), SimProcess::Logs::Off);
        sim.waitReady();
        const auto start = bench::Clock::now();
        const bool allOnLine = waitUntil([] { return onLineEvents == kTerminals; }, 20s);
        std::printf("%d terminals on line after %.2f s%s\n", onLineEvents.load(), bench::secondsSince(start),
                    allOnLine ? "" : " (not all)");
        std::this_thread::sleep_for(1s);
        print("every terminal at 1/s:", measure(sim, seconds));
        const int lost = 2 * kTerminals - onLineEvents - statusBit0Events;
        std::printf("events lost: %d (on-line events %d, first status events %d, of %d each)\n", lost,
                    onLineEvents.load(), statusBit0Events.load(), kTerminals);

        double sustained = 0;
        for (const char* interval : {"0.2", "0.15", "0.12", "0.1", "0.08", "0.065", "0.05"}) {
            sim.command(std::string("interval all ") + interval);
            std::this_thread::sleep_for(1500ms);
            const auto rates = measure(sim, seconds);
            print((std::string("every terminal at ") + interval + " s:").c_str(), rates);
            // Sustained: at least 99% of what was sent (resends included) is processed, and no report is
            // given up.
            if (rates.processed < 0.99 * rates.offered || rates.givenUp > 0)
                break;
            sustained = rates.processed;
        }
        std::printf("highest report rate sustained: %.0f reports/s\n", sustained);
    }
    Quit_Ostrel(context);
    return 0;
}
