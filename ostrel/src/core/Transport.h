#pragma once

#include "Ipv4Address.h"

#include <cstdint>
#include <span>

namespace ostrel {

// What the core hands to the outside world: bytes to send and a socket to close. Nothing comes in this
// way; what arrives is pushed into the core by the driver. The driver performs it on sockets and serial
// lines; tests keep recordings of it, in synthetic time.
class Transport {
public:
    virtual ~Transport() = default;

    // Sends one datagram from the UDP port, in order with the others; the driver may hold it until the
    // datagrams it is handling are done, never longer. A failure is not reported back: the driver logs a
    // datagram the network refuses, and takes a socket that can send nothing more as lost.
    virtual void sendDatagram(std::span<const std::uint8_t> bytes, const Ipv4Address& host,
                              std::uint16_t port) = 0;
    // Writes bytes to a serial line; failures go unnoticed here (the driver ends a line that fails).
    virtual void writeSerial(int portIndex, std::span<const std::uint8_t> bytes) = 0;
    // Closes the UDP socket after the network dropped it.
    virtual void closeUdp() = 0;
};

} // namespace ostrel
