#pragma once

namespace ostrel {

// Event codes of the terminal-event callback.
enum TerminalEvent : int {
    ZoneFlagCleared = 0,
    ZoneFlagSet = 1,
    ZoneAlarmSet = 2,
    ZoneAlarmCleared = 3,
    StatusBit2Set = 4,
    StatusBit2Cleared = 5,
    StatusBit6Set = 6,
    StatusBit6Cleared = 7,
    TerminalOffLine = 8,
    TerminalOnLine = 9,
    StatusBit0Clear = 10,
    StatusBit0Set = 11,
    StatusBit1Set = 12,
    BlockOffLine = 13,
    BlockOnLine = 14,
    PortEntryOffLine = 15,
    PortEntryOnLine = 16,
};

// The record at addressB 255 stands for its whole block; the one at 255.255 for its whole port.
inline constexpr unsigned kBlockAddress = 255;

} // namespace ostrel
