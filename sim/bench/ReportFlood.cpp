// A flood on Ostrel's UDP port: junk (random bytes, wrong lengths, bad checksums) and valid-looking status
// reports, going round all 65,025 addresses of the port as fast as a socket sends, for 20 s: from two
// sockets (one each, the default) or one (the two in turn), while legitimate terminals report: a few
// simulated ones (zenvar-sim, once a second) and one of our own, which sends a report, times its
// acknowledgement (matched by the header word that the acknowledgement of a protocol type 1 report carries
// back) and sends the next 10 ms later. Prints the legitimate acknowledgement latency before, during and
// after the flood, the simulated terminals' reports given up, this process's resident memory (Ostrel's,
// nothing else here grows), the datagrams offered per second, and what Ostrel made of them.
//   sim-report-flood [flood seconds, default 20] [sending sockets, 1 or 2, default 2]
#include "BenchSupport.h"
#include "support/LatencyHistogram.h"
#include "support/PtyLine.h"
#include "support/ResidentMemory.h"
#include "support/WireFrames.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <thread>
#include <time.h>

namespace {

using namespace std::chrono_literals;

// A and B each run from 0 to 254: 255 names a whole block.
constexpr int kAddresses = OSTREL_WHOLE_BLOCK;
constexpr std::uint8_t kProbeA = 254, kProbeB = 254;
constexpr auto kProbeGap = 10ms;
// A terminal that hears no acknowledgement within a second sends its report again.
constexpr int kAckWaitMs = 1000;
constexpr auto kBefore = 5s;
constexpr auto kAfter = 10s;
constexpr std::uint8_t kStatusReport = 241; // protocol type 2's status report

enum Phase { Before, During, After, kPhases };
const char* const kPhaseNames[kPhases] = {"before", "during", "after"};

std::atomic<long long> reportsProcessed{0};
std::atomic<long long> eventsReceived{0};
std::atomic<bool> workerKnown{false};
pthread_t worker{};

void onReport(void*, int32_t, int32_t, int32_t, int32_t, const unsigned char*) {
    // Only the worker calls this: its handle is written before it is published.
    if (!workerKnown) {
        worker = ::pthread_self();
        workerKnown = true;
    }
    ++reportsProcessed;
}

void onEvent(void*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*) {
    ++eventsReceived;
}

double cpuSeconds(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A datagram built in place: the flood allocates nothing while Ostrel's memory is measured.
struct Datagram {
    std::array<std::uint8_t, 256> bytes{};
    std::size_t size = 0;
};

// Fixes the last byte: additive (protocol type 1) or inverted (type 2) checksum.
void seal(Datagram& d, bool inverted) {
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < d.size; ++i)
        sum += d.bytes[i];
    d.bytes[d.size - 1] = static_cast<std::uint8_t>(inverted ? 0xFF - sum : sum);
}

// A status report from terminal a.b in either protocol type's form, made from one built once.
void statusReport(Datagram& out, bool network, std::uint8_t a, std::uint8_t b, std::uint8_t status) {
    static const auto canonicalForm = wire::canonical(0, 0, 2, {0, 0});
    static const auto networkForm = wire::network({127, 0, 0, 1}, 0, 0, kStatusReport, {0, 0});
    const auto& form = network ? networkForm : canonicalForm;
    std::copy(form.begin(), form.end(), out.bytes.begin());
    out.size = form.size();
    const std::size_t addressAt = network ? 8 : 1;
    out.bytes[addressAt] = a;
    out.bytes[addressAt + 1] = b;
    out.bytes[out.size - 2] = status; // the payload's second byte
    seal(out, network);
}

struct Sent {
    std::atomic<long long> reports{0};
    std::atomic<long long> junk{0};
};

// One flooding socket: round after round over every address, until stop. make fills in a datagram and
// says whether it is a valid-looking report.
template <class MakeDatagram>
void flood(int port, const std::atomic<bool>& stop, MakeDatagram make, Sent& sent) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const auto target = loopback(port);
    Datagram datagram;
    for (unsigned round = 0; !stop; ++round)
        for (int a = 0; a < kAddresses && !stop; ++a)
            for (int b = 0; b < kAddresses && !stop; ++b) {
                const bool report =
                    make(datagram, static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b), round);
                if (::sendto(fd, datagram.bytes.data(), datagram.size, 0,
                             reinterpret_cast<const sockaddr*>(&target), sizeof target) >= 0)
                    ++(report ? sent.reports : sent.junk);
            }
    ::close(fd);
}

// Status reports as terminals send them, every other one in either protocol type's form, their status
// bits changing from round to round.
bool validLooking(Datagram& out, std::uint8_t a, std::uint8_t b, unsigned round) {
    statusReport(out, (a ^ b) & 1, a, b, static_cast<std::uint8_t>(round & 0x45));
    return true;
}

