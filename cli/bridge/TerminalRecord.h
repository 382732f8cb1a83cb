#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tarvex::cli {

// What the bridge knows of one terminal, gathered from its events and its answered arm and disarm
// commands: all it republishes when the broker comes back.
class TerminalRecord {
public:
    static constexpr int kZones = 8;

    // An OstrelEvent of the terminal; zone is the event's index (1..8 for zone events).
    void applyEvent(std::int32_t eventCode, int zone);
    // An arm (armed) or disarm command the terminal answered, for zone 1..8 or all zones (0).
    void applyArming(bool armed, int zone);

    bool onLine() const { return presence_ == Presence::OnLine; }
    // Ostrel's name of the state, as GetTerminalState would give it: never_heard, on_line,
    // on_line_status_bit2, on_line_status_bit6 or off_line.
    std::string_view stateName() const;
    // {"state", "status_bit0", "status_bit2", "status_bit6", "zones_in_alarm": [..], "zone_flags": [..]}
    std::string stateJson() const;
    bool zoneAlarm(int zone) const { return alarms_[index(zone)]; }
    // Known only once a long status report has carried the zone's flag.
    std::optional<bool> zoneFlag(int zone) const { return flags_[index(zone)]; }
    // Home Assistant's alarm panel state: triggered while a zone is in alarm, else what the answered arm
    // and disarm commands left: armed_away with every zone armed, disarmed with none, armed_custom_bypass
    // with some; nothing while neither is known.
    std::optional<std::string_view> panelState() const;

private:
    enum class Presence { NeverHeard, OnLine, OffLine };
    static std::size_t index(int zone) { return static_cast<std::size_t>(zone - 1); }

    Presence presence_ = Presence::NeverHeard;
    bool statusBit0_ = false;
    bool statusBit2_ = false;
    bool statusBit6_ = false;
    std::array<bool, kZones> alarms_{};
    std::array<std::optional<bool>, kZones> flags_{};
    std::array<std::optional<bool>, kZones> armed_{};
};

} // namespace tarvex::cli
