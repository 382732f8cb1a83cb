#pragma once

#include <cstdint>
#include <span>

namespace ostrel {

// What the core asks of the outside world. The driver performs it on sockets and serial lines;
// tests perform it on recordings, in synthetic time.
class Transport {
public:
    virtual ~Transport() = default;

    // True once Start_Ostrel opened this serial port, so the receive pass polls it.
    virtual bool isSerialReceiving(int portIndex) const = 0;
    // Takes what the serial port has queued, at most buffer.size() bytes; 0 when nothing is queued.
    virtual int readSerial(int portIndex, std::span<std::uint8_t> buffer) = 0;
    // Closes the UDP socket after the network dropped it.
    virtual void closeUdp() = 0;
};

} // namespace ostrel
