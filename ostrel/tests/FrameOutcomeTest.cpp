// What became of each queued frame, in synthetic time: exactly one outcome per frame, in order, with how
// often it went out and how long after its first sending its fate came; serial line events among them.
#include "support/CoreHarness.h"

#include <algorithm>
#include <map>

using ostrel::kUdpPortIndex;

namespace {

constexpr int kUdp = OSTREL_PORT_UDP;
constexpr int kWhole = OSTREL_WHOLE_BLOCK;
constexpr int kClean = OSTREL_COMMAND_LCD_CLEAN;

using Outcome = OutcomeLog::Outcome;

class FrameOutcomeTest : public CoreHarness {
protected:
    void SetUp() override {
        core.storeValues(1000, 3);
        core.startTimers();
    }

    std::vector<Outcome> outcomes() const { return recorded.outcomes.all(); }
    // The replies a terminal gives to the clean command, in each wire form.
    void replyOverUdp(std::uint8_t a, std::uint8_t b) { datagram(wire::canonical(a, b, 0x8B)); }
    void replyOnSerial(int portIndex, std::uint8_t a, std::uint8_t b) {
        lines.arrive(portIndex, wire::serial(a, b, 0x16 | 0x80));
    }
};

} // namespace

TEST_F(FrameOutcomeTest, ARepliedFrameIsAnsweredWithItsSendingsAndTheTimeSinceItsFirstSending) {
    hearOnUdp(1, 2, 1);
    const std::uint32_t first = queueLcdClean(kUdpPortIndex, 1, 2);
    const std::uint32_t second = queueLcdClean(kUdpPortIndex, 1, 2);
    ASSERT_EQ(first, 1u);
    ASSERT_EQ(second, 2u);
    tick(); // the first goes out at 100 ms
    EXPECT_EQ(recorded.outcomes.size(), 0u) << "nothing is settled by sending";
    advance(40);
    replyOverUdp(1, 2); // and the second goes out at once, at 140 ms
    ASSERT_EQ(outcomes(), (std::vector<Outcome>{{OSTREL_FRAME_ANSWERED, kUdp, 1, 2, kClean, first, 1, 40}}));

    ticks(20); // resent at 1140 and 2140 ms
    ASSERT_EQ(transport.datagrams.size(), 4u);
    advance(25);
    replyOverUdp(1, 2);
    ASSERT_EQ(recorded.outcomes.size(), 2u);
    EXPECT_EQ(outcomes()[1], (Outcome{OSTREL_FRAME_ANSWERED, kUdp, 1, 2, kClean, second, 3, 2000 + 25}));
    replyOverUdp(1, 2);
    EXPECT_EQ(recorded.outcomes.size(), 2u) << "a second reply answers nothing more";

    // On a serial line the reply comes with a tick.
    hearOnSerial(4, 5, 5, 2);
    const std::uint32_t serial = queueLcdClean(4, 5, 5);
    tick();
    replyOnSerial(4, 5, 5);
    tick();
    ASSERT_EQ(outcomes(), (std::vector<Outcome>{{OSTREL_FRAME_ANSWERED, 5, 5, 5, kClean, serial, 1, 100}}));
}

TEST_F(FrameOutcomeTest, AFrameGivenUpFailsBesideOnSendFailed) {
    hearOnUdp(1, 2, 1);
    const std::uint32_t unanswered = queueLcdClean(kUdpPortIndex, 1, 2);
    tick();
    ticks(29);
    EXPECT_EQ(recorded.outcomes.size(), 0u);
    tick(); // the third second after the first sending, at the retry limit of 3
    EXPECT_EQ(outcomes(),
              (std::vector<Outcome>{{OSTREL_FRAME_FAILED, kUdp, 1, 2, kClean, unanswered, 3, 3000}}));
    EXPECT_EQ(recorded.sendFailures, (std::vector<RecordedCallbacks::Call>{{kUdp, 1, 2, kClean}}));

    // The terminal is forgotten before its resend is due: given up after one sending. Without an outcome
    // callback the failure is still told the old way.
    hearOnUdp(1, 2, 1);
    const std::uint32_t orphan = queueLcdClean(kUdpPortIndex, 1, 2);
    tick();
    core.onConnectionLost();
    ticks(10);
    EXPECT_EQ(outcomes(), (std::vector<Outcome>{{OSTREL_FRAME_FAILED, kUdp, 1, 2, kClean, orphan, 1, 1000}}));
    EXPECT_EQ(recorded.sendFailures.size(), 2u);

    core.setOutcomeCallback(nullptr);
    hearOnUdp(1, 2, 1);
    queueLcdClean(kUdpPortIndex, 1, 2);
    ticks(31);
    EXPECT_EQ(recorded.outcomes.size(), 0u);
    EXPECT_EQ(recorded.sendFailures.size(), 3u);
}

