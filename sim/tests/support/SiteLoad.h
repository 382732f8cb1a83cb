#pragma once

#include "ostrel/ostrel.h"
#include "support/CommandLedger.h"
#include "support/FreeUdpPort.h"
#include "support/PtyLine.h"
#include "support/ResidentMemory.h"
#include "support/SequencedCommands.h"
#include "support/SimFrameFeed.h"
#include "support/SimProcess.h"
#include "support/WaitUntil.h"

#include <array>
#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

// A site under load, through Ostrel's C interface in this process and zenvar-sim as a separate one: N
// terminals on one loopback UDP port (half of protocol type 2, half of type 1), each reporting once a
// second, while commands of every kind stream to some of them at a steady rate and, every sample period,
// the zone 1 alarm of some blocks of terminals goes on or off. What it measures:
//  - reports: sent by the terminals (first sendings and resends), processed by Ostrel (onReport),
//    acknowledged, given up by the terminals;
//  - events: expected against received, by kind: every terminal on line once and its first status once,
//    each alarm switch once per terminal switched, none off line;
//  - commands: queued, refused, answered, reported failed, neither, and their round trips (CommandLedger
//    says how each is told);
//  - this process's resident memory every sample period, and the CPU of Ostrel's worker thread.
struct SiteLoadSettings {
    int terminals = 10000;        // a multiple of 500: whole blocks of 250 addresses, half on each type
    int commandedTerminals = 100; // even; at most 500
    double commandsPerSecond = 1000;
    std::chrono::seconds duration{600};
    int alarmBlocksPerLink = 2; // blocks of 250 terminals on each link whose alarm is switched
    std::chrono::seconds samplePeriod{10};
    std::chrono::seconds waitLimit{
        120}; // for terminals to come on line, events to arrive, commands to settle
};

struct SiteLoadFigures {
    struct Events {
        const char* what;
        long long expected;
        long long received;
    };
    struct MemorySample {
        double seconds;
        long long bytes;
    };

    bool allOnLine = false;
    double onLineAfter = 0; // seconds from the simulator's start
    double seconds = 0;     // the measured period
    long long reportsSent = 0, reportResends = 0, reportsProcessed = 0, reportsAcknowledged = 0,
              reportsGivenUp = 0;
    std::vector<Events> events;
    long long blockEvents = 0; // whole-block and port events, which no count expects
    bool allEventsArrived = false;
    CommandLedger::Totals commands;
    long long heldBack = 0; // commands of the stream not offered: the ledger's window was full
    LatencyHistogram roundTrips;
    bool commandsSettled = false;
    double settledAfter = 0; // seconds from the last command queued until every one was settled
    std::vector<MemorySample> memory;
    double workerCpu = 0;  // share of one core over the measured period
    double processCpu = 0; // this whole process: Ostrel and the load's own threads
    std::string loadAverage;

    long long memoryMax() const {
        long long most = 0;
        for (const auto& sample : memory)
            most = std::max(most, sample.bytes);
        return most;
    }
    // Least-squares slope of resident memory, in bytes per minute.
    double memorySlopePerMinute() const {
        const double n = static_cast<double>(memory.size());
        double st = 0, sb = 0, stt = 0, stb = 0;
        for (const auto& sample : memory) {
            const double t = sample.seconds / 60, b = static_cast<double>(sample.bytes);
            st += t, sb += b, stt += t * t, stb += t * b;
        }
        const double spread = n * stt - st * st;
        return memory.size() < 2 || spread <= 0 ? 0 : (n * stb - st * sb) / spread;
    }
};

class SiteLoad {
public:
    using Clock = std::chrono::steady_clock;
    using Progress = std::function<void(const std::string&)>;

    explicit SiteLoad(SiteLoadSettings settings) : settings_(settings) {}

    SiteLoadFigures run(const Progress& progress = {}) {
        SiteLoadFigures figures;
        ScratchFolder folder;
        OstrelCallbacks callbacks{};
        callbacks.onReport = [](void* self, int32_t, int32_t, int32_t, int32_t, const unsigned char*) {
            static_cast<SiteLoad*>(self)->onReport();
        };
        callbacks.onSendFailed = [](void* self, int32_t, int32_t a, int32_t b, int32_t code, const char*) {
            static_cast<SiteLoad*>(self)->ledger_->onSendFailed(a & 0xFF, b & 0xFF, code & 0xFF);
        };
        callbacks.onTerminalEvent = [](void* self, int32_t, int32_t, int32_t b, int32_t, int32_t code,
                                       const char*) {
            static_cast<SiteLoad*>(self)->onEvent(b & 0xFF, code & 0xFF);
        };
        OstrelContext* context = Init_Ostrel(this, &callbacks);
        const int port = startOnFreeUdpPort(context);
        {
            SimFrameFeed feed(folder.path());
            feed.start([this](std::string_view line, Clock::time_point arrived) {
                ledger_->onLogLine(line, arrived);
            });
            SimProcess sim(simArguments(port, feed.path()), folder.path(), SimProcess::Logs::Off);
            sim.waitReady();
            const auto simStarted = Clock::now();
            figures.allOnLine =
                waitUntil([&] { return events_[OSTREL_EVENT_TERMINAL_ON_LINE] == settings_.terminals; },
                          settings_.waitLimit);
            figures.onLineAfter = secondsSince(simStarted);
            waitUntil([&] { return events_[OSTREL_EVENT_STATUS_BIT0_CLEAR] == settings_.terminals; },
                      settings_.waitLimit);
            // The worker thread is known from its first report.
            if (workerKnown_)
                measure(context, sim, figures, progress);
        }
        Quit_Ostrel(context);
        return figures;
    }

private:
    static constexpr int kBlock = 250;

