#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvex::cli {

// A port as Tarvex numbers it: 1 to 10 are the serial lines COM1 to COM10, any other number is the local
// UDP port to bind. Ostrel names every UDP port OSTREL_PORT_UDP once it is open, so both numbers are kept.
struct PortSpec {
    std::int32_t startNumber; // what Start_Ostrel is given and the user typed: 3, 6000
    std::int32_t ostrelPort;  // what commands, queries and callbacks name it by: 3, OSTREL_PORT_UDP

    bool isSerial() const;
    bool operator==(const PortSpec&) const = default;
};

// "3" is COM3, "6000" the UDP port 6000; error says why anything else is no port.
std::optional<PortSpec> parsePortSpec(std::string_view text, std::string& error);

// "COM3", "UDP 6000".
std::string portLabel(const PortSpec& port);

} // namespace tarvex::cli
