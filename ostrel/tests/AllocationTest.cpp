// Frames cost no heap memory: building, queueing, pumping, receiving and acknowledging them allocates
// nothing. Its own executable, as it counts every allocation of the process.
#include "core/OstrelCore.h"
#include "support/WireFrames.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

namespace {
std::atomic<long> allocations{0};
} // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
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
