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

constexpr short kHangUp = POLLHUP | POLLERR | POLLNVAL;

// Waits for the events; false on time-out or when the line hung up instead.
bool waitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0 && (p.revents & events) != 0 && (p.revents & kHangUp) == 0;
}

bool hasHungUp(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & kHangUp) != 0;
}

bool isTransient(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
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

SerialPort::OpenResult SerialPort::open(int portNumber, int baudRate) {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) {
        if (!hasHungUp(fd_))
            return OpenResult::AlreadyOpen;
        endLine(); // a device may be back at the same link: it is opened below
    }
    const int fd = ::open(devicePath(portNumber).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return OpenResult::Failed;
    // Nobody else may open the line while we hold it.
    if (::ioctl(fd, TIOCEXCL) != 0 || !configure(fd, baudRate)) {
        ::close(fd);
        return OpenResult::Failed;
    }
    fd_ = fd;
    lost_ = false;
    return OpenResult::Opened;
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
    while (done < bytes.size() && fd_ >= 0) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (hasHungUp(fd_))
                endLine();
            else if (!waitFor(fd_, POLLOUT, kWriteWaitMs))
                ++done; // no room within the wait: this byte is lost, the next one follows
        } else {
            endLine();
        }
    }
    return static_cast<int>(bytes.size());
}

SerialPort::ReadResult SerialPort::read(std::span<std::uint8_t> buffer) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return lost_ ? takeLoss() : ReadResult{};
    if (buffer.empty())
        return {};
    int queued = 0;
    if (::ioctl(fd_, FIONREAD, &queued) != 0 || (queued <= 0 && hasHungUp(fd_))) {
        endLine();
        return takeLoss();
    }
    if (queued <= 0)
        return {};
    const std::size_t wanted = std::min(static_cast<std::size_t>(queued), buffer.size());
    ssize_t n = ::read(fd_, buffer.data(), wanted);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd_, POLLIN, kReadWaitMs))
        n = ::read(fd_, buffer.data(), wanted);
    if (n > 0)
        return {static_cast<int>(n), false};
    // Nothing from a line that said it had bytes: it is gone (end of file, or an error).
    if (n == 0 || !isTransient(errno)) {
        endLine();
        return takeLoss();
    }
    return {};
}

void SerialPort::endLine() {
    ::close(fd_);
    fd_ = -1;
    lost_ = true;
}

SerialPort::ReadResult SerialPort::takeLoss() {
    lost_ = false;
    receiving_ = false;
    return {0, true};
}

void SerialPort::close() {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    receiving_ = false;
    lost_ = false;
}

void SerialPort::setReceiving(bool receiving) {
    std::lock_guard lock(mutex_);
    receiving_ = receiving;
}

bool SerialPort::isReceiving() const {
    std::lock_guard lock(mutex_);
    return receiving_;
}

std::array<SerialPort, 10>& serialPorts() {
    static std::array<SerialPort, 10> ports;
    return ports;
}

} // namespace ostrel
