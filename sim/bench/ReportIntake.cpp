// Report intake: 10,000 simulated terminals on one UDP port, each sending a status report once a second.
// Reports processed and acknowledged per second, the CPU of Ostrel's worker thread, and events lost;
// then, at a few offered rates, the CPU each report costs Ostrel's worker beside what it costs a bare
// server that only receives it and sends its acknowledgement (10,000 terminals of a second simulator;
// at each rate the two are measured in turn, twice, so that a change in the machine's load weighs on
// both); then shorter intervals, to find the highest report rate the worker thread sustains.
//   sim-report-intake [seconds per measurement, default 4]
#include "BareReportServer.h"
#include "BenchSupport.h"
#include "support/PtyLine.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <pthread.h>
#include <thread>
#include <time.h>

namespace {

using namespace std::chrono_literals;

constexpr int kTerminals = 10000;
constexpr const char* kAddresses = "0-39.0-249";

std::atomic<long long> reportsProcessed{0};
std::atomic<int> onLineEvents{0};
std::atomic<int> statusBit0Events{0};
// The CPU time clock of Ostrel's worker thread, learnt from its first callback.
std::atomic<clockid_t> workerClock{0};
std::atomic<bool> workerKnown{false};

void onReport(void*, int32_t, int32_t, int32_t, int32_t, const unsigned char*) {
    if (!workerKnown) {
        clockid_t clock{};
        pthread_getcpuclockid(pthread_self(), &clock);
        workerClock = clock;
        workerKnown = true;
    }
    ++reportsProcessed;
}

void onEvent(void*, int32_t, int32_t, int32_t, int32_t, int32_t code, const char*) {
    if ((code & 0xFF) == 9)
        ++onLineEvents;
    else if ((code & 0xFF) == 10 || (code & 0xFF) == 11)
        ++statusBit0Events;
}

// What takes the simulator's reports: the thread that receives and acknowledges them, by its CPU time
// clock, and its count of reports handled.
struct Receiver {
    std::function<long long()> handled;
    std::function<clockid_t()> cpuClock;
};

const Receiver ostrelWorker{[] { return reportsProcessed.load(); }, [] { return workerClock.load(); }};

double cpuSeconds(clockid_t clock) {
    timespec time{};
    clock_gettime(clock, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) / 1e9;
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

Sample sample(SimProcess& sim, const Receiver& receiver) {
    return {bench::Clock::now(),
            receiver.handled(),
            bench::simCounter(sim, "reports"),
            bench::simCounter(sim, "resends"),
            bench::simCounter(sim, "acknowledged"),
            bench::simCounter(sim, "givenUp"),
            cpuSeconds(receiver.cpuClock()),
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

Rates measure(SimProcess& sim, double seconds, const Receiver& receiver = ostrelWorker) {
    const Sample a = sample(sim, receiver);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const Sample b = sample(sim, receiver);
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

double cpuMicrosecondsPerReport(const Rates& r) {
    return r.processed > 0 ? 1e6 * r.workerCpu / r.processed : 0;
}

// At each report interval of all 10,000 terminals: the bare server's CPU per report and Ostrel's worker's
// at the same offered rate, and their ratio. Only the simulator being measured reports; the other is
// quiet (interval 0), so that the two never compete for the two cores.
void compareWithBareServer(SimProcess& ostrelSim, double seconds, const std::filesystem::path& folder) {
    constexpr int kRounds = 2;
    bench::BareReportServer bare;
    const Receiver bareServer{[&bare] { return bare.answered(); }, [&bare] { return bare.cpuClock(); }};
    const auto bareFolder = folder / "bare";
    std::filesystem::create_directories(bareFolder);
    SimProcess bareSim({"--udp", "127.0.0.1:" + std::to_string(bare.port()), "--type", "2", "--terminals",
                        kAddresses, "--interval", "0"},
                       bareFolder, SimProcess::Logs::Off);
    bareSim.waitReady();
    ostrelSim.command("interval all 0");
    std::printf("CPU per report received and acknowledged, the bare server beside Ostrel's worker thread:\n");
    // Adds one measurement of `seconds / kRounds` to the sums of offered, handled and CPU.
    const auto measureAt = [seconds](SimProcess& sim, const char* interval, const Receiver& receiver,
                                     Rates& sum) {
        sim.command(std::string("interval all ") + interval);
        std::this_thread::sleep_for(1500ms);
        const Rates rates = measure(sim, seconds / kRounds, receiver);
        sim.command("interval all 0");
        std::this_thread::sleep_for(500ms);
        sum.offered += rates.offered / kRounds;
        sum.processed += rates.processed / kRounds;
        sum.workerCpu += rates.workerCpu / kRounds;
    };
    for (const char* interval : {"1", "0.4", "0.2", "0.106"}) {
        Rates bareRates{}, ostrelRates{};
        for (int round = 0; round < kRounds; ++round) {
            measureAt(bareSim, interval, bareServer, bareRates);
            measureAt(ostrelSim, interval, ostrelWorker, ostrelRates);
        }
        const double bareCost = cpuMicrosecondsPerReport(bareRates);
        const double ostrelCost = cpuMicrosecondsPerReport(ostrelRates);
        std::printf("  every terminal at %-5s s: bare offered %6.0f/s answered %6.0f/s %5.2f us (CPU %3.0f%%)"
                    " | Ostrel offered %6.0f/s processed %6.0f/s %5.2f us (CPU %3.0f%%) | ratio %.2f\n",
                    interval, bareRates.offered, bareRates.processed, bareCost, 100 * bareRates.workerCpu,
                    ostrelRates.offered, ostrelRates.processed, ostrelCost, 100 * ostrelRates.workerCpu,
                    bareCost > 0 ? ostrelCost / bareCost : 0);
    }
    ostrelSim.command("interval all 1");
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

        compareWithBareServer(sim, seconds, folder.path());

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
