// The send pump in synthetic time: routes, wire forms, resends, replies and give-ups.
#include "support/CoreHarness.h"

using ostrel::kUdpPortIndex;

namespace {

using Bytes = std::vector<std::uint8_t>;

class SendPumpTest : public CoreHarness {
protected:
    void SetUp() override {
        core.storeValues(1000, 3);
        core.startTimers();
    }
};

} // namespace

TEST_F(SendPumpTest, EachProtocolGetsItsOwnWireForm) {
    hearOnUdp(1, 2, 1);
    ASSERT_TRUE(queueLcdClean(kUdpPortIndex, 1, 2));
    tick();
    ASSERT_EQ(transport.datagrams.size(), 1u);
    EXPECT_EQ(transport.datagrams[0].bytes, (Bytes{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x0B, 0x16}));
    EXPECT_EQ(transport.datagrams[0].host, kTerminalHost);
    EXPECT_EQ(transport.datagrams[0].port, kTerminalPort);
}

TEST_F(SendPumpTest, NetworkAndSerialTerminalsGetProtocolTwoFrames) {
    hearOnUdp(1, 2, 2);
    hearOnSerial(3, 1, 2, 2);
    ASSERT_TRUE(queueLcdClean(kUdpPortIndex, 1, 2));
    ASSERT_TRUE(queueLcdClean(3, 1, 2));
    tick();
    ASSERT_EQ(transport.datagrams.size(), 1u);
    EXPECT_EQ(transport.datagrams[0].bytes,
              (Bytes{0xC0, 0xA8, 0x01, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0D, 0x16, 0x66}));
    EXPECT_EQ(transport.datagrams[0].host, kTerminalHost) << "sent to the address the frame came from";
    ASSERT_EQ(transport.serialWrites.size(), 1u);
    EXPECT_EQ(transport.serialWrites[0].portIndex, 3);
    EXPECT_EQ(transport.serialWrites[0].bytes, (Bytes{0x01, 0x02, 0x05, 0x16, 0xE1}));
}

TEST_F(SendPumpTest, ResendsEverySecondAndGivesUpAtTheRetryLimit) {
    hearOnUdp(1, 2, 1);
    queueLcdClean(kUdpPortIndex, 1, 2);
    tick();
    ASSERT_EQ(transport.datagrams.size(), 1u);
    ticks(9);
    EXPECT_EQ(transport.datagrams.size(), 1u) << "no resend within the second";
    tick();
    ASSERT_EQ(transport.datagrams.size(), 2u);
    EXPECT_EQ(transport.datagrams[1].bytes, transport.datagrams[0].bytes) << "resent unchanged";
    ticks(10);
    EXPECT_EQ(transport.datagrams.size(), 3u);
    EXPECT_TRUE(recorded.sendFailures.empty());
    ticks(9);
    EXPECT_TRUE(recorded.sendFailures.empty());
    tick(); // three seconds after the first sending
    ASSERT_EQ(recorded.sendFailures.size(), 1u);
    EXPECT_EQ(recorded.sendFailures[0], (RecordedCallbacks::Call{11, 1, 2, 11}));
    EXPECT_EQ(transport.datagrams.size(), 3u) << "three sendings in all";
    EXPECT_FALSE(core.sendPump().state(kUdpPortIndex).awaitingReply);
}

TEST_F(SendPumpTest, RetryLimitOneFailsAfterOneSendingAndZeroOnlyAfterTheCountWraps) {
    hearOnUdp(1, 2, 1);
    core.storeValues(1000, 1);
    queueLcdClean(kUdpPortIndex, 1, 2);
    ticks(11);
    EXPECT_EQ(transport.datagrams.size(), 1u);
    EXPECT_EQ(recorded.sendFailures.size(), 1u);

    forget();
    core.storeValues(1000, 0);
    queueLcdClean(kUdpPortIndex, 1, 2);
    ticks(1 + 255 * 10);
    EXPECT_EQ(transport.datagrams.size(), 256u);
    EXPECT_EQ(recorded.sendFailures.size(), 1u);
    tick();
    tick();
    ticks(8);
    EXPECT_EQ(recorded.sendFailures.size(), 2u) << "after 256 sendings";
}

TEST_F(SendPumpTest, ARepliedFrameLetsTheNextGoAtOnceOnUdp) {
    hearOnUdp(1, 2, 2);
    queueLcdClean(kUdpPortIndex, 1, 2);
    queueLcdClean(kUdpPortIndex, 1, 2);
    tick();
    ASSERT_EQ(transport.datagrams.size(), 1u);
    datagram(wire::network(kTerminalAddress, 1, 2, 0x16 | 0x80));
    EXPECT_EQ(transport.datagrams.size(), 2u) << "the reply runs the pump at once";
    datagram(wire::network(kTerminalAddress, 1, 2, 0xFC));
    EXPECT_FALSE(core.sendPump().state(kUdpPortIndex).awaitingReply) << "0xFC counts as the reply too";
    ticks(40);
    EXPECT_TRUE(recorded.sendFailures.empty());
    EXPECT_TRUE(recorded.events.empty()) << "a reply is not a report";
}

TEST_F(SendPumpTest, CanonicalRepliesMatchAddressAndCode) {
    hearOnUdp(1, 2, 1);
    queueLcdClean(kUdpPortIndex, 1, 2);
    tick();
    datagram(wire::canonical(1, 3, 0x8B)); // another terminal's reply
    datagram(wire::canonical(1, 2, 0x8C)); // another command's reply
    EXPECT_TRUE(core.sendPump().state(kUdpPortIndex).awaitingReply);
    datagram(wire::canonical(1, 2, 0x8B));
    EXPECT_FALSE(core.sendPump().state(kUdpPortIndex).awaitingReply);
}