TEST_F(FrameOutcomeTest, AFrameThatCannotGoOutIsUnreachableWhenItsTurnComes) {
    hearOnUdp(3, 3, 2);
    const std::uint32_t stranger = queueLcdClean(kUdpPortIndex, 7, 7);
    const std::uint32_t wordless = queueLcdClean(kUdpPortIndex, 3, 3, 9); // no network code for 9
    const std::uint32_t fine = queueLcdClean(kUdpPortIndex, 3, 3);
    tick();
    EXPECT_EQ(outcomes(),
              (std::vector<Outcome>{{OSTREL_FRAME_UNREACHABLE, kUdp, 7, 7, kClean, stranger, 0, 0}}))
        << "one frame per port and tick";
    tick();
    ASSERT_EQ(recorded.outcomes.size(), 2u);
    EXPECT_EQ(outcomes()[1], (Outcome{OSTREL_FRAME_UNREACHABLE, kUdp, 3, 3, 9, wordless, 0, 0}));
    EXPECT_TRUE(transport.datagrams.empty());
    tick();
    ASSERT_EQ(transport.datagrams.size(), 1u) << "the next frame goes out";
    EXPECT_EQ(recorded.outcomes.size(), 2u);
    EXPECT_EQ(core.sendPump().state(kUdpPortIndex).frameNumber, fine);
    EXPECT_TRUE(recorded.sendFailures.empty());
}

// Frames on several ports, each meeting one of the fates: numbered in queue order over all ports, each
// settled once, and on each port in the order queued.
TEST_F(FrameOutcomeTest, EveryFrameIsSettledOnceAndEachPortInQueueOrder) {
    core.storeValues(1000, 2);
    hearOnUdp(1, 2, 1);
    hearOnSerial(0, 3, 3, 2);
    std::vector<std::pair<int, std::uint32_t>> queued; // port, number
    for (int round = 0; round < 6; ++round) {
        queued.emplace_back(kUdpPortIndex, queueLcdClean(kUdpPortIndex, 1, 2));
        queued.emplace_back(0, queueLcdClean(0, 3, 3));
        queued.emplace_back(6, queueLcdClean(6, 9, 9)); // never heard on COM7
    }
    for (std::size_t i = 0; i < queued.size(); ++i)
        ASSERT_EQ(queued[i].second, i + 1) << "numbered over all ports together";

    // The UDP terminal answers every other frame; the serial one never does; in between the pump stops and
    // starts again, discarding what awaited a reply.
    for (int period = 0; period < 80; ++period) {
        tick();
        if (period % 7 == 3)
            replyOverUdp(1, 2);
        if (period == 40) {
            core.stopSending();
            ticks(3);
            core.startTimers();
        }
    }
    core.destroy();

    std::map<std::uint32_t, int> settled;
    std::map<int, std::uint32_t> lastOnPort;
    std::map<int, int> kinds;
    for (const Outcome& o : outcomes()) {
        ++settled[o.number];
        ++kinds[o.kind];
        EXPECT_LT(lastOnPort[o.port], o.number) << "out of order on port " << o.port << ": " << o;
        lastOnPort[o.port] = o.number;
        const auto& [port, number] = queued[o.number - 1];
        EXPECT_EQ(o.port, port + 1) << o;
        EXPECT_EQ(o.sendings == 0, o.kind == OSTREL_FRAME_UNREACHABLE || o.elapsedMs == 0) << o;
    }
    EXPECT_EQ(settled.size(), queued.size());
    for (const auto& [number, times] : settled)
        EXPECT_EQ(times, 1) << "frame " << number;
    for (int kind :
         {OSTREL_FRAME_ANSWERED, OSTREL_FRAME_FAILED, OSTREL_FRAME_UNREACHABLE, OSTREL_FRAME_DISCARDED})
        EXPECT_GT(kinds[kind], 0) << "kind " << kind;
}

