#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace ostrel {

// What the core asks of the outside world. The driver performs it on sockets and serial lines;
// tests perform it on recordings, in synthetic time.
class Transport {
public:
    virtual ~Transport() = default;

    // Sends one datagram from the UDP port to a dotted IPv4 address; failures go unnoticed.
    virtual void sendDatagram(std::span<const std::uint8_t> bytes, const char* hostText,
                              std::uint16_t port) = 0;
    // Writes bytes to a serial port; failures go unnoticed.
    virtual void writeSerial(int portIndex, std::span<const std::uint8_t> bytes) = 0;
    // True once Start_Ostrel opened this serial port, so the receive pass polls it.
    virtual bool isSerialReceiving(int portIndex) const = 0;
    // Takes what the serial port has queued, at most buffer.size() bytes; 0 when nothing is queued.
    virtual int readSerial(int portIndex, std::span<std::uint8_t> buffer) = 0;
    // Closes the UDP socket after the network dropped it.
    virtual void closeUdp() = 0;
    // The PC's own IPv4 address, which network frames carry as their sender.
    virtual std::array<std::uint8_t, 4> localAddress() const = 0;
};

} // namespace ostrel
