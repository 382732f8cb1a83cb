#include "terminals/TerminalEventQueue.h"

#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace {

constexpr int kOnLine = 9;
constexpr int kOffLine = 8;
constexpr int kAlarm = 3;

std::uint32_t Bit(int code) {
    return std::uint32_t{1} << code;
}

TEST(TerminalEventQueue, EachTerminalWaitsOnceWithItsNewestCodeAndEveryCodeSeen) {
    TerminalEventQueue queue;
    EXPECT_TRUE(queue.push(11, 1, 2, kOnLine)) << "the first event asks for a hand-over";
    EXPECT_FALSE(queue.push(11, 3, 4, kOnLine));
    EXPECT_FALSE(queue.push(11, 1, 2, kAlarm));
    EXPECT_FALSE(queue.push(11, 1, 2, kOffLine));
    EXPECT_FALSE(queue.push(11 + 256, 3, 4 + 512, kOffLine)) << "only the low bytes count";

    const std::vector<TerminalChange> changes = queue.take();
    ASSERT_EQ(changes.size(), 2U);
    EXPECT_EQ(changes[0].addressB, 2) << "in the order the terminals first spoke";
    EXPECT_EQ(changes[0].lastCode, kOffLine) << "the newest wins";
    EXPECT_EQ(changes[0].codesSeen, Bit(kOnLine) | Bit(kAlarm) | Bit(kOffLine)) << "no transition is lost";
    EXPECT_EQ(changes[1].port, 11);
    EXPECT_EQ(changes[1].lastCode, kOffLine);

    EXPECT_TRUE(queue.take().empty());
    EXPECT_TRUE(queue.push(11, 1, 2, kOnLine)) << "after a hand-over the next event asks again";
}

TEST(TerminalEventQueue, AFloodWaitsAsOneChangePerTerminal) {
    TerminalEventQueue queue;
    for (int round = 0; round < 20; ++round)
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b)
                queue.push(11, a, b, round % 2 == 0 ? kOnLine : kOffLine);
    const std::vector<TerminalChange> changes = queue.take();
    EXPECT_EQ(changes.size(), 65536U);
    EXPECT_EQ(changes.back().lastCode, kOffLine);
    EXPECT_EQ(changes.back().codesSeen, Bit(kOnLine) | Bit(kOffLine));
}

// The worker pushes while the window takes: nothing is lost or seen twice per push, and exactly the pushes
// that found the queue empty ask for a hand-over.
TEST(TerminalEventQueue, AWorkerAndTheWindowShareIt) {
    TerminalEventQueue queue;
    constexpr int kTerminals = 20000;
    std::atomic<bool> done = false;
    int handOversAsked = 0;
    std::thread worker([&] {
        for (int n = 0; n < kTerminals; ++n)
            handOversAsked += queue.push(n >> 16, (n >> 8) & 0xFF, n & 0xFF, kOnLine) ? 1 : 0;
        done = true;
    });
    std::set<int> heard;
    int takesWithChanges = 0;
    for (bool finished = false; !finished;) {
        // Read before taking: once the worker is done, this take holds everything it pushed.
        finished = done;
        const std::vector<TerminalChange> changes = queue.take();
        takesWithChanges += changes.empty() ? 0 : 1;
        for (const TerminalChange& change : changes)
            EXPECT_TRUE(heard.insert(change.port << 16 | change.addressA << 8 | change.addressB).second);
    }
    worker.join();
    EXPECT_EQ(heard.size(), std::size_t{kTerminals});
    EXPECT_EQ(handOversAsked, takesWithChanges);
}

} // namespace