TEST_F(FrameOutcomeTest, StartingAgainDiscardsTheFrameAwaitingItsReplyAndSendsTheNext) {
    hearOnUdp(1, 2, 1);
    const std::uint32_t first = queueLcdClean(kUdpPortIndex, 1, 2);
    const std::uint32_t second = queueLcdClean(kUdpPortIndex, 1, 2);
    tick();
    core.stopSending();
    ticks(5);
    core.startTimers();
    EXPECT_EQ(outcomes(),
              (std::vector<Outcome>{{OSTREL_FRAME_DISCARDED, kUdp, 1, 2, kClean, first, 1, 500}}));
    replyOverUdp(1, 2);
    EXPECT_EQ(recorded.outcomes.size(), 1u) << "a late reply to a discarded frame answers nothing";
    tick();
    replyOverUdp(1, 2);
    ASSERT_EQ(recorded.outcomes.size(), 2u);
    EXPECT_EQ(outcomes()[1], (Outcome{OSTREL_FRAME_ANSWERED, kUdp, 1, 2, kClean, second, 1, 0}));
}

TEST_F(FrameOutcomeTest, TheDestroyStepDiscardsWhatAwaitsThenWhatIsQueuedAndTakesNoMore) {
    hearOnUdp(1, 2, 1);
    hearOnSerial(1, 4, 4, 1);
    const std::uint32_t udp1 = queueLcdClean(kUdpPortIndex, 1, 2);
    const std::uint32_t com1 = queueLcdClean(1, 4, 4);
    const std::uint32_t udp2 = queueLcdClean(kUdpPortIndex, 1, 2);
    const std::uint32_t com2 = queueLcdClean(1, 4, 4);
    const std::uint32_t udp3 = queueLcdClean(kUdpPortIndex, 1, 2);
    tick();
    advance(250);
    core.destroy();
    EXPECT_EQ(outcomes(), (std::vector<Outcome>{{OSTREL_FRAME_DISCARDED, 2, 4, 4, kClean, com1, 1, 250},
                                                {OSTREL_FRAME_DISCARDED, 2, 4, 4, kClean, com2, 0, 0},
                                                {OSTREL_FRAME_DISCARDED, kUdp, 1, 2, kClean, udp1, 1, 250},
                                                {OSTREL_FRAME_DISCARDED, kUdp, 1, 2, kClean, udp2, 0, 0},
                                                {OSTREL_FRAME_DISCARDED, kUdp, 1, 2, kClean, udp3, 0, 0}}));
    EXPECT_FALSE(core.anyPassRunning());
    EXPECT_EQ(queueLcdClean(kUdpPortIndex, 1, 2), 0u) << "a frame now would never be settled";
    replyOverUdp(1, 2);
    EXPECT_EQ(recorded.outcomes.size(), 5u);
}

// A line that goes away and comes back is told once each way, in its place among the frames' outcomes;
// its terminals' frames take their usual course meanwhile.
TEST_F(FrameOutcomeTest, LineEventsAreToldOnceEachAndInOrderWithFrameOutcomes) {
    core.serialLineOpened(2);
    EXPECT_EQ(recorded.outcomes.size(), 0u) << "a line opened for the first time was never lost";

    hearOnSerial(2, 6, 1, 1);
    const std::uint32_t frame = queueLcdClean(2, 6, 1);
    tick();
    lines.arrive(2, {0x20, 0x06}); // the start of a frame the line will never finish
    tick();
    ASSERT_FALSE(core.serialInput(2).empty());
    lines.receiving[2] = false;
    core.serialLineLost(2);
    EXPECT_TRUE(core.serialInput(2).empty());
    EXPECT_TRUE(core.isSerialLineLost(2));
    core.serialLineLost(2);
    ticks(30);
    core.serialLineOpened(2);
    core.serialLineOpened(2);
    EXPECT_FALSE(core.isSerialLineLost(2));
    EXPECT_EQ(outcomes(), (std::vector<Outcome>{{OSTREL_LINE_LOST, 3, kWhole, kWhole, 0, 0, 0, 0},
                                                {OSTREL_FRAME_FAILED, 3, 6, 1, kClean, frame, 3, 3000},
                                                {OSTREL_LINE_REOPENED, 3, kWhole, kWhole, 0, 0, 0, 0}}));
}
