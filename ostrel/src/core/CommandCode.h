#pragma once

#include <cstdint>

namespace ostrel {

// Command codes in the PC's own numbering, as the canonical frame carries them.
enum class CommandCode : std::uint8_t {
    TerminalControl = 5,
    SingleOutput = 6,
    SingleLight = 7,
    BuzzerControl = 8,
    LcdDisplay = 10,
    LcdClean = 11,
    Message = 12,
    AllOutput = 13,
    SetupTime = 32,
    ConfigName = 33,
    ConfigFunction = 34,
    Powerup = 95,
};

// Reply codes are the sent code with this bit set; acknowledgements are the report code with it set.
inline constexpr std::uint8_t kReplyBit = 0x80;

} // namespace ostrel
