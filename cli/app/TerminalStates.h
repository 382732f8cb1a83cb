#pragma once

#include "OstrelLink.h"
#include "PortSpec.h"
#include "TerminalAddress.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace tarvex::cli {

// A terminal's line in Ostrel's terminal table, read at one moment.
struct TerminalStateReading {
    struct Zone {
        std::int32_t state; // OstrelZoneState
        bool flag;
    };
    PortSpec port;
    TerminalAddress address;
    std::int32_t state; // OstrelTerminalState
    bool reportsFlags;  // its status reports carry zone flags
    std::array<Zone, 8> zones;
};

TerminalStateReading readTerminalState(const OstrelLink& link, const PortSpec& port, TerminalAddress address);

// A table with a header row, or JSON objects one per line:
// {"port", "address", "state", "zones": [{"zone", "state", "flag"}...]} (flag null without zone flags).
void printTerminalStates(std::FILE* out, const std::vector<TerminalStateReading>& readings, bool json);

} // namespace tarvex::cli
