#pragma once

#include <QString>
#include <cstdint>

// One terminal the tool knows, from an Ostrel event or added by hand.
struct TerminalEntry {
    std::uint8_t portNumber = 0; // 1..10 COM1..COM10, 11 the UDP port
    std::uint8_t addressA = 0;
    std::uint8_t addressB = 0;
    bool onLine = false;
    // "port.A.B" for terminals reported by Ostrel; the text as typed for terminals added by hand.
    QString addressText;
};
