#include "terminals/SendFailureQueue.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr int kLcdDisplay = 10;
constexpr int kMessage = 12;

TEST(SendFailureQueue, FoldsFailuresIntoTheNewestAndACount) {
    SendFailureQueue queue;
    EXPECT_EQ(queue.take().count, 0U) << "nothing waits at first";
    EXPECT_TRUE(queue.push(11, 1, 2, kLcdDisplay)) << "the first failure asks for a hand-over";
    EXPECT_FALSE(queue.push(3, 4, 5, kLcdDisplay));
    EXPECT_FALSE(queue.push(11 + 256, 7, 8 + 512, kMessage)) << "only the low bytes count";

    const SendFailures taken = queue.take();
    EXPECT_EQ(taken.count, 3U);
    EXPECT_EQ(taken.latest.port, 11);
    EXPECT_EQ(taken.latest.addressA, 7);
    EXPECT_EQ(taken.latest.addressB, 8);
    EXPECT_EQ(taken.latest.commandCode, kMessage);

    EXPECT_EQ(queue.take().count, 0U) << "a take empties it";
    EXPECT_TRUE(queue.push(11, 1, 2, kLcdDisplay)) << "after a hand-over the next failure asks again";
}

// Ostrel's worker floods the queue while the window takes: every failure is counted exactly once, and
// exactly the pushes that found the queue empty ask for a hand-over.
TEST(SendFailureQueue, AWorkerFloodingAndTheWindowTakingShareIt) {
    SendFailureQueue queue;
    constexpr std::uint64_t kFailures = 500000;
    std::atomic<bool> done = false;
    std::uint64_t handOversAsked = 0;
    std::thread worker([&] {
        for (std::uint64_t n = 0; n < kFailures; ++n)
            handOversAsked += queue.push(11, int(n >> 8), int(n), kLcdDisplay) ? 1 : 0;
        done = true;
    });
    std::uint64_t counted = 0;
    std::uint64_t takesWithFailures = 0;
    SendFailure last;
    for (bool finished = false; !finished;) {
        // Read before taking: once the worker is done, this take holds everything it pushed.
        finished = done;
        const SendFailures taken = queue.take();
        if (taken.count == 0)
            continue;
        ++takesWithFailures;
        counted += taken.count;
        last = taken.latest;
    }
    worker.join();
    EXPECT_EQ(counted, kFailures);
    EXPECT_EQ(handOversAsked, takesWithFailures);
    EXPECT_EQ(last.addressA, std::uint8_t((kFailures - 1) >> 8)) << "the newest is the last one pushed";
    EXPECT_EQ(last.addressB, std::uint8_t(kFailures - 1));
}

} // namespace
