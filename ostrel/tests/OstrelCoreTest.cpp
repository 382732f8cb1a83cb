// The core in synthetic time: each tick() is one 100 ms period, driven by the test.
#include "support/CoreHarness.h"

#include <gtest/gtest.h>

using ostrel::OstrelCore;
using ostrel::Pass;

namespace {

class OstrelCoreTest : public CoreHarness {};

} // namespace

TEST_F(OstrelCoreTest, PassesRunOnlyBetweenStartAndStop) {
    transport.receiving[0] = true;
    EXPECT_FALSE(core.anyPassRunning());
    core.tick();
    EXPECT_EQ(transport.reads, 0) << "no pass before the timers start";

    core.startTimers();
    for (Pass pass : {Pass::SendPump, Pass::CountDown, Pass::ExpiryScan, Pass::SerialReceive})
        EXPECT_TRUE(core.isRunning(pass));
    core.tick();
    EXPECT_EQ(transport.reads, 1);

    core.stopTimers();
    EXPECT_FALSE(core.anyPassRunning());
    core.tick();
    EXPECT_EQ(transport.reads, 1);
}

TEST_F(OstrelCoreTest, StoppingTheSendPumpLeavesTheOtherPassesRunning) {
    transport.receiving[4] = true;
    core.startTimers();
    core.stopSending();
    EXPECT_FALSE(core.isRunning(Pass::SendPump));
    EXPECT_TRUE(core.isRunning(Pass::CountDown));
    EXPECT_TRUE(core.isRunning(Pass::ExpiryScan));
    EXPECT_TRUE(core.isRunning(Pass::SerialReceive));
    EXPECT_TRUE(core.anyPassRunning());

    transport.arrive(4, 3, 0);
    core.tick();
    EXPECT_EQ(core.serialReceiveCount(4), 3) << "serial input is still read";
}

TEST_F(OstrelCoreTest, SerialReceivePollsOnlyStartedPortsInOrder) {
    transport.receiving[2] = true;
    transport.receiving[9] = true;
    transport.arrive(0, 5, 0); // never started: not read
    transport.arrive(2, 4, 0);
    transport.arrive(9, 2, 0x40);
    core.startTimers();
    core.tick();
    EXPECT_EQ(transport.reads, 2);
    EXPECT_EQ(core.serialReceiveCount(0), 0);
    EXPECT_EQ(core.serialReceiveCount(2), 4);
    ASSERT_EQ(core.serialReceiveCount(9), 2);
    EXPECT_EQ(core.serialReceiveBuffer(9)[1], 0x41);
}

TEST_F(OstrelCoreTest, ASerialFrameSplitAcrossTicksIsCollectedAndAQuietTickDiscardsIt) {
    transport.receiving[1] = true;
    core.startTimers();
    transport.arrive(1, 3, 10);
    core.tick();
    transport.arrive(1, 2, 13);
    core.tick();
    ASSERT_EQ(core.serialReceiveCount(1), 5);
    EXPECT_EQ(core.serialReceiveBuffer(1)[4], 14);

    core.tick(); // a whole period without input
    EXPECT_EQ(core.serialReceiveCount(1), 0);
}

TEST_F(OstrelCoreTest, SerialInputThatWouldOverrunTheBufferStartsItAgain) {
    transport.receiving[3] = true;
    core.startTimers();
    transport.arrive(3, 200, 0);
    core.tick();
    ASSERT_EQ(core.serialReceiveCount(3), 128) << "one read takes at most a buffer";
    core.tick();
    ASSERT_EQ(core.serialReceiveCount(3), 72) << "the old bytes are dropped, the new ones kept";
    EXPECT_EQ(core.serialReceiveBuffer(3)[0], 128);
    EXPECT_EQ(core.serialReceiveBuffer(3)[71], 199);
}

TEST_F(OstrelCoreTest, StartingTheTimersClearsPartialSerialInput) {
    transport.receiving[0] = true;
    core.startTimers();
    transport.arrive(0, 6, 0);
    core.tick();
    ASSERT_EQ(core.serialReceiveCount(0), 6);
    core.startTimers();
    EXPECT_EQ(core.serialReceiveCount(0), 0);
}

TEST_F(OstrelCoreTest, StoredValuesAndForwardDestinationAreKept) {
    core.storeValues(1000, 3);
    core.storeValues(500, 7); // one pair per context: the last call wins
    EXPECT_EQ(core.replyTimeout(), 500);
    EXPECT_EQ(core.retryLimit(), 7);

    EXPECT_EQ(core.forwardPort(), 0) << "no forwarding until asked";
    core.setForwardDestination("255.255.255.255", 7000);
    core.setForwardDestination("10.0.0.1", 7001);
    EXPECT_STREQ(core.forwardHost(), "10.0.0.1");
    EXPECT_EQ(core.forwardPort(), 7001);
}