    static double secondsSince(Clock::time_point start) {
        return std::chrono::duration<double>(Clock::now() - start).count();
    }
    static double cpuSeconds(clockid_t clock) {
        timespec now{};
        ::clock_gettime(clock, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    }
    static std::string loadAverage() {
        char text[64] = {};
        if (std::FILE* file = std::fopen("/proc/loadavg", "r")) {
            if (!std::fgets(text, sizeof text, file))
                text[0] = '\0';
            std::fclose(file);
        }
        std::string line(text);
        return line.substr(0, line.find(' ', line.find(' ', line.find(' ') + 1) + 1));
    }

    int blocksPerLink() const { return settings_.terminals / kBlock / 2; }
    // Blocks first..first+count-1, every address 0..249 in them, as the simulator names them.
    static std::string blocks(int first, int count) {
        const std::string a = count == 1 ? std::to_string(first)
                                         : std::to_string(first) + "-" + std::to_string(first + count - 1);
        return a + ".0-" + std::to_string(kBlock - 1);
    }

    std::vector<std::string> simArguments(int port, const std::string& logPath) const {
        const std::string pc = "127.0.0.1:" + std::to_string(port);
        return {"--json",      logPath,
                "--log-only",  "command,error",
                "--udp",       pc,
                "--type",      "2",
                "--terminals", blocks(0, blocksPerLink()),
                "--interval",  "1",
                "--udp",       pc,
                "--type",      "1",
                "--terminals", blocks(blocksPerLink(), blocksPerLink()),
                "--interval",  "1"};
    }

    void onReport() {
        // Only the worker calls this: its handle is written before it is published.
        if (!workerKnown_) {
            worker_ = ::pthread_self();
            workerKnown_ = true;
        }
        ++reports_;
    }
    void onEvent(int b, int code) {
        if (b == OSTREL_WHOLE_BLOCK)
            ++blockEvents_;
        else if (code < static_cast<int>(events_.size()))
            ++events_[static_cast<std::size_t>(code)];
    }

    // The commanded terminals, alternately of either type: the first addresses of each link's first block.
    std::pair<int, int> commanded(long long n) const {
        const int index = static_cast<int>(n % settings_.commandedTerminals);
        return {index % 2 == 0 ? 0 : blocksPerLink(), index / 2};
    }
    // Each round over the terminals shifts the kinds by one, so that every terminal gets every kind.
    const SequencedCommand& kindFor(long long n) const {
        const auto& mix = commandMix();
        return mix[static_cast<std::size_t>((n + n / settings_.commandedTerminals) %
                                            static_cast<long long>(mix.size()))];
    }

    enum class Queued { Yes, Refused, HeldBack };

    // Queues the n-th command of the stream; held back while the ledger's window is full.
    Queued queue(OstrelContext* context, long long n, bool fence) {
        const auto [a, b] = commanded(n);
        const SequencedCommand& kind = kindFor(n);
        const auto sequence = ledger_->open(a, b, kind, fence);
        if (!sequence)
            return Queued::HeldBack;
        if (kind.queue(context, a, b, *sequence))
            return Queued::Yes;
        ledger_->refused();
        return Queued::Refused;
    }

    // Switches zone 1 of the alarm blocks of both links; returns the terminals switched.
    long long switchAlarms(SimProcess& sim, bool on) {
        const char* state = on ? " 1 on" : " 1 off";
        sim.command("alarm " + blocks(0, settings_.alarmBlocksPerLink) + state);
        sim.command("alarm " + blocks(blocksPerLink(), settings_.alarmBlocksPerLink) + state);
        return 2LL * settings_.alarmBlocksPerLink * kBlock;
    }

    void measure(OstrelContext* context, SimProcess& sim, SiteLoadFigures& figures,
                 const Progress& progress) {
        clockid_t workerClock{};
        ::pthread_getcpuclockid(worker_, &workerClock);
        figures.memory.reserve(static_cast<std::size_t>(settings_.duration / settings_.samplePeriod) + 4);
        figures.loadAverage = loadAverage();
        const long long sentBefore = sim.counter("reports"), resentBefore = sim.counter("resends"),
                        acknowledgedBefore = sim.counter("acknowledged"),
                        givenUpBefore = sim.counter("givenUp"), processedBefore = reports_;
        const double workerBefore = cpuSeconds(workerClock),
                     processBefore = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const auto start = Clock::now();
        figures.memory.push_back({0, residentBytes()});

        long long issued = 0, alarmsOn = 0, alarmsOff = 0;
        auto nextSample = start + settings_.samplePeriod;
        for (auto tick = start; tick < start + settings_.duration;) {
            tick += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(tick);
            const auto due = static_cast<long long>(secondsSince(start) * settings_.commandsPerSecond);
            for (; issued < due; ++issued)
                figures.heldBack += queue(context, issued, false) == Queued::HeldBack ? 1 : 0;
            if (Clock::now() < nextSample)
                continue;
            nextSample += settings_.samplePeriod;
            figures.memory.push_back({secondsSince(start), residentBytes()});
            const bool on = alarmsOn == alarmsOff;
            (on ? alarmsOn : alarmsOff) += switchAlarms(sim, on);
            if (progress) {
                const auto c = ledger_->totals();
                char line[320];
                std::snprintf(
                    line, sizeof line,
                    "%4.0f s: VmRSS %.2f MB, reports processed %lld, commands queued %lld answered %lld "
                    "failed %lld refused %lld, worker CPU %.1f%%",
                    figures.memory.back().seconds, static_cast<double>(figures.memory.back().bytes) / 1e6,
                    reports_ - processedBefore, c.queued, c.answered, c.failed, c.refused,
                    100 * (cpuSeconds(workerClock) - workerBefore) / secondsSince(start));
                progress(line);
            }
        }
        figures.seconds = secondsSince(start);

        // The fence: once the terminals see it, Ostrel is done with every command before it.
        const auto streamEnded = Clock::now();
        waitUntil([&] { return queue(context, issued, true) == Queued::Yes; }, settings_.waitLimit);
        figures.commandsSettled = waitUntil([&] { return ledger_->settled(); }, settings_.waitLimit);
        figures.settledAfter = secondsSince(streamEnded);
        figures.allEventsArrived = waitUntil(
            [&] {
                return events_[OSTREL_EVENT_ZONE_ALARM_SET] == alarmsOn &&
                       events_[OSTREL_EVENT_ZONE_ALARM_CLEARED] == alarmsOff;
            },
            settings_.waitLimit);

        figures.memory.push_back({secondsSince(start), residentBytes()});
        figures.workerCpu = (cpuSeconds(workerClock) - workerBefore) / figures.seconds;
        figures.processCpu = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore) / figures.seconds;
        figures.reportsSent = sim.counter("reports") - sentBefore;
        figures.reportResends = sim.counter("resends") - resentBefore;
        figures.reportsAcknowledged = sim.counter("acknowledged") - acknowledgedBefore;
        figures.reportsGivenUp = sim.counter("givenUp") - givenUpBefore;
        figures.reportsProcessed = reports_ - processedBefore;
        figures.commands = ledger_->totals();
        figures.roundTrips = ledger_->roundTrips();
        long long otherEvents = 0;
        for (std::size_t code = 0; code < events_.size(); ++code)
            if (code != OSTREL_EVENT_TERMINAL_ON_LINE && code != OSTREL_EVENT_STATUS_BIT0_CLEAR &&
                code != OSTREL_EVENT_ZONE_ALARM_SET && code != OSTREL_EVENT_ZONE_ALARM_CLEARED &&
                code != OSTREL_EVENT_TERMINAL_OFF_LINE)
                otherEvents += events_[code];
        const long long n = settings_.terminals;
        figures.events = {{"on line", n, events_[OSTREL_EVENT_TERMINAL_ON_LINE]},
                          {"first status", n, events_[OSTREL_EVENT_STATUS_BIT0_CLEAR]},
                          {"zone alarm set", alarmsOn, events_[OSTREL_EVENT_ZONE_ALARM_SET]},
                          {"zone alarm cleared", alarmsOff, events_[OSTREL_EVENT_ZONE_ALARM_CLEARED]},
                          {"off line", 0, events_[OSTREL_EVENT_TERMINAL_OFF_LINE]},
                          {"any other terminal event", 0, otherEvents}};
        figures.blockEvents = blockEvents_;
    }

    SiteLoadSettings settings_;
    std::unique_ptr<CommandLedger> ledger_ = std::make_unique<CommandLedger>();
    std::atomic<long long> reports_{0};
    std::array<std::atomic<long long>, OSTREL_EVENT_PORT_ON_LINE + 1> events_{};
    std::atomic<long long> blockEvents_{0};
    std::atomic<bool> workerKnown_{false};
    pthread_t worker_{};
};
