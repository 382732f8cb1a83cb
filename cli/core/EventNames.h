#pragma once

#include <cstdint>
#include <string_view>

namespace tarvex::cli {

// Names for Ostrel's codes in snake_case, as the program prints them and scripts match them. Each
// returns "unknown" for a code Ostrel does not define.

// An OstrelEvent: "zone_alarm_set", "terminal_on_line", ...
std::string_view eventName(std::int32_t eventCode);
// Zone events carry the zone number as their index; the others carry 0.
bool isZoneEvent(std::int32_t eventCode);
// An OstrelOutcomeKind: "answered", "failed", "unreachable", "discarded", "line_lost", "line_reopened".
std::string_view outcomeName(std::int32_t kind);
// An OstrelCommandCode, by the command that sends it: "lamp", "display", ... ("arm/disarm" for both).
std::string_view commandCodeName(std::int32_t code);
// An OstrelTerminalState: "never_heard", "on_line", "on_line_status_bit2", "on_line_status_bit6", "off_line".
std::string_view terminalStateName(std::int32_t state);
// An OstrelZoneState: "none" (nothing reported), "normal", "alarm".
std::string_view zoneStateName(std::int32_t state);

} // namespace tarvex::cli
