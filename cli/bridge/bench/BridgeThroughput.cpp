// The MQTT bridge under a whole site: `tarvex-cli bridge` as a process between zenvar-sim's terminals on
// one loopback UDP port (each reporting once a second) and a Mosquitto broker, with a subscriber of ours
// counting what arrives. Reports:
//   - the sign-on of every terminal: how long until all are on line at the subscriber;
//   - events carried per second: rounds of zone 3 going into alarm and out at every terminal at once,
//     each round sent once the last one's events have all arrived;
//   - the bridge's CPU time in each phase and its peak resident memory;
//   - the latency from a report sent to its event received over MQTT, median and 99th percentile, of a
//     probe terminal of ours (a UDP socket sending status reports with zone 3 changing, each once the
//     last one's event arrived, 50 ms apart), while the site is quiet and while its rounds run.
//   tarvex-bridge-benchmark [rounds, 20] [terminals, 10000]
#include "BenchSupport.h"
#include "support/BridgeProcess.h"
#include "support/FreeUdpPort.h"
#include "support/LatencyHistogram.h"
#include "support/MosquittoBroker.h"
#include "support/PtyLine.h"
#include "support/WireFrames.h"

#include <arpa/inet.h>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mosquitto.h>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <set>
#include <string>
#include <sys/socket.h>
#include <thread>

namespace {

using namespace std::chrono_literals;
using bench::Clock;

constexpr int kProbeA = 250;
constexpr int kProbeB = 1;
constexpr std::uint8_t kStatusReport = 2;
constexpr std::uint8_t kZone3 = 1u << 2;
constexpr auto kProbeGap = 50ms;

// The subscriber: counts every terminal's events and on-line messages, and times the probe's events.
class Subscriber {
public:
    explicit Subscriber(int port) {
        mosquitto_lib_init();
        client_ = mosquitto_new(nullptr, true, this);
        mosquitto_connect_callback_set(client_, [](mosquitto* m, void*, int) {
            // QoS 0 to the subscriber: the broker's per-client queue limits stay out of the measurement.
            mosquitto_subscribe(m, nullptr, "bench/#", 0);
        });
        mosquitto_message_callback_set(client_, [](mosquitto*, void* self, const mosquitto_message* m) {
            static_cast<Subscriber*>(self)->take(m->topic, static_cast<const char*>(m->payload),
                                                 m->payloadlen);
        });
        mosquitto_connect(client_, "127.0.0.1", port, 60);
        mosquitto_loop_start(client_);
    }
    ~Subscriber() {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, false);
        mosquitto_destroy(client_);
        mosquitto_lib_cleanup();
    }

    std::atomic<long long> events{0};
    std::atomic<long long> messages{0};
    std::atomic<long long> onLine{0};
    std::atomic<bool> bridgeOnline{false};

    // Waits until the probe's events number more than `seen`; the moment the last one arrived, or nothing
    // after the limit.
    std::optional<Clock::time_point> awaitProbeEvent(long long seen, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        if (!probeArrived_.wait_for(lock, limit, [&] { return probeEvents_ > seen; }))
            return std::nullopt;
        return probeArrival_;
    }
    long long probeEvents() {
        std::lock_guard lock(mutex_);
        return probeEvents_;
    }

private:
    void take(std::string_view topic, const char* payload, int length) {
        const auto received = Clock::now();
        ++messages;
        const std::string_view text(payload ? payload : "", static_cast<std::size_t>(payload ? length : 0));
        if (topic.ends_with("/event")) {
            ++events;
            if (topic.find("/250.1/") != std::string_view::npos &&
                text.find("\"zone_alarm_") != std::string_view::npos) {
                {
                    std::lock_guard lock(mutex_);
                    ++probeEvents_;
                    probeArrival_ = received;
                }
                probeArrived_.notify_all();
            }
        } else if (topic.ends_with("/online") && text == "ON") {
            ++onLine;
        } else if (topic == "bench/bridge/status") {
            bridgeOnline = text == "online";
        }
    }

    mosquitto* client_;
    std::mutex mutex_;
    std::condition_variable probeArrived_;
    long long probeEvents_ = 0;
    Clock::time_point probeArrival_;
};

