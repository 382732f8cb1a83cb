// Terminals timing out, in synthetic time: one tick is 100 ms, each port counts down every 11 ticks.
#include "support/CoreHarness.h"

#include <gmock/gmock.h>

using ostrel::kUdpPortIndex;
using Event = RecordedCallbacks::Event;

namespace {

class TerminalTimeoutsTest : public CoreHarness {
protected:
    void SetUp() override { core.startTimers(); }

    void hear(std::uint8_t a, std::uint8_t b) { datagram(wire::canonical(a, b, 1)); }

    // Ticks until an event arrives (at most `limit` ticks); returns the number of ticks taken, or -1.
    int ticksUntilEvent(int limit) {
        const std::size_t before = recorded.events.size();
        for (int n = 1; n <= limit; ++n) {
            tick();
            if (recorded.events.size() > before)
                return n;
        }
        return -1;
    }
    int state(std::uint8_t a, std::uint8_t b) {
        std::int32_t value = -1;
        core.table().terminalState(kUdpPortIndex, a, b, value);
        return value;
    }
};

} // namespace

TEST_F(TerminalTimeoutsTest, ASilentTerminalWithATimeoutGoesOffLineInItsWindow) {
    core.table().setTerminalProperty(kUdpPortIndex, 1, 2, 5);
    hear(1, 2);
    forget();
    const int ticks = ticksUntilEvent(200);
    EXPECT_GE(ticks, 44) << "not before four count-down periods";
    EXPECT_LE(ticks, 83);
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 2, 0, 8}}));
    EXPECT_EQ(state(1, 2), 4);
    EXPECT_GE(recorded.refreshes, 1);
}

TEST_F(TerminalTimeoutsTest, HearingATerminalKeepsItOnLine) {
    core.table().setTerminalProperty(kUdpPortIndex, 1, 2, 5);
    for (int second = 0; second < 30; ++second) {
        hear(1, 2);
        ticks(10);
    }
    for (const auto& event : recorded.events)
        EXPECT_NE(event.code, 8);
    EXPECT_EQ(state(1, 2), 1);
}

TEST_F(TerminalTimeoutsTest, ATimeoutOnANeverHeardTerminalExpiresAtOnceAndZeroNever) {
    core.table().setTerminalProperty(kUdpPortIndex, 3, 4, 5);
    core.table().setTerminalProperty(kUdpPortIndex, 3, 6, 0);
    EXPECT_EQ(state(3, 4), 1);
    EXPECT_GT(ticksUntilEvent(30), 0) << "within one sweep of the scan";
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 3, 4, 0, 8}}));
    ticks(200);
    EXPECT_EQ(recorded.events.size(), 1u);
    EXPECT_EQ(state(3, 6), 1);
}

TEST_F(TerminalTimeoutsTest, TwoExpiredTerminalsOfABlockAreReportedInSuccessiveTicks) {
    core.table().setTerminalProperty(kUdpPortIndex, 3, 4, 5);
    core.table().setTerminalProperty(kUdpPortIndex, 3, 9, 5);
    ASSERT_GT(ticksUntilEvent(30), 0);
    EXPECT_EQ(ticksUntilEvent(1), 1);
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 3, 4, 0, 8}, {11, 3, 9, 0, 8}}));
}

TEST_F(TerminalTimeoutsTest, AnExpiredBlockTakesItsTerminalsOffLineAndBringsThemBack) {
    hear(1, 2);
    hear(1, 3);
    hear(1, 255);
    forget();
    // The block record times out after 90 count-down periods of its port.
    const int ticks = ticksUntilEvent(90 * 11 + 40);
    ASSERT_GT(ticks, 89 * 11);
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 255, 0, 13}}));
    EXPECT_EQ(ticksUntilEvent(1), 1);
    EXPECT_EQ(ticksUntilEvent(1), 1);
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 255, 0, 13}, {11, 1, 2, 0, 8}, {11, 1, 3, 0, 8}}));
    EXPECT_EQ(state(1, 2), 4);

    forget();
    hear(1, 255);
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 255, 0, 14}}));
    EXPECT_EQ(state(1, 2), 1);
    EXPECT_EQ(state(1, 3), 1);
}

// Terminals back with their block are given a whole count-down period, as if heard: they do not drop off
// line again at the next scan.
TEST_F(TerminalTimeoutsTest, TerminalsBackWithTheirBlockStayOnLine) {
    core.table().setTerminalProperty(kUdpPortIndex, 1, 2, 200);
    hear(1, 2);
    hear(1, 255);
    ASSERT_GT(ticksUntilEvent(90 * 11 + 40), 0);
    ASSERT_GT(ticksUntilEvent(30), 0);
    ASSERT_EQ(state(1, 2), 4);

    forget();
    hear(1, 255);
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 255, 0, 14}}));
    EXPECT_EQ(state(1, 2), 1);
    ticks(100);
    EXPECT_EQ(recorded.events.size(), 1u) << "no off-line event right after coming back";
    EXPECT_EQ(state(1, 2), 1);
}

// Addresses B 240 to 254 are not given back their state by their block, but they go off line like any
// terminal: announced once, and on line again, with its event, once heard.
TEST_F(TerminalTimeoutsTest, TerminalsAbove239GoOffLineAndComeBackLikeAnyOther) {
    for (auto [a, b] : {std::pair{1, 240}, std::pair{2, 7}}) {
        core.table().setTerminalProperty(kUdpPortIndex, a, b, 5);
        hear(a, b);
    }
    forget();
    ticks(300);
    // Both expire in the same count-down pass; which the scan meets first depends on where it stands.
    EXPECT_THAT(recorded.events,
                ::testing::UnorderedElementsAre(Event{11, 1, 240, 0, 8}, Event{11, 2, 7, 0, 8}));
    EXPECT_EQ(state(1, 240), 4);

    forget();
    hear(1, 240);
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 240, 0, 9}})) << "heard again, on line again";
    ticks(300);
    EXPECT_EQ(recorded.events, (std::vector<Event>{{11, 1, 240, 0, 9}, {11, 1, 240, 0, 8}}))
        << "expired again, announced once";
}
