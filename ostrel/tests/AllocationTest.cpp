// Frames cost no heap memory: building, queueing, pumping, receiving and acknowledging them allocates
// nothing, in the core and through the UDP socket's batches alike. Its own executable, as it counts every
// allocation of the process.
#include "core/OstrelCore.h"
#include "ostrel/ostrel.h"
#include "support/FreeUdpPort.h"
#include "support/WireFrames.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <poll.h>

namespace {
std::atomic<long> allocations{0};
} // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
// Kept out of line: inlined into a delete-expression, GCC takes the free for a mismatched deallocation.
__attribute__((noinline)) void operator delete(void* memory) noexcept {
    std::free(memory);
}
__attribute__((noinline)) void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

// Counts what would go out, keeping nothing.
class CountingTransport : public ostrel::Transport {
public:
    long datagrams = 0;
    long serialWrites = 0;
    void sendDatagram(std::span<const std::uint8_t>, const ostrel::Ipv4Address&, std::uint16_t) override {
        ++datagrams;
    }
    void writeSerial(int, std::span<const std::uint8_t>) override { ++serialWrites; }
    void closeUdp() override {}
};

} // namespace

TEST(Allocation, FramesInBothDirectionsAllocateNothing) {
    CountingTransport transport;
    OstrelCallbacks callbacks{};
    ostrel::OstrelCore core(transport, nullptr, callbacks);
    core.storeValues(1000, 3);
    core.startTimers();
    const auto report = wire::network({10, 0, 0, 5}, 1, 2, 241, {0, 0, 0x04, 0x01, 0xFF, 0, 0, 0, 0});
    const auto reply = wire::network({10, 0, 0, 5}, 1, 2, 0x92 | 0x80);
    std::array<std::uint8_t, 128> reportBuffer{}, replyBuffer{};
    std::copy(report.begin(), report.end(), reportBuffer.begin());
    std::copy(reply.begin(), reply.end(), replyBuffer.begin());

    const ostrel::Ipv4Address terminal{10, 0, 0, 5};
    const long before = allocations;
    // Each tick walks the terminal table: a few thousand rounds show any allocation per frame as well as
    // more would, at a cost the sanitizer builds can bear.
    constexpr int kRounds = 2000;
    for (int i = 0; i < kRounds; ++i) {
        core.onDatagram(reportBuffer, static_cast<int>(report.size()), terminal, 5000);
        ostrel::LcdDisplayFrame frame;
        frame.setAddress(1, 2, 0);
        frame.setCommand(10);
        ASSERT_TRUE(frame.fill(0, "Zone 3 alarm"));
        frame.finalize();
        ASSERT_TRUE(core.queueFrame(ostrel::kUdpPortIndex, frame));
        core.tick();
        core.onDatagram(replyBuffer, static_cast<int>(reply.size()), terminal, 5000);
    }
    EXPECT_EQ(allocations - before, 0);
    EXPECT_EQ(transport.datagrams, 2 * kRounds) << "every report acknowledged, every frame sent";
}

// The whole way of a report in steady state: read from the socket in a batch, handed to the core, its
// acknowledgement queued and sent with the batch's others, the worker woken and waiting again.
TEST(Allocation, ReportsThroughTheUdpSocketAllocateNothing) {
    const OstrelCallbacks callbacks{};
    OstrelContext* context = Init_Ostrel(nullptr, &callbacks);
    sockaddr_in ostrel{};
    ostrel.sin_family = AF_INET;
    ostrel.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ostrel.sin_port = htons(static_cast<std::uint16_t>(startOnFreeUdpPort(context)));
    const int terminals = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_EQ(::connect(terminals, reinterpret_cast<const sockaddr*>(&ostrel), sizeof ostrel), 0);
    std::array<std::vector<std::uint8_t>, 64> reports;
    for (std::size_t n = 0; n < reports.size(); ++n)
        reports[n] = wire::canonical(1, static_cast<std::uint8_t>(n), OSTREL_REPORT_STATUS, {0x00, 0x01});

    // Rounds of a batch of reports, each answered before the next round, so that no answer overflows the
    // terminals' socket.
    const auto answeredRounds = [&](int rounds) {
        int answered = 0;
        for (int round = 0; round < rounds; ++round) {
            for (const auto& report : reports)
                ::send(terminals, report.data(), report.size(), 0);
            for (std::size_t n = 0; n < reports.size(); ++n) {
                pollfd p{terminals, POLLIN, 0};
                std::array<std::uint8_t, 64> answer;
                if (::poll(&p, 1, 5000) == 1 && ::recv(terminals, answer.data(), answer.size(), 0) > 0)
                    ++answered;
            }
        }
        return answered;
    };
    ASSERT_EQ(answeredRounds(20), 20 * 64) << "every terminal heard, the worker warmed up";
    const long before = allocations;
    const int answered = answeredRounds(100);
    const long allocated = allocations - before;

    EXPECT_EQ(answered, 100 * 64);
    EXPECT_EQ(allocated, 0);
    ::close(terminals);
    Quit_Ostrel(context);
}
