// The per-port queues between the command exports and the send pump.
#include "core/SendRing.h"

#include <array>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

using ostrel::SendRecord;
using ostrel::SendRing;

namespace {

constexpr int kUsableSlots = SendRing::kSlots - 1;

// A single-output frame whose 16-bit third value numbers it; addressA names who queued it.
ostrel::SingleOutputFrame numbered(int number, int sender = 1) {
    ostrel::SingleOutputFrame frame;
    frame.setAddress(sender, 2, 0);
    frame.setCommand(6);
    frame.fill(0, 1, number);
    frame.finalize();
    return frame;
}

int numberOf(const SendRecord& record) {
    return record.bytes[9] << 8 | record.bytes[10];
}

int popNumber(SendRing& ring, int port) {
    SendRecord record;
    return ring.pop(port, record) ? numberOf(record) : -1;
}

} // namespace

TEST(SendRing, StartsEmptyOnEveryPort) {
    SendRing ring;
    for (int port = 0; port < ostrel::kPortCount; ++port) {
        EXPECT_TRUE(ring.isEmpty(port));
        SendRecord record;
        record.frameLength = 99;
        EXPECT_FALSE(ring.pop(port, record));
        EXPECT_EQ(record.frameLength, 99);
    }
}

TEST(SendRing, KeepsItsOwnCopyOfBytesAndLengths) {
    SendRing ring;
    ostrel::LcdCleanFrame clean;
    clean.setAddress(1, 2, 0);
    clean.setCommand(11);
    clean.fill();
    clean.finalize();
    auto output = numbered(0x1234);
    ASSERT_TRUE(ring.push(4, clean));
    ASSERT_TRUE(ring.push(4, output));
    const auto queued = output.bytes;
    output.bytes.fill(0xEE);
    output.payloadLength = 0;
    output.frameLength = 0;

    SendRecord record;
    ASSERT_TRUE(ring.pop(4, record));
    EXPECT_EQ(record.bytes, clean.bytes);
    EXPECT_EQ(record.payloadLength, 0);
    EXPECT_EQ(record.frameLength, 7);
    ASSERT_TRUE(ring.pop(4, record));
    EXPECT_EQ(record.bytes, queued);
    EXPECT_EQ(record.payloadLength, 4);
    EXPECT_EQ(record.frameLength, 11);
    EXPECT_TRUE(ring.isEmpty(4));
}

TEST(SendRing, HoldsAtMost1999FramesUntilThePumpTakesOne) {
    SendRing ring;
    for (int i = 0; i < kUsableSlots; ++i)
        ASSERT_TRUE(ring.push(0, numbered(i))) << i;
    EXPECT_FALSE(ring.push(0, numbered(kUsableSlots)));
    EXPECT_FALSE(ring.isEmpty(0));

    EXPECT_EQ(popNumber(ring, 0), 0);
    ASSERT_TRUE(ring.push(0, numbered(kUsableSlots)));
    for (int i = 1; i <= kUsableSlots; ++i)
        ASSERT_EQ(popNumber(ring, 0), i);
    EXPECT_TRUE(ring.isEmpty(0));
}

// One count over all ports; a refused frame takes no number, and after the last number comes 1, never 0.
TEST(SendRing, NumbersFramesOverAllPortsAndSkipsZeroWhenItWraps) {
    SendRing fresh;
    EXPECT_EQ(fresh.push(10, numbered(0)), 1u);
    EXPECT_EQ(fresh.push(0, numbered(1)), 2u);
    EXPECT_EQ(fresh.push(11, numbered(2)), 0u) << "no port";
    EXPECT_EQ(fresh.push(10, numbered(3)), 3u);
    SendRecord record;
    ASSERT_TRUE(fresh.pop(10, record));
    EXPECT_EQ(record.frameNumber, 1u);
    ASSERT_TRUE(fresh.pop(10, record));
    EXPECT_EQ(record.frameNumber, 3u) << "the number travels with its frame";

    SendRing nearTheEnd(UINT32_MAX - 1);
    EXPECT_EQ(nearTheEnd.push(4, numbered(0)), UINT32_MAX - 1);
    EXPECT_EQ(nearTheEnd.push(5, numbered(1)), UINT32_MAX);
    EXPECT_EQ(nearTheEnd.push(4, numbered(2)), 1u);
    EXPECT_EQ(nearTheEnd.push(6, numbered(3)), 2u);

    nearTheEnd.refuseFrames();
    EXPECT_EQ(nearTheEnd.push(7, numbered(4)), 0u) << "refused for good";
    ASSERT_TRUE(nearTheEnd.pop(4, record)) << "what it holds can still be taken";
    EXPECT_EQ(record.frameNumber, UINT32_MAX - 1);
}

