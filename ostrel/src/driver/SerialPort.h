#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>

namespace ostrel {

// One serial line, COM1 to COM10, in raw mode with 8 data bits. Writes wait a bounded time for room;
// reads take only what has already arrived and never block.
class SerialPort {
public:
    static constexpr int kWriteWaitMs = 1000;
    static constexpr int kReadWaitMs = 2000;

    SerialPort() = default;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;
    ~SerialPort() { close(); }

    // COMn is the device link "dev/COMn" in the working folder when there is one, else /dev/ttyS<n-1>.
    static std::filesystem::path devicePath(int portNumber);

    // True when the port is open after the call; an open port is not opened again.
    bool open(int portNumber, int baudRate);
    bool isOpen() const;
    // Writes every byte, waiting at most kWriteWaitMs for room before giving one up; returns the length,
    // or 0 for an empty write or a closed port.
    int write(std::span<const std::uint8_t> bytes);
    // Reads min(queued, buffer size) bytes; 0 when the port is closed or nothing is queued.
    int read(std::span<std::uint8_t> buffer);
    void close();

    // Set once Start_Ostrel has opened the port: the receive pass polls it from then on.
    std::atomic<bool> receiving{false};

private:
    mutable std::mutex mutex_;
    int fd_ = -1;
};

// The ten serial ports belong to the library, not to a context: they stay open for a later context and
// close when the library is unloaded.
std::array<SerialPort, 10>& serialPorts();

} // namespace ostrel
