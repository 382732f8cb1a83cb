#include "SerialLine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace sim {

namespace {

std::runtime_error failure(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

bool makeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return cfsetispeed(&settings, B9600) == 0 && cfsetospeed(&settings, B9600) == 0 &&
           tcsetattr(fd, TCSANOW, &settings) == 0;
}

} // namespace

SerialLine SerialLine::openDevice(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw failure("cannot open " + path);
    if (!makeRaw(fd)) {
        const auto error = failure("cannot set " + path + " to raw 9600 baud");
        ::close(fd);
        throw error;
    }
    return SerialLine(fd, path);
}

SerialLine SerialLine::createPseudoTerminal() {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        throw failure("cannot create a pseudo-terminal");
    // The line keeps its raw settings for whoever opens the slave; our own slave descriptor goes, so that
    // the master shows a hang-up for as long as nobody holds the far end.
    const bool raw = makeRaw(slave);
    ::close(slave);
    if (!raw || ::fcntl(master, F_SETFL, O_NONBLOCK) != 0 || ::fcntl(master, F_SETFD, FD_CLOEXEC) != 0) {
        const auto error = failure("cannot set up the pseudo-terminal");
        ::close(master);
        throw error;
    }
    return SerialLine(master, name);
}

SerialLine::SerialLine(SerialLine&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), farEnd_(std::move(other.farEnd_)),
      deviceLink_(std::move(other.deviceLink_)) {
    other.deviceLink_.clear();
}

SerialLine::~SerialLine() {
    std::error_code ignored;
    if (!deviceLink_.empty() && std::filesystem::read_symlink(deviceLink_, ignored) == farEnd_)
        std::filesystem::remove(deviceLink_, ignored);
    if (fd_ >= 0)
        ::close(fd_);
}

void SerialLine::placeDeviceLink(const std::filesystem::path& workFolder, int comNumber) {
    const auto folder = workFolder / "dev";
    const auto link = folder / ("COM" + std::to_string(comNumber));
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const auto status = std::filesystem::symlink_status(link, error);
    if (std::filesystem::exists(status)) {
        if (!std::filesystem::is_symlink(status))
            throw std::runtime_error(link.string() + " is in the way and is not a device link");
        std::filesystem::remove(link, error);
    }
    std::filesystem::create_symlink(farEnd_, link, error);
    if (error)
        throw std::runtime_error("cannot place " + link.string() + ": " + error.message());
    deviceLink_ = link;
}

} // namespace sim
