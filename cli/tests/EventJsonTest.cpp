// What listen --json prints and the bridge publishes for a terminal event, and the local times in it.
#include "EventJson.h"

#include "LocalTime.h"
#include "ostrel/ostrel.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

using namespace tarvex::cli;
using namespace std::chrono;

namespace {

// 2023-11-14 22:13:20.123 UTC.
const system_clock::time_point kMoment = system_clock::time_point(seconds(1700000000) + milliseconds(123));

// Runs the test in a time zone given as a POSIX rule (no zone files needed), then goes back.
class InTimeZone {
public:
    explicit InTimeZone(const char* rule) {
        if (const char* before = std::getenv("TZ"))
            previous_ = before;
        ::setenv("TZ", rule, 1);
        ::tzset();
    }
    ~InTimeZone() {
        if (previous_)
            ::setenv("TZ", previous_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> previous_;
};

} // namespace

TEST(LocalTime, IsoTimesCarryMillisecondsAndTheZonesOffset) {
    {
        InTimeZone zone("CST-8");
        EXPECT_EQ(isoLocalTime(kMoment), "2023-11-15T06:13:20.123+08:00");
        EXPECT_EQ(readableLocalTime(kMoment), "2023-11-15 06:13:20.123");
        EXPECT_EQ(localClockTime(kMoment), (ClockTime{2023, 11, 15, 6, 13, 20}));
    }
    {
        InTimeZone zone("NST3:30");
        EXPECT_EQ(isoLocalTime(kMoment), "2023-11-14T18:43:20.123-03:30");
    }
    {
        InTimeZone zone("UTC0");
        EXPECT_EQ(isoLocalTime(kMoment - milliseconds(123)), "2023-11-14T22:13:20.000+00:00");
    }
}

TEST(EventJson, ZoneEventsNameTheirZoneAndThePortIsTheUsersNumber) {
    InTimeZone zone("UTC0");
    const PortSpec udp{6000, OSTREL_PORT_UDP};
    const auto alarm =
        terminalEventJson({kMoment, OSTREL_PORT_UDP, 1, 2, 3, OSTREL_EVENT_ZONE_ALARM_SET, ""}, udp);
    EXPECT_EQ(alarm, (nlohmann::json{{"time", "2023-11-14T22:13:20.123+00:00"},
                                     {"port", 6000},
                                     {"address", "1.2"},
                                     {"event", 2},
                                     {"name", "zone_alarm_set"},
                                     {"zone", 3},
                                     {"text", ""}}));
    const auto online =
        terminalEventJson({kMoment, 3, 254, 0, 0, OSTREL_EVENT_TERMINAL_ON_LINE, "PC dropped."}, {3, 3});
    EXPECT_EQ(online["port"], 3);
    EXPECT_EQ(online["address"], "254.0");
    EXPECT_EQ(online["name"], "terminal_on_line");
    EXPECT_TRUE(online["zone"].is_null());
    EXPECT_EQ(online["text"], "PC dropped.");
}