// Junk, in four sorts by turn: random bytes of a random length (up to 200: longer than any frame), a
// report whose length byte is wrong, one cut short, one with a bad checksum.
bool junk(Datagram& out, std::uint8_t a, std::uint8_t b, unsigned round) {
    static thread_local std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    const auto random = [] {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        return state;
    };
    switch ((a + b + round) % 4) {
    case 0:
        out.size = 1 + random() % 200;
        for (std::size_t i = 0; i < out.size; ++i)
            out.bytes[i] = static_cast<std::uint8_t>(random());
        return false;
    case 1:
        statusReport(out, true, a, b, 0);
        out.bytes[10] = static_cast<std::uint8_t>(out.bytes[10] + 1 + random() % 5); // the length byte
        seal(out, true);
        return false;
    case 2:
        statusReport(out, false, a, b, 0);
        out.size -= 1 + random() % 3;
        return false;
    default:
        statusReport(out, a & 1, a, b, 0);
        out.bytes[out.size - 1] ^= 0x5A;
        return false;
    }
}

// Our own legitimate terminal: protocol type 1, at kProbeA.kProbeB, one report at a time.
class ProbeTerminal {
public:
    explicit ProbeTerminal(int port) : fd_(::socket(AF_INET, SOCK_DGRAM, 0)), target_(loopback(port)) {
        const auto local = loopback(0);
        ::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    }
    ~ProbeTerminal() { ::close(fd_); }

    // Reports until stop, each latency counted in the phase it was sent in.
    void run(const std::atomic<bool>& stop, const std::atomic<int>& phase) {
        for (std::uint16_t sequence = 1; !stop; ++sequence) {
            Datagram report;
            statusReport(report, false, kProbeA, kProbeB, 0);
            report.bytes[3] = static_cast<std::uint8_t>(sequence >> 8); // the header word
            report.bytes[4] = static_cast<std::uint8_t>(sequence);
            seal(report, false);
            const int sentIn = phase;
            const auto sent = bench::Clock::now();
            ::sendto(fd_, report.bytes.data(), report.size, 0, reinterpret_cast<const sockaddr*>(&target_),
                     sizeof target_);
            if (awaitAcknowledgement(sequence, sent)) {
                const auto latency = bench::Clock::now() - sent;
                latencies[sentIn].add(latency);
                if (sentIn == After && firstAfter.count() < 0)
                    firstAfter = std::chrono::duration_cast<std::chrono::microseconds>(latency);
            } else {
                ++unanswered[sentIn];
            }
            std::this_thread::sleep_for(kProbeGap);
        }
    }

    std::array<LatencyHistogram, kPhases> latencies;
    std::array<long long, kPhases> unanswered{};
    std::chrono::microseconds firstAfter{-1};

private:
    bool awaitAcknowledgement(std::uint16_t sequence, bench::Clock::time_point sent) {
        while (true) {
            const auto waited =
                std::chrono::duration_cast<std::chrono::milliseconds>(bench::Clock::now() - sent);
            pollfd p{fd_, POLLIN, 0};
            if (waited.count() >= kAckWaitMs ||
                ::poll(&p, 1, static_cast<int>(kAckWaitMs - waited.count())) != 1)
                return false;
            std::uint8_t ack[64];
            const ssize_t n = ::recv(fd_, ack, sizeof ack, 0);
            // Length, A, B, the header word given back, the report code with the reply bit; a late one for an
            // earlier report is passed over.
            if (n >= 8 && ack[1] == kProbeA && ack[2] == kProbeB && ack[3] == (sequence >> 8) &&
                ack[4] == (sequence & 0xFF) && ack[6] == 0x82)
                return true;
        }
    }

    int fd_;
    sockaddr_in target_;
};

double ms(std::chrono::microseconds duration) {
    return static_cast<double>(duration.count()) / 1000;
}

double mb(long long bytes) {
    return static_cast<double>(bytes) / 1e6;
}

// Runs for the period, taking resident memory every 250 ms; returns the largest sample.
long long watchMemory(std::chrono::seconds period) {
    long long most = 0;
    const auto end = bench::Clock::now() + period;
    while (bench::Clock::now() < end) {
        most = std::max(most, residentBytes());
        std::this_thread::sleep_for(250ms);
    }
    return std::max(most, residentBytes());
}

} // namespace

