#include "SerialPort.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace ostrel {

namespace {

bool toSpeed(int baudRate, speed_t& speed) {
    switch (baudRate) {
    case 1200:
        speed = B1200;
        return true;
    case 2400:
        speed = B2400;
        return true;
    case 4800:
        speed = B4800;
        return true;
    case 9600:
        speed = B9600;
        return true;
    case 19200:
        speed = B19200;
        return true;
    case 38400:
        speed = B38400;
        return true;
    case 57600:
        speed = B57600;
        return true;
    case 115200:
        speed = B115200;
        return true;
    default:
        return false;
    }
}

// Raw bytes at the given speed with 8 data bits; parity, stop bits and flow control stay as the line had
// them.
bool configure(int fd, int baudRate) {
    speed_t speed;
    termios settings{};
    if (!toSpeed(baudRate, speed) || tcgetattr(fd, &settings) != 0)
        return false;
    const tcflag_t kept = settings.c_cflag & (PARENB | PARODD | CSTOPB | CRTSCTS);
    cfmakeraw(&settings);
    settings.c_cflag =
        (settings.c_cflag & ~(PARENB | PARODD | CSTOPB | CRTSCTS | CSIZE)) | kept | CS8 | CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return cfsetispeed(&settings, speed) == 0 && cfsetospeed(&settings, speed) == 0 &&
           tcsetattr(fd, TCSANOW, &settings) == 0;
}

bool waitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0 && (p.revents & events) != 0;
}

} // namespace

std::filesystem::path SerialPort::devicePath(int portNumber) {
    const std::filesystem::path link = std::filesystem::path("dev") / ("COM" + std::to_string(portNumber));
    std::error_code error;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(link, error)) ||
        std::filesystem::exists(link, error))
        return link;
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

bool SerialPort::open(int portNumber, int baudRate) {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0)
        return true;
    const int fd = ::open(devicePath(portNumber).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Nobody else may open the line while we hold it.
    if (::ioctl(fd, TIOCEXCL) != 0 || !configure(fd, baudRate)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool SerialPort::isOpen() const {
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

int SerialPort::write(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0 || bytes.empty())
        return 0;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
                   waitFor(fd_, POLLOUT, kWriteWaitMs)) {
            continue;
        } else {
            // No room within the wait, or a line error: this byte is lost, the next one follows.
            ++done;
        }
    }
    return static_cast<int>(bytes.size());
}

int SerialPort::read(std::span<std::uint8_t> buffer) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0 || buffer.empty())
        return 0;
    int queued = 0;
    if (::ioctl(fd_, FIONREAD, &queued) != 0 || queued <= 0)
        return 0;
    const std::size_t wanted = std::min(static_cast<std::size_t>(queued), buffer.size());
    ssize_t n = ::read(fd_, buffer.data(), wanted);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd_, POLLIN, kReadWaitMs))
        n = ::read(fd_, buffer.data(), wanted);
    return n > 0 ? static_cast<int>(n) : 0;
}

void SerialPort::close() {
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    receiving = false;
}

std::array<SerialPort, 10>& serialPorts() {
    static std::array<SerialPort, 10> ports;
    return ports;
}

} // namespace ostrel
