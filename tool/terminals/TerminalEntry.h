#pragma once

#include <QString>
#include <cstdint>

// One terminal the tool knows, from an Ostrel event or added by hand.
struct TerminalEntry {
    std::uint8_t portNumber = 0; // OSTREL_PORT_COM1..OSTREL_PORT_COM10, or OSTREL_PORT_UDP
    std::uint8_t addressA = 0;
    std::uint8_t addressB = 0;
    bool onLine = false;
    // "port.A.B" for terminals reported by Ostrel; the text as typed for terminals added by hand.
    QString addressText;
};