int main(int argc, char** argv) {
    const auto floodPeriod = std::chrono::seconds(argc > 1 ? std::atoi(argv[1]) : 20);
    const int sockets = argc > 2 ? std::atoi(argv[2]) : 2;
    if (floodPeriod.count() < 1 || (sockets != 1 && sockets != 2)) {
        std::fprintf(stderr, "usage: sim-report-flood [flood seconds] [sending sockets: 1 or 2]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    ScratchFolder folder;
    static const OstrelCallbacks callbacks{onReport, nullptr, nullptr, nullptr,
                                           nullptr,  nullptr, onEvent, nullptr};
    const long long residentAtStart = residentBytes();
    OstrelContext* context = Init_Ostrel(nullptr, &callbacks);
    const int port = startOnFreeUdpPort(context);
    {
        const std::string pc = "127.0.0.1:" + std::to_string(port);
        SimProcess sim({"--udp", pc, "--type", "2", "--terminals", "250.1-10", "--interval", "1", "--udp", pc,
                        "--type", "1", "--terminals", "251.1-10", "--interval", "1"},
                       folder.path(), SimProcess::Logs::Off);
        sim.waitReady();
        ProbeTerminal probe(port);
        std::atomic<bool> stopProbe{false}, stopFlood{false};
        std::atomic<int> phase{Before};
        std::thread prober([&] { probe.run(stopProbe, phase); });
        // Each of the 21 comes on line and gives its first status.
        if (!waitUntil([] { return eventsReceived >= 2 * 21 && workerKnown; })) {
            std::fprintf(stderr, "the legitimate terminals did not come on line\n");
            return 1;
        }
        clockid_t workerClock{};
        ::pthread_getcpuclockid(worker, &workerClock);

        struct Mark {
            long long resident, given, acknowledged, sent, processed, events;
            double workerCpu;
        };
        const auto mark = [&] {
            return Mark{residentBytes(),        sim.counter("givenUp"), sim.counter("acknowledged"),
                        sim.counter("reports"), reportsProcessed,       eventsReceived,
                        cpuSeconds(workerClock)};
        };
        const long long maxBefore = watchMemory(std::chrono::duration_cast<std::chrono::seconds>(kBefore));
        const Mark floodStart = mark();

        phase = During;
        Sent sent;
        std::vector<std::thread> flooders;
        if (sockets == 2) {
            flooders.emplace_back([&] { flood(port, stopFlood, validLooking, sent); });
            flooders.emplace_back([&] { flood(port, stopFlood, junk, sent); });
        } else {
            flooders.emplace_back([&] {
                flood(
                    port, stopFlood,
                    [](Datagram& out, std::uint8_t a, std::uint8_t b, unsigned round) {
                        return (a + b) % 2 ? validLooking(out, a, b, round) : junk(out, a, b, round);
                    },
                    sent);
            });
        }
        const long long maxDuring = watchMemory(floodPeriod);
        stopFlood = true;
        for (auto& flooder : flooders)
            flooder.join();
        const Mark floodEnd = mark();
        phase = After;
        const long long maxAfter = watchMemory(std::chrono::duration_cast<std::chrono::seconds>(kAfter));
        const Mark end = mark();
        stopProbe = true;
        prober.join();

        const double seconds = std::chrono::duration<double>(floodPeriod).count();
        std::printf("flood for %.0f s on UDP port %d from %d socket%s going round all %d addresses: %.0f "
                    "datagrams/s offered (valid-looking reports %.0f/s, junk %.0f/s)\n",
                    seconds, port, sockets, sockets == 1 ? "" : "s", kAddresses * kAddresses,
                    static_cast<double>(sent.reports + sent.junk) / seconds,
                    static_cast<double>(sent.reports) / seconds, static_cast<double>(sent.junk) / seconds);
        std::printf(
            "Ostrel during the flood: %lld reports processed (%.0f/s), %lld events; its worker thread "
            "%.0f%% of a core\n",
            floodEnd.processed - floodStart.processed,
            static_cast<double>(floodEnd.processed - floodStart.processed) / seconds,
            floodEnd.events - floodStart.events, 100 * (floodEnd.workerCpu - floodStart.workerCpu) / seconds);
        for (int p = 0; p < kPhases; ++p) {
            const auto& h = probe.latencies[static_cast<std::size_t>(p)];
            std::printf("our terminal's acknowledgements %-6s the flood: %5lld answered, median %.3f ms, p99 "
                        "%.3f ms, max %.3f ms; %lld not answered within 1 s\n",
                        kPhaseNames[p], h.count(), ms(h.quantile(0.5)), ms(h.quantile(0.99)), ms(h.max()),
                        probe.unanswered[static_cast<std::size_t>(p)]);
        }
        std::printf("after the flood, our terminal's first report was acknowledged in %.3f ms\n",
                    ms(probe.firstAfter));
        std::printf("simulated terminals (20, once a second): reports sent %lld during, %lld after; "
                    "acknowledged %lld during, %lld after; given up %lld before, %lld during, %lld after\n",
                    floodEnd.sent - floodStart.sent, end.sent - floodEnd.sent,
                    floodEnd.acknowledged - floodStart.acknowledged, end.acknowledged - floodEnd.acknowledged,
                    floodStart.given, floodEnd.given - floodStart.given, end.given - floodEnd.given);
        std::printf("resident memory (VmRSS) of this process: %.2f MB before Init_Ostrel; max %.2f MB before "
                    "the flood, %.2f MB as it began, max %.2f MB during it, %.2f MB as it ended, max %.2f MB "
                    "after it, %.2f MB at the end\n",
                    mb(residentAtStart), mb(maxBefore), mb(floodStart.resident), mb(maxDuring),
                    mb(floodEnd.resident), mb(maxAfter), mb(end.resident));
    }
    Quit_Ostrel(context);
    return 0;
}
