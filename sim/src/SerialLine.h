#pragma once

#include <filesystem>
#include <string>

namespace sim {

// The simulator's end of a serial line: a device opened raw at 9600 baud with 8 data bits, or the master
// side of a new pseudo-terminal whose slave the PC opens as its serial port.
class SerialLine {
public:
    // Both throw std::runtime_error saying what failed.
    static SerialLine openDevice(const std::string& path);
    static SerialLine createPseudoTerminal();

    SerialLine(SerialLine&& other) noexcept;
    SerialLine& operator=(SerialLine&&) = delete;
    ~SerialLine();

    int fd() const { return fd_; }
    // The path the PC opens: the device itself, or the pseudo-terminal's slave.
    const std::string& farEnd() const { return farEnd_; }

    // Places the device link dev/COMn in the working folder, pointing at the far end, so that the PC
    // opens the line as COMn; the line removes the link again when it closes. Throws std::runtime_error
    // when something other than a device link is in the way.
    void placeDeviceLink(const std::filesystem::path& workFolder, int comNumber);
    const std::filesystem::path& deviceLink() const { return deviceLink_; }

private:
    SerialLine(int fd, std::string farEnd) : fd_(fd), farEnd_(std::move(farEnd)) {}

    int fd_ = -1;
    std::string farEnd_;
    std::filesystem::path deviceLink_;
};

} // namespace sim
