#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>

namespace ostrel {

// One serial line, COM1 to COM10, in raw mode with 8 data bits. Writes wait a bounded time for room;
// reads take only what has already arrived and never block. A line whose device goes away (an adapter
// pulled, the other end of a pseudo-terminal closed) is closed at the first read or write that meets the
// hang-up or an error; the next read reports it lost, and the next open opens the device afresh.
class SerialPort {
public:
    static constexpr int kWriteWaitMs = 1000;
    static constexpr int kReadWaitMs = 2000;

    enum class OpenResult { Failed, AlreadyOpen, Opened };
    struct ReadResult {
        int count = 0;
        bool lineLost = false; // the line went away since the last read; it is closed
    };

    SerialPort() = default;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;
    ~SerialPort() { close(); }

    // COMn is the device link "dev/COMn" in the working folder when there is one, else /dev/ttyS<n-1>.
    static std::filesystem::path devicePath(int portNumber);

    // An open line that is still there is not opened again; one that went away is.
    OpenResult open(int portNumber, int baudRate);
    bool isOpen() const;
    // Writes every byte, waiting at most kWriteWaitMs for room before giving one up; returns the length,
    // or 0 for an empty write or a closed line.
    int write(std::span<const std::uint8_t> bytes);
    // Reads min(queued, buffer size) bytes; 0 when the line is closed or nothing is queued.
    ReadResult read(std::span<std::uint8_t> buffer);
    void close();

    // Set once Start_Ostrel has opened the line: the receive pass polls it from then on, until it is lost.
    void setReceiving(bool receiving);
    bool isReceiving() const;

private:
    // With the mutex held: the line is gone.
    void endLine();
    ReadResult takeLoss();

    mutable std::mutex mutex_;
    int fd_ = -1;
    bool receiving_ = false;
    bool lost_ = false;
};

// The ten serial ports belong to the library, not to a context: they stay open for a later context and
// close when the library is unloaded.
std::array<SerialPort, 10>& serialPorts();

} // namespace ostrel
