// The core in synthetic time: each tick() is one 100 ms period, driven by the test.
#include "support/CoreHarness.h"

#include <gtest/gtest.h>

using ostrel::OstrelCore;
using ostrel::Pass;

namespace {

class OstrelCoreTest : public CoreHarness {
protected:
    // The first bytes of a serial frame nine bytes long: the receiver waits for the rest.
    const std::vector<std::uint8_t> kFrameStart{1, 2, 9};
};

} // namespace

TEST_F(OstrelCoreTest, PassesRunOnlyBetweenStartAndStop) {
    lines.receiving[0] = true;
    EXPECT_FALSE(core.anyPassRunning());
    tick();
    EXPECT_EQ(lines.reads, 0) << "no pass before the timers start";

    core.startTimers();
    for (Pass pass : {Pass::SendPump, Pass::CountDown, Pass::ExpiryScan, Pass::SerialReceive})
        EXPECT_TRUE(core.isRunning(pass));
    tick();
    EXPECT_EQ(lines.reads, 1);

    core.stopTimers();
    EXPECT_FALSE(core.anyPassRunning());
    tick();
    EXPECT_EQ(lines.reads, 1);
}

TEST_F(OstrelCoreTest, StoppingTheSendPumpLeavesTheOtherPassesRunning) {
    lines.receiving[4] = true;
    core.startTimers();
    core.stopSending();
    EXPECT_FALSE(core.isRunning(Pass::SendPump));
    EXPECT_TRUE(core.isRunning(Pass::CountDown));
    EXPECT_TRUE(core.isRunning(Pass::ExpiryScan));
    EXPECT_TRUE(core.isRunning(Pass::SerialReceive));
    EXPECT_TRUE(core.anyPassRunning());

    lines.arrive(4, kFrameStart);
    tick();
    EXPECT_EQ(core.serialInput(4).size(), 3u) << "serial input is still read";
}

TEST_F(OstrelCoreTest, SerialReceivePollsOnlyStartedPortsInOrder) {
    lines.receiving[2] = true;
    lines.receiving[9] = true;
    lines.arrive(0, kFrameStart); // never started: not read
    lines.arrive(2, kFrameStart);
    lines.arrive(9, {1, 2});
    core.startTimers();
    tick();
    EXPECT_EQ(lines.reads, 2);
    EXPECT_TRUE(core.serialInput(0).empty());
    EXPECT_EQ(core.serialInput(2).size(), 3u);
    ASSERT_EQ(core.serialInput(9).size(), 2u);
    EXPECT_EQ(core.serialInput(9)[1], 2);
}

TEST_F(OstrelCoreTest, ASerialFrameSplitAcrossTicksIsCollectedAndAQuietTickDiscardsIt) {
    lines.receiving[1] = true;
    core.startTimers();
    const auto frame = wire::serial(1, 2, 0x99, {1, 2, 3, 4});
    lines.arrive(1, {frame.begin(), frame.begin() + 3});
    tick();
    lines.arrive(1, {frame.begin() + 3, frame.begin() + 5});
    tick();
    ASSERT_EQ(core.serialInput(1).size(), 5u);
    EXPECT_EQ(core.serialInput(1)[4], 1);

    tick(); // a whole period without input
    EXPECT_TRUE(core.serialInput(1).empty());
    lines.arrive(1, {frame.begin() + 5, frame.end()});
    ticks(2);
    EXPECT_TRUE(core.serialInput(1).empty());
    EXPECT_TRUE(transport.serialWrites.empty()) << "the late rest makes no frame: nothing answered";
}

// The buffer never overruns: a line is read only as far as there is room, and the rest waits in the line.
TEST_F(OstrelCoreTest, ALineIsReadOnlyAsFarAsTheBufferHasRoom) {
    lines.receiving[3] = true;
    core.startTimers();
    lines.arrive(3, {1, 2, 100}); // a serial frame 100 bytes long, perhaps
    tick();
    ASSERT_EQ(core.serialInput(3).size(), 3u);
    lines.arrive(3, std::vector<std::uint8_t>(200, 0));
    tick();
    EXPECT_EQ(lines.queued[3].size(), 75u) << "125 bytes of room";
    // Whole but no frame: skipped byte by byte, but for the last two, which could still begin one.
    EXPECT_EQ(core.serialInput(3).size(), 2u);
    tick();
    EXPECT_TRUE(lines.queued[3].empty());
}

TEST_F(OstrelCoreTest, StartingTheTimersClearsPartialSerialInput) {
    lines.receiving[0] = true;
    core.startTimers();
    lines.arrive(0, kFrameStart);
    tick();
    ASSERT_EQ(core.serialInput(0).size(), 3u);
    core.startTimers();
    EXPECT_TRUE(core.serialInput(0).empty());
}

TEST_F(OstrelCoreTest, ALostLineForgetsWhatItBrought) {
    lines.receiving[6] = true;
    core.startTimers();
    lines.arrive(6, kFrameStart);
    tick();
    core.serialLineLost(6);
    EXPECT_TRUE(core.serialInput(6).empty());
}

TEST_F(OstrelCoreTest, StoredValuesAndForwardDestinationAreKept) {
    core.storeValues(1000, 3);
    core.storeValues(500, 7); // one pair per context: the last call wins
    EXPECT_EQ(core.replyTimeout(), 500);
    EXPECT_EQ(core.retryLimit(), 7);

    EXPECT_EQ(core.forwardPort(), 0) << "no forwarding until asked";
    core.setForwardDestination({255, 255, 255, 255}, 7000);
    core.setForwardDestination({10, 0, 0, 1}, 7001);
    EXPECT_EQ(core.forwardHost(), (ostrel::Ipv4Address{10, 0, 0, 1}));
    EXPECT_EQ(core.forwardPort(), 7001);
}