// A terminal of ours on a UDP socket: status reports with zone 3 in alarm and out by turns, each sent once
// the last one's event has arrived, and timed from its sending to its event's arrival. A report whose
// event does not come within a second is counted lost, and its change sent again.
class ProbeTerminal {
public:
    ProbeTerminal(int port, Subscriber& subscriber)
        : subscriber_(subscriber), fd_(::socket(AF_INET, SOCK_DGRAM, 0)) {
        target_.sin_family = AF_INET;
        target_.sin_port = htons(static_cast<std::uint16_t>(port));
        target_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        report(0); // signs on
    }
    ~ProbeTerminal() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        ::close(fd_);
    }

    void start() {
        thread_ = std::thread([this] {
            std::uint8_t alarms = 0;
            while (!stop_) {
                const long long seen = subscriber_.probeEvents();
                const auto changed = static_cast<std::uint8_t>(alarms ^ kZone3);
                const auto sent = Clock::now();
                report(changed);
                const auto arrived = subscriber_.awaitProbeEvent(seen, 10s);
                {
                    std::lock_guard lock(mutex_);
                    if (arrived)
                        latencies_.add(*arrived - sent);
                    else
                        ++lost_;
                }
                if (arrived)
                    alarms = changed;
                std::this_thread::sleep_for(kProbeGap);
            }
        });
    }

    // The latencies since the last call, and how many reports got no event in time.
    std::pair<LatencyHistogram, long long> take() {
        std::lock_guard lock(mutex_);
        auto taken = std::pair(latencies_, lost_);
        latencies_ = {};
        lost_ = 0;
        return taken;
    }

private:
    void report(std::uint8_t alarms) {
        auto frame = wire::canonical(kProbeA, kProbeB, kStatusReport, {alarms, 0});
        // A fresh header word each time, as terminals number their reports.
        ++sequence_;
        frame[3] = static_cast<std::uint8_t>(sequence_ >> 8);
        frame[4] = static_cast<std::uint8_t>(sequence_);
        frame.back() = 0;
        frame.back() = wire::sum(frame);
        ::sendto(fd_, frame.data(), frame.size(), 0, reinterpret_cast<const sockaddr*>(&target_),
                 sizeof target_);
    }

    Subscriber& subscriber_;
    int fd_;
    sockaddr_in target_{};
    std::uint16_t sequence_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    LatencyHistogram latencies_;
    long long lost_ = 0;
    std::thread thread_;
};

// The bridge process's CPU seconds and peak resident memory, from /proc.
double bridgeCpu(pid_t pid) {
    return bench::cpuSeconds("/proc/" + std::to_string(pid) + "/stat");
}
double peakResidentMb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:"))
            return std::stod(line.substr(6)) / 1024;
    return 0;
}

void printLatency(const char* phase, const std::pair<LatencyHistogram, long long>& measured) {
    const auto& [latencies, lost] = measured;
    std::printf("report sent -> event received over MQTT, %s: median %.2f ms, p99 %.2f ms, max %.2f ms "
                "(%lld events, %lld without an event within 10 s)\n",
                phase, static_cast<double>(latencies.quantile(0.5).count()) / 1000,
                static_cast<double>(latencies.quantile(0.99).count()) / 1000,
                static_cast<double>(latencies.max().count()) / 1000, latencies.count(), lost);
}