TEST_F(SendPumpTest, SerialRepliesEndTheWaitInBothForms) {
    hearOnSerial(0, 1, 2, 1);
    hearOnSerial(1, 1, 2, 2);
    queueLcdClean(0, 1, 2);
    queueLcdClean(1, 1, 2);
    tick();
    ASSERT_EQ(transport.serialWrites.size(), 2u);
    lines.arrive(0, wire::canonical(1, 2, 0x8B));
    lines.arrive(1, wire::serial(1, 2, 0x96));
    tick();
    EXPECT_FALSE(core.sendPump().state(0).awaitingReply);
    EXPECT_FALSE(core.sendPump().state(1).awaitingReply);
    EXPECT_EQ(transport.serialWrites.size(), 2u) << "a reply is not acknowledged";
}

TEST_F(SendPumpTest, UnknownTerminalsLoseTheirFramesSilently) {
    queueLcdClean(kUdpPortIndex, 7, 7);
    queueLcdClean(5, 7, 7);
    tick();
    EXPECT_TRUE(transport.datagrams.empty());
    EXPECT_TRUE(transport.serialWrites.empty());
    EXPECT_TRUE(recorded.sendFailures.empty());
    EXPECT_FALSE(core.sendPump().state(kUdpPortIndex).awaitingReply);
}

TEST_F(SendPumpTest, FramesQueuedBeforeStartWaitAndKeepTheirOrder) {
    core.stopTimers();
    ostrel::LcdDisplayFrame first, second;
    for (auto* frame : {&first, &second}) {
        frame->setAddress(1, 2, 0);
        frame->setCommand(10);
    }
    first.fill(0, "one");
    second.fill(0, "two");
    first.finalize();
    second.finalize();
    ASSERT_TRUE(core.queueFrame(kUdpPortIndex, first));
    ASSERT_TRUE(core.queueFrame(kUdpPortIndex, second));
    hearOnUdp(1, 2, 1);
    tick();
    EXPECT_TRUE(transport.datagrams.empty()) << "no pump before the timers start";

    core.startTimers();
    tick();
    datagram(wire::canonical(1, 2, 0x8A));
    ASSERT_EQ(transport.datagrams.size(), 2u);
    EXPECT_EQ(transport.datagrams[0].bytes[8], 'o');
    EXPECT_EQ(transport.datagrams[1].bytes[8], 't');
}

TEST_F(SendPumpTest, ASlowTerminalHoldsBackOnlyItsOwnPort) {
    hearOnSerial(0, 1, 1, 2);
    hearOnUdp(2, 2, 1);
    queueLcdClean(0, 1, 1);
    queueLcdClean(0, 1, 1);
    for (int i = 0; i < 3; ++i)
        queueLcdClean(kUdpPortIndex, 2, 2);
    tick();
    for (int i = 0; i < 2; ++i)
        datagram(wire::canonical(2, 2, 0x8B));
    EXPECT_EQ(transport.datagrams.size(), 3u);
    EXPECT_EQ(transport.serialWrites.size(), 1u) << "the serial port still waits for its reply";
}

TEST_F(SendPumpTest, StoppedSendingLeavesFramesQueuedAndResendsNothing) {
    hearOnUdp(1, 2, 1);
    queueLcdClean(kUdpPortIndex, 1, 2);
    queueLcdClean(kUdpPortIndex, 1, 2);
    tick();
    core.stopSending();
    datagram(wire::canonical(1, 2, 0x8B));
    ticks(50);
    EXPECT_EQ(transport.datagrams.size(), 1u);
    EXPECT_TRUE(recorded.sendFailures.empty());
}

TEST_F(SendPumpTest, AFullRingRefusesOnlyItsOwnPort) {
    for (int i = 0; i < 1999; ++i)
        ASSERT_TRUE(queueLcdClean(4, 1, 1)) << i;
    EXPECT_FALSE(queueLcdClean(4, 1, 1));
    EXPECT_TRUE(queueLcdClean(5, 1, 1));
}

TEST_F(SendPumpTest, AResendToATerminalThatIsNoLongerKnownGivesUp) {
    hearOnUdp(1, 2, 1);
    queueLcdClean(kUdpPortIndex, 1, 2);
    tick();
    core.onConnectionLost(); // forgets every terminal
    ticks(10);
    ASSERT_EQ(recorded.sendFailures.size(), 1u);
    EXPECT_EQ(transport.datagrams.size(), 1u);
}

// A reply on the UDP port lets the UDP port's next frame go at once; it is no tick for any other port,
// whose frame keeps its one-second rhythm however quickly a UDP terminal answers.
TEST_F(SendPumpTest, AUdpReplyHurriesOnlyTheUdpPort) {
    hearOnUdp(1, 2, 1);
    hearOnSerial(0, 5, 6, 1);
    ASSERT_TRUE(queueLcdClean(0, 5, 6)); // never answered
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(queueLcdClean(kUdpPortIndex, 1, 2));
    tick();
    for (int i = 0; i < 40; ++i)
        datagram(wire::canonical(1, 2, 0x8B));
    EXPECT_EQ(transport.datagrams.size(), 40u) << "each reply sent the next frame at once";
    EXPECT_EQ(transport.serialWrites.size(), 1u) << "COM1's frame is not resent by UDP replies";
    EXPECT_TRUE(recorded.sendFailures.empty());

    ticks(9);
    EXPECT_EQ(transport.serialWrites.size(), 1u);
    tick();
    EXPECT_EQ(transport.serialWrites.size(), 2u) << "one second after its first sending";
    ticks(20);
    EXPECT_EQ(recorded.sendFailures, (std::vector<RecordedCallbacks::Call>{{1, 5, 6, 11}}));
}