// Two frames in flight while more than two laps go round: every slot is reused across the wrap.
TEST(SendRing, WrapsAroundKeepingTheOrder) {
    SendRing ring;
    ASSERT_TRUE(ring.push(10, numbered(0)));
    for (int i = 1; i < 2 * SendRing::kSlots + 500; ++i) {
        ASSERT_TRUE(ring.push(10, numbered(i)));
        ASSERT_EQ(popNumber(ring, 10), i - 1);
    }
    EXPECT_FALSE(ring.isEmpty(10));
}

TEST(SendRing, AFullPortDoesNotHoldBackAnother) {
    SendRing ring;
    for (int i = 0; i < kUsableSlots; ++i)
        ASSERT_TRUE(ring.push(3, numbered(i)));
    EXPECT_TRUE(ring.isEmpty(4));
    EXPECT_TRUE(ring.push(4, numbered(77)));
    EXPECT_EQ(popNumber(ring, 4), 77);
    EXPECT_EQ(popNumber(ring, 3), 0);
}

TEST(SendRing, PortIndexIsTakenByItsLowEightBits) {
    SendRing ring;
    ASSERT_TRUE(ring.push(256 + 10, numbered(5)));
    EXPECT_FALSE(ring.isEmpty(10));
    EXPECT_EQ(popNumber(ring, 10), 5);

    for (const int port : {11, 255, -1, 256 + 11}) {
        EXPECT_FALSE(ring.push(port, numbered(1))) << port;
        EXPECT_TRUE(ring.isEmpty(port)) << port;
        EXPECT_EQ(popNumber(ring, port), -1) << port;
    }
}

// As in the library: callers push from their threads while the pump looks and pops on its own. More
// frames than the ring holds, so the callers also meet a full ring and retry.
TEST(SendRing, CallersAndThePumpShareTheRings) {
    constexpr int kCallers = 3;
    constexpr int kFramesEach = 3000;
    constexpr int kPort = ostrel::kUdpPortIndex;
    SendRing ring;

    std::vector<std::thread> callers;
    for (int sender = 0; sender < kCallers; ++sender) {
        callers.emplace_back([&ring, sender] {
            for (int i = 0; i < kFramesEach;) {
                if (ring.push(kPort, numbered(i, sender)))
                    ++i;
            }
        });
    }

    std::array<int, kCallers> nextExpected{};
    std::uint32_t lastFrameNumber = 0;
    for (int received = 0; received < kCallers * kFramesEach;) {
        if (ring.isEmpty(kPort)) {
            std::this_thread::yield();
            continue;
        }
        SendRecord record;
        const bool popped = ring.pop(kPort, record);
        // Only this thread pops, so a ring seen non-empty stays so; the loop goes on regardless, since
        // the callers need it to drain the ring before they can finish.
        EXPECT_TRUE(popped);
        if (!popped)
            continue;
        ++received;
        const int sender = record.bytes[1];
        if (sender >= kCallers) {
            ADD_FAILURE() << "frame from unknown caller " << sender;
            continue;
        }
        EXPECT_EQ(numberOf(record), nextExpected[sender]) << "caller " << sender;
        EXPECT_EQ(record.frameNumber, lastFrameNumber + 1) << "numbered in the order the ring took them";
        lastFrameNumber = record.frameNumber;
        nextExpected[sender] = numberOf(record) + 1;
    }
    for (auto& caller : callers)
        caller.join();
    EXPECT_TRUE(ring.isEmpty(kPort));
}
