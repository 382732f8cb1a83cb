// Names of Ostrel's codes: scripts and brokers match them, so each code has its own, and unknown codes
// say so rather than borrowing one.
#include "EventNames.h"

#include "ostrel/ostrel.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace tarvex::cli;

namespace {

bool isSnakeCase(std::string_view name) {
    return !name.empty() &&
           name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") == std::string_view::npos;
}

} // namespace

TEST(EventNames, EveryOstrelEventHasItsOwnSnakeCaseName) {
    std::set<std::string_view> seen;
    for (int code = OSTREL_EVENT_ZONE_FLAG_CLEARED; code <= OSTREL_EVENT_PORT_ON_LINE; ++code) {
        const auto name = eventName(code);
        EXPECT_NE(name, "unknown") << code;
        EXPECT_TRUE(isSnakeCase(name)) << name;
        EXPECT_TRUE(seen.insert(name).second) << name << " named twice";
    }
    EXPECT_EQ(eventName(OSTREL_EVENT_ZONE_ALARM_SET), "zone_alarm_set");
    EXPECT_EQ(eventName(OSTREL_EVENT_ZONE_ALARM_CLEARED), "zone_alarm_cleared");
    EXPECT_EQ(eventName(OSTREL_EVENT_TERMINAL_ON_LINE), "terminal_on_line");
    EXPECT_EQ(eventName(OSTREL_EVENT_TERMINAL_OFF_LINE), "terminal_off_line");
    EXPECT_EQ(eventName(OSTREL_EVENT_PORT_ON_LINE), "port_on_line");
    EXPECT_EQ(eventName(-1), "unknown");
    EXPECT_EQ(eventName(OSTREL_EVENT_PORT_ON_LINE + 1), "unknown");
}

TEST(EventNames, OnlyTheFourZoneEventsCarryAZone) {
    std::set<int> zoneEvents;
    for (int code = -1; code <= OSTREL_EVENT_PORT_ON_LINE + 1; ++code) {
        if (isZoneEvent(code))
            zoneEvents.insert(code);
    }
    EXPECT_EQ(zoneEvents, (std::set<int>{OSTREL_EVENT_ZONE_FLAG_CLEARED, OSTREL_EVENT_ZONE_FLAG_SET,
                                         OSTREL_EVENT_ZONE_ALARM_SET, OSTREL_EVENT_ZONE_ALARM_CLEARED}));
}

TEST(EventNames, OutcomesCommandCodesAndStatesAreNamed) {
    EXPECT_EQ(outcomeName(OSTREL_FRAME_ANSWERED), "answered");
    EXPECT_EQ(outcomeName(OSTREL_FRAME_FAILED), "failed");
    EXPECT_EQ(outcomeName(OSTREL_FRAME_UNREACHABLE), "unreachable");
    EXPECT_EQ(outcomeName(OSTREL_FRAME_DISCARDED), "discarded");
    EXPECT_EQ(outcomeName(OSTREL_LINE_LOST), "line_lost");
    EXPECT_EQ(outcomeName(OSTREL_LINE_REOPENED), "line_reopened");
    EXPECT_EQ(outcomeName(0), "unknown");

    const std::set<int> codes{
        OSTREL_COMMAND_TERMINAL_CONTROL, OSTREL_COMMAND_SINGLE_OUTPUT,   OSTREL_COMMAND_SINGLE_LIGHT,
        OSTREL_COMMAND_BUZZER_CONTROL,   OSTREL_COMMAND_LCD_DISPLAY,     OSTREL_COMMAND_LCD_CLEAN,
        OSTREL_COMMAND_MESSAGE,          OSTREL_COMMAND_ALL_OUTPUT,      OSTREL_COMMAND_SETUP_TIME,
        OSTREL_COMMAND_CONFIG_NAME,      OSTREL_COMMAND_CONFIG_FUNCTION, OSTREL_COMMAND_POWERUP};
    std::set<std::string_view> names;
    for (const int code : codes)
        names.insert(commandCodeName(code));
    EXPECT_EQ(names,
              (std::set<std::string_view>{"arm/disarm", "output", "lamp", "buzzer", "display", "clear",
                                          "message", "outputs", "clock", "name", "program", "powerup"}));
    EXPECT_EQ(commandCodeName(9), "unknown");

    EXPECT_EQ(terminalStateName(OSTREL_STATE_NEVER_HEARD), "never_heard");
    EXPECT_EQ(terminalStateName(OSTREL_STATE_ON_LINE_STATUS_BIT6), "on_line_status_bit6");
    EXPECT_EQ(terminalStateName(OSTREL_STATE_OFF_LINE), "off_line");
    EXPECT_EQ(terminalStateName(5), "unknown");
    EXPECT_EQ(zoneStateName(OSTREL_ZONE_NONE), "none");
    EXPECT_EQ(zoneStateName(OSTREL_ZONE_ALARM), "alarm");
    EXPECT_EQ(zoneStateName(3), "unknown");
}
