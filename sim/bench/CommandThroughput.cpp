// Command throughput over loopback UDP: frames per second through the Cmd_ exports to simulated
// terminals that answer at once, with one terminal on one Ostrel port and with terminals on two ports
// (two contexts, each with its own UDP port and send pump), beside the rate of a bare UDP request and
// reply loop between two sockets of this machine, measured in the same run.
//   sim-command-throughput [seconds per measurement, default 2; three rounds of three measurements]
#include "BenchSupport.h"
#include "support/PtyLine.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int boundLoopbackSocket() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const auto address = loopback(0);
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    return fd;
}

std::uint16_t portOf(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

// Round trips per second of a 13-byte datagram between a client socket and an echoing one.
double bareRoundTrips(double seconds) {
    const int client = boundLoopbackSocket();
    const int echo = boundLoopbackSocket();
    std::atomic<bool> running{true};
    std::thread echoer([&] {
        std::uint8_t buffer[128];
        sockaddr_in from{};
        socklen_t size = sizeof from;
        while (running) {
            const ssize_t n =
                ::recvfrom(echo, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
            if (n > 0)
                ::sendto(echo, buffer, static_cast<std::size_t>(n), 0, reinterpret_cast<sockaddr*>(&from),
                         size);
        }
    });
    const auto to = loopback(portOf(echo));
    std::uint8_t frame[13] = {};
    long long trips = 0;
    const auto start = bench::Clock::now();
    while (bench::secondsSince(start) < seconds) {
        ::sendto(client, frame, sizeof frame, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (::recv(client, frame, sizeof frame, 0) > 0)
            ++trips;
    }
    const double rate = static_cast<double>(trips) / bench::secondsSince(start);
    running = false;
    echoer.join();
    ::close(client);
    ::close(echo);
    return rate;
}

std::atomic<int> terminalsOnLine{0};

void onEvent(void*, int32_t, int32_t, int32_t, int32_t, int32_t code, const char*) {
    if ((code & 0xFF) == 9)
        ++terminalsOnLine;
}

// Frames answered per second while every context's send ring is kept full.
double commandRate(const std::vector<OstrelContext*>& contexts, SimProcess& sim, double seconds) {
    const long long before = bench::simCounter(sim, "replies");
    const auto start = bench::Clock::now();
    while (bench::secondsSince(start) < seconds) {
        for (auto* context : contexts)
            while (Cmd_SingleLight_Send(context, 11, 1, 1, 0, 1, 1)) {
            }
        std::this_thread::sleep_for(200us);
    }
    const long long after = bench::simCounter(sim, "replies");
    return static_cast<double>(after - before) / bench::secondsSince(start);
}

// Measures with `ports` contexts, each with one terminal 1.1 on its own simulated UDP link.
double commandRateOnPorts(int ports, double seconds, const std::filesystem::path& folder) {
    static const OstrelCallbacks callbacks{nullptr, nullptr, nullptr, nullptr,
                                           nullptr, nullptr, onEvent, nullptr};
    std::vector<OstrelContext*> contexts;
    std::vector<std::string> arguments;
    for (int i = 0; i < ports; ++i) {
        contexts.push_back(Init_Ostrel(nullptr, &callbacks));
        const int port = startOnFreeUdpPort(contexts.back());
        for (const auto& argument :
             {std::string("--udp"), "127.0.0.1:" + std::to_string(port), std::string("--terminals"),
              std::string("1.1"), std::string("--interval"), std::string("0")})
            arguments.push_back(argument);
    }
    terminalsOnLine = 0;
    double rate = 0;
    {
        SimProcess sim(arguments, folder, SimProcess::Logs::Off);
        sim.waitReady();
        if (waitUntil([&] { return terminalsOnLine == ports; }))
            rate = commandRate(contexts, sim, seconds);
        else
            std::fprintf(stderr, "the simulated terminals did not come on line\n");
    }
    for (auto* context : contexts)
        Quit_Ostrel(context);
    return rate;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    ScratchFolder folder;
    // The machine is shared: the three measurements take turns, and each reports its best round.
    double bare = 0, one = 0, two = 0;
    for (int round = 0; round < 3; ++round) {
        bare = std::max(bare, bareRoundTrips(seconds));
        one = std::max(one, commandRateOnPorts(1, seconds, folder.path()));
        two = std::max(two, commandRateOnPorts(2, seconds, folder.path()));
    }
    std::printf("bare UDP request/reply loop, two sockets:    %8.0f round trips/s\n", bare);
    std::printf("Cmd_ exports, one terminal on one port:       %8.0f frames/s  (%3.0f%% of bare)\n", one,
                100 * one / bare);
    std::printf("Cmd_ exports, terminals on two ports:         %8.0f frames/s  (%3.0f%% of bare)\n", two,
                100 * two / bare);
    return 0;
}
