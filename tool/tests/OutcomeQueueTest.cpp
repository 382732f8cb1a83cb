#include "terminals/OutcomeQueue.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

OstrelOutcome Answered(std::uint32_t frame) {
    return {OSTREL_FRAME_ANSWERED, OSTREL_PORT_UDP, 1, 2, OSTREL_COMMAND_LCD_CLEAN, frame, 1, 40};
}

TEST(OutcomeQueue, KeepsEveryOutcomeInOrderUpToItsBoundAndCountsTheRest) {
    OutcomeQueue queue(3);
    EXPECT_TRUE(queue.take().outcomes.empty()) << "nothing waits at first";
    EXPECT_TRUE(queue.push(Answered(1))) << "the first outcome asks for a hand-over";
    const OstrelOutcome lineLost{OSTREL_LINE_LOST, 3, OSTREL_WHOLE_BLOCK, OSTREL_WHOLE_BLOCK, 0, 0, 0, 0};
    EXPECT_FALSE(queue.push(lineLost));
    EXPECT_FALSE(queue.push(Answered(2)));
    EXPECT_FALSE(queue.push(Answered(3))) << "a full queue has asked already";
    EXPECT_FALSE(queue.push(Answered(4)));

    const Outcomes taken = queue.take();
    ASSERT_EQ(taken.outcomes.size(), 3U);
    EXPECT_EQ(taken.outcomes[0].frameNumber, 1U);
    EXPECT_EQ(taken.outcomes[1].kind, OSTREL_LINE_LOST);
    EXPECT_EQ(taken.outcomes[1].port, 3);
    EXPECT_EQ(taken.outcomes[2].frameNumber, 2U);
    EXPECT_EQ(taken.lost, 2U) << "what did not fit is counted, nothing folded into what did";

    const Outcomes empty = queue.take();
    EXPECT_TRUE(empty.outcomes.empty());
    EXPECT_EQ(empty.lost, 0U) << "a take empties it, its count of lost ones too";
    EXPECT_TRUE(queue.push(Answered(5))) << "after a hand-over the next outcome asks again";
}

TEST(OutcomeQueue, AQueueWithNoRoomStillAsksForTheHandOverThatTellsTheLoss) {
    OutcomeQueue queue(0);
    EXPECT_TRUE(queue.push(Answered(1)));
    EXPECT_FALSE(queue.push(Answered(2)));
    EXPECT_EQ(queue.take().lost, 2U);
}

// Ostrel's worker floods a small queue while the window takes: each outcome is either handed over, in the
// order it was pushed, or counted as lost, exactly once; exactly the pushes that found the queue empty ask
// for a hand-over.
TEST(OutcomeQueue, AWorkerFloodingAndTheWindowTakingShareIt) {
    OutcomeQueue queue(1000);
    constexpr std::uint32_t kOutcomes = 300000;
    std::atomic<bool> done = false;
    std::uint64_t handOversAsked = 0;
    std::thread worker([&] {
        for (std::uint32_t n = 1; n <= kOutcomes; ++n)
            handOversAsked += queue.push(Answered(n)) ? 1 : 0;
        done = true;
    });
    std::uint64_t received = 0;
    std::uint64_t lost = 0;
    std::uint64_t takesWithNews = 0;
    std::uint32_t lastFrame = 0;
    bool inOrder = true;
    for (bool finished = false; !finished;) {
        // Read before taking: once the worker is done, this take holds everything it pushed.
        finished = done;
        const Outcomes taken = queue.take();
        if (taken.outcomes.empty() && taken.lost == 0)
            continue;
        ++takesWithNews;
        lost += taken.lost;
        received += taken.outcomes.size();
        for (const OstrelOutcome& outcome : taken.outcomes) {
            inOrder = inOrder && outcome.frameNumber > lastFrame;
            lastFrame = outcome.frameNumber;
        }
    }
    worker.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(received + lost, kOutcomes);
    EXPECT_EQ(handOversAsked, takesWithNews);
}

} // namespace