// Waits until the counter reaches the target; false after the limit.
bool waitFor(const std::atomic<long long>& counter, long long target, std::chrono::seconds limit) {
    return waitUntil([&] { return counter >= target; }, limit);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    const int terminals = argc > 2 ? std::atoi(argv[2]) : 10000;
    if (rounds < 1 || terminals < 1 || terminals > 250 * 250) {
        std::fprintf(stderr,
                     "usage: tarvex-bridge-benchmark [rounds, 20] [terminals, 10000 at most 62500]\n");
        return 1;
    }
    ScratchFolder folder;
    MosquittoBroker broker(folder.path());
    Subscriber subscriber(broker.port());

    const int udpPort = freeUdpPort();
    BridgeProcess bridge({"--mqtt", broker.address(), "--port", std::to_string(udpPort), "--topic", "bench"},
                         folder.path());
    if (!waitUntil([&] { return subscriber.bridgeOnline.load(); }, 20s)) {
        std::fprintf(stderr, "the bridge did not come up:\n%s", bridge.log().c_str());
        return 1;
    }
    const pid_t pid = bridge.pid();

    // The site: addresses A 0..249 by B 0..249, as many as asked, each reporting once a second.
    const int fullBlocks = terminals / 250;
    const int rest = terminals % 250;
    std::string addresses;
    if (fullBlocks > 0)
        addresses = "0-" + std::to_string(fullBlocks - 1) + ".0-249";
    if (rest > 0)
        addresses +=
            (addresses.empty() ? "" : ",") + std::to_string(fullBlocks) + ".0-" + std::to_string(rest - 1);
    SimProcess sim(
        {"--udp", "127.0.0.1:" + std::to_string(udpPort), "--terminals", addresses, "--interval", "1"},
        folder.path(), SimProcess::Logs::Off);
    const double cpuBefore = bridgeCpu(pid);
    const auto signOnStart = Clock::now();
    sim.waitReady();
    if (!waitFor(subscriber.onLine, terminals, 120s)) {
        std::fprintf(stderr, "only %lld of %d terminals came on line\n", subscriber.onLine.load(), terminals);
        return 1;
    }
    const double signOn = bench::secondsSince(signOnStart);
    const double cpuSignOn = bridgeCpu(pid) - cpuBefore;
    std::printf("%d terminals on line at the subscriber %.2f s after the simulator started; %lld messages; "
                "bridge CPU %.2f s\n",
                terminals, signOn, subscriber.messages.load(), cpuSignOn);

    // Quiet: only the once-a-second reports, and the probe.
    ProbeTerminal probe(udpPort, subscriber);
    waitFor(subscriber.onLine, terminals + 1, 10s);
    probe.start();
    const double cpuQuietStart = bridgeCpu(pid);
    std::this_thread::sleep_for(10s);
    const double cpuQuiet = bridgeCpu(pid) - cpuQuietStart;
    std::printf("quiet, %d reports/s: bridge CPU %.1f%% of a core\n", terminals, 100 * cpuQuiet / 10);
    printLatency("quiet site", probe.take());

    // Rounds: zone 3 of every terminal into alarm, then out, each once the last round has arrived.
    const double cpuRoundsStart = bridgeCpu(pid);
    const long long eventsBefore = subscriber.events;
    const auto roundsStart = Clock::now();
    double slowestRound = 0;
    for (int round = 0; round < rounds; ++round) {
        const long long target = subscriber.events + terminals;
        const auto roundStart = Clock::now();
        sim.command(std::string("alarm all 3 ") + (round % 2 == 0 ? "on" : "off"));
        if (!waitFor(subscriber.events, target, 60s)) {
            std::fprintf(stderr, "round %d: %lld of %d events arrived\n", round,
                         subscriber.events - target + terminals, terminals);
            return 1;
        }
        slowestRound = std::max(slowestRound, bench::secondsSince(roundStart));
    }
    const double roundsSeconds = bench::secondsSince(roundsStart);
    const double cpuRounds = bridgeCpu(pid) - cpuRoundsStart;
    const auto carried = subscriber.events - eventsBefore;
    std::printf("%d rounds of %d zone alarm events: %lld events (with the probe's) in %.2f s: %.0f events/s "
                "(slowest round %.3f s); bridge CPU %.2f s (%.1f%% of a core, %.1f us per event)\n",
                rounds, terminals, carried, roundsSeconds, static_cast<double>(carried) / roundsSeconds,
                slowestRound, cpuRounds, 100 * cpuRounds / roundsSeconds,
                1e6 * cpuRounds / static_cast<double>(carried));
    printLatency("during the rounds", probe.take());
    std::printf("bridge peak resident memory (VmHWM): %.1f MB\n", peakResidentMb(pid));
    std::printf("bridge stopped with status %d\n", bridge.stop(SIGTERM).value_or(-1));
    return 0;
}
