#include "EventNames.h"

#include "ostrel/ostrel.h"

#include <algorithm>
#include <array>

namespace tarvex::cli {

namespace {

struct CodeName {
    std::int32_t code;
    std::string_view name;
};

template <std::size_t N> std::string_view nameOf(const std::array<CodeName, N>& names, std::int32_t code) {
    const auto found = std::find_if(names.begin(), names.end(),
                                    [code](const CodeName& entry) { return entry.code == code; });
    return found == names.end() ? "unknown" : found->name;
}

constexpr std::array<CodeName, 17> kEventNames{{
    {OSTREL_EVENT_ZONE_FLAG_CLEARED, "zone_flag_cleared"},
    {OSTREL_EVENT_ZONE_FLAG_SET, "zone_flag_set"},
    {OSTREL_EVENT_ZONE_ALARM_SET, "zone_alarm_set"},
    {OSTREL_EVENT_ZONE_ALARM_CLEARED, "zone_alarm_cleared"},
    {OSTREL_EVENT_STATUS_BIT2_SET, "status_bit2_set"},
    {OSTREL_EVENT_STATUS_BIT2_CLEARED, "status_bit2_cleared"},
    {OSTREL_EVENT_STATUS_BIT6_SET, "status_bit6_set"},
    {OSTREL_EVENT_STATUS_BIT6_CLEARED, "status_bit6_cleared"},
    {OSTREL_EVENT_TERMINAL_OFF_LINE, "terminal_off_line"},
    {OSTREL_EVENT_TERMINAL_ON_LINE, "terminal_on_line"},
    {OSTREL_EVENT_STATUS_BIT0_CLEAR, "status_bit0_clear"},
    {OSTREL_EVENT_STATUS_BIT0_SET, "status_bit0_set"},
    {OSTREL_EVENT_STATUS_BIT1_SET, "status_bit1_set"},
    {OSTREL_EVENT_BLOCK_OFF_LINE, "block_off_line"},
    {OSTREL_EVENT_BLOCK_ON_LINE, "block_on_line"},
    {OSTREL_EVENT_PORT_OFF_LINE, "port_off_line"},
    {OSTREL_EVENT_PORT_ON_LINE, "port_on_line"},
}};

constexpr std::array<CodeName, 6> kOutcomeNames{{
    {OSTREL_FRAME_ANSWERED, "answered"},
    {OSTREL_FRAME_FAILED, "failed"},
    {OSTREL_FRAME_UNREACHABLE, "unreachable"},
    {OSTREL_FRAME_DISCARDED, "discarded"},
    {OSTREL_LINE_LOST, "line_lost"},
    {OSTREL_LINE_REOPENED, "line_reopened"},
}};

constexpr std::array<CodeName, 12> kCommandCodeNames{{
    {OSTREL_COMMAND_TERMINAL_CONTROL, "arm/disarm"},
    {OSTREL_COMMAND_SINGLE_OUTPUT, "output"},
    {OSTREL_COMMAND_SINGLE_LIGHT, "lamp"},
    {OSTREL_COMMAND_BUZZER_CONTROL, "buzzer"},
    {OSTREL_COMMAND_LCD_DISPLAY, "display"},
    {OSTREL_COMMAND_LCD_CLEAN, "clear"},
    {OSTREL_COMMAND_MESSAGE, "message"},
    {OSTREL_COMMAND_ALL_OUTPUT, "outputs"},
    {OSTREL_COMMAND_SETUP_TIME, "clock"},
    {OSTREL_COMMAND_CONFIG_NAME, "name"},
    {OSTREL_COMMAND_CONFIG_FUNCTION, "program"},
    {OSTREL_COMMAND_POWERUP, "powerup"},
}};

constexpr std::array<CodeName, 5> kTerminalStateNames{{
    {OSTREL_STATE_NEVER_HEARD, "never_heard"},
    {OSTREL_STATE_ON_LINE, "on_line"},
    {OSTREL_STATE_ON_LINE_STATUS_BIT2, "on_line_status_bit2"},
    {OSTREL_STATE_ON_LINE_STATUS_BIT6, "on_line_status_bit6"},
    {OSTREL_STATE_OFF_LINE, "off_line"},
}};

constexpr std::array<CodeName, 3> kZoneStateNames{{
    {OSTREL_ZONE_NONE, "none"},
    {OSTREL_ZONE_NORMAL, "normal"},
    {OSTREL_ZONE_ALARM, "alarm"},
}};

} // namespace

std::string_view eventName(std::int32_t eventCode) {
    return nameOf(kEventNames, eventCode);
}

bool isZoneEvent(std::int32_t eventCode) {
    return eventCode >= OSTREL_EVENT_ZONE_FLAG_CLEARED && eventCode <= OSTREL_EVENT_ZONE_ALARM_CLEARED;
}

std::string_view outcomeName(std::int32_t kind) {
    return nameOf(kOutcomeNames, kind);
}

std::string_view commandCodeName(std::int32_t code) {
    return nameOf(kCommandCodeNames, code);
}

std::string_view terminalStateName(std::int32_t state) {
    return nameOf(kTerminalStateNames, state);
}

std::string_view zoneStateName(std::int32_t state) {
    return nameOf(kZoneStateNames, state);
}

} // namespace tarvex::cli
