// The hand-over from Ostrel's worker threads and the signal watcher to the program's one reading thread.
#include "BlockingQueue.h"

#include <gtest/gtest.h>
#include <thread>

using namespace tarvex::cli;
using namespace std::chrono_literals;
using Queue = BlockingQueue<int>;

TEST(BlockingQueue, ItemsFromOtherThreadsArriveInOrderAndAllOfThem) {
    Queue queue;
    constexpr int kCount = 10000;
    std::thread producer([&] {
        for (int i = 0; i < kCount; ++i)
            queue.push(i);
    });
    for (int expected = 0; expected < kCount; ++expected) {
        const auto item = queue.popUntil(Queue::Clock::now() + 20s);
        ASSERT_TRUE(item);
        ASSERT_EQ(*item, expected);
    }
    producer.join();
}

TEST(BlockingQueue, AnEmptyQueueGivesNothingOnceTheDeadlineHasPassed) {
    Queue queue;
    const auto deadline = Queue::Clock::now() + 50ms;
    EXPECT_FALSE(queue.popUntil(deadline));
    EXPECT_GE(Queue::Clock::now(), deadline);
}

TEST(BlockingQueue, CloseWakesAWaiterWithoutALimitAndKeepsWhatWasQueued) {
    Queue queue;
    queue.push(1);
    std::thread waiter([&] {
        EXPECT_EQ(queue.popUntil(Queue::Clock::time_point::max()), 1);
        // Blocks until close(): nothing else is pushed.
        EXPECT_FALSE(queue.popUntil(Queue::Clock::time_point::max()));
    });
    queue.close();
    waiter.join();
    EXPECT_TRUE(queue.closed());
    queue.push(2);
    EXPECT_FALSE(queue.popUntil(Queue::Clock::time_point::max())) << "pushed after close";
}
