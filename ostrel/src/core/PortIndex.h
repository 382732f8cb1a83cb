#pragma once

// Ports inside Ostrel are indexes: 0..9 are COM1..COM10, 10 is the UDP port. Everything that leaves
// the library (callbacks, command and query arguments) uses the index plus one.
namespace ostrel {

inline constexpr int kSerialPortCount = 10;
inline constexpr int kPortCount = 11;
inline constexpr int kUdpPortIndex = 10;

// Start_Ostrel's selector: 1..10 name COM1..COM10, anything else is a UDP port number.
constexpr bool isSerialPortNumber(int portNumber) {
    return portNumber >= 1 && portNumber <= kSerialPortCount;
}

constexpr int portNumberOf(int portIndex) {
    return portIndex + 1;
}

} // namespace ostrel
