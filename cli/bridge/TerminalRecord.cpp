#include "TerminalRecord.h"

#include "EventNames.h"
#include "ostrel/ostrel.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace tarvex::cli {

namespace {

bool validZone(int zone) {
    return zone >= 1 && zone <= TerminalRecord::kZones;
}

} // namespace

void TerminalRecord::applyEvent(std::int32_t eventCode, int zone) {
    switch (eventCode) {
    case OSTREL_EVENT_TERMINAL_ON_LINE:
        presence_ = Presence::OnLine;
        break;
    case OSTREL_EVENT_TERMINAL_OFF_LINE:
        presence_ = Presence::OffLine;
        break;
    case OSTREL_EVENT_STATUS_BIT0_SET:
    case OSTREL_EVENT_STATUS_BIT0_CLEAR:
        statusBit0_ = eventCode == OSTREL_EVENT_STATUS_BIT0_SET;
        break;
    case OSTREL_EVENT_STATUS_BIT2_SET:
    case OSTREL_EVENT_STATUS_BIT2_CLEARED:
        statusBit2_ = eventCode == OSTREL_EVENT_STATUS_BIT2_SET;
        break;
    case OSTREL_EVENT_STATUS_BIT6_SET:
    case OSTREL_EVENT_STATUS_BIT6_CLEARED:
        statusBit6_ = eventCode == OSTREL_EVENT_STATUS_BIT6_SET;
        break;
    case OSTREL_EVENT_ZONE_ALARM_SET:
    case OSTREL_EVENT_ZONE_ALARM_CLEARED:
        if (validZone(zone))
            alarms_[index(zone)] = eventCode == OSTREL_EVENT_ZONE_ALARM_SET;
        break;
    case OSTREL_EVENT_ZONE_FLAG_SET:
    case OSTREL_EVENT_ZONE_FLAG_CLEARED:
        if (validZone(zone))
            flags_[index(zone)] = eventCode == OSTREL_EVENT_ZONE_FLAG_SET;
        break;
    default:
        // Status bit 1 has no event that clears it, so it says nothing lasting; block and port events
        // never reach a terminal's record.
        break;
    }
}

void TerminalRecord::applyArming(bool armed, int zone) {
    if (zone == 0)
        armed_.fill(armed);
    else if (validZone(zone))
        armed_[index(zone)] = armed;
}

std::string_view TerminalRecord::stateName() const {
    switch (presence_) {
    case Presence::NeverHeard:
        return terminalStateName(OSTREL_STATE_NEVER_HEARD);
    case Presence::OffLine:
        return terminalStateName(OSTREL_STATE_OFF_LINE);
    case Presence::OnLine:
        break;
    }
    // As Ostrel's table ranks them: bit 2 before bit 6.
    return terminalStateName(statusBit2_   ? OSTREL_STATE_ON_LINE_STATUS_BIT2
                             : statusBit6_ ? OSTREL_STATE_ON_LINE_STATUS_BIT6
                                           : OSTREL_STATE_ON_LINE);
}

std::string TerminalRecord::stateJson() const {
    nlohmann::ordered_json zonesInAlarm = nlohmann::ordered_json::array();
    nlohmann::ordered_json zoneFlags = nlohmann::ordered_json::array();
    for (int zone = 1; zone <= kZones; ++zone) {
        if (zoneAlarm(zone))
            zonesInAlarm.push_back(zone);
        if (zoneFlag(zone).value_or(false))
            zoneFlags.push_back(zone);
    }
    return nlohmann::ordered_json{{"state", stateName()},           {"status_bit0", statusBit0_},
                                  {"status_bit2", statusBit2_},     {"status_bit6", statusBit6_},
                                  {"zones_in_alarm", zonesInAlarm}, {"zone_flags", zoneFlags}}
        .dump();
}

std::optional<std::string_view> TerminalRecord::panelState() const {
    if (std::find(alarms_.begin(), alarms_.end(), true) != alarms_.end())
        return "triggered";
    const auto known = std::count_if(armed_.begin(), armed_.end(), [](auto a) { return a.has_value(); });
    if (known == 0)
        return std::nullopt;
    const auto armed = std::count(armed_.begin(), armed_.end(), std::optional(true));
    if (armed == kZones)
        return "armed_away";
    return armed == 0 ? "disarmed" : "armed_custom_bypass";
}

} // namespace tarvex::cli
