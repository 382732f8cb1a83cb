#pragma once

#include "WaitUntil.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

// A pseudo-terminal standing in for a serial line. The test holds the master side; the code under test
// opens the slave by name, through the device link dev/COMn of the working folder.
class PtyLine {
public:
    PtyLine() {
        int slave = -1;
        char name[256] = {};
        if (openpty(&master_, &slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        slave_ = slave;
        slaveName_ = name;
    }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;
    ~PtyLine() {
        releaseSlave();
        if (master_ >= 0)
            ::close(master_);
    }

    const std::string& slaveName() const { return slaveName_; }

    // Places dev/COMn in the working folder, pointing at this line.
    void linkAs(int comNumber) const {
        std::filesystem::create_directories("dev");
        const auto link = std::filesystem::path("dev") / ("COM" + std::to_string(comNumber));
        std::filesystem::remove(link);
        std::filesystem::create_symlink(slaveName_, link);
    }

    // Once the code under test has the slave open, our own descriptor must go, or hang-ups are never seen.
    void releaseSlave() {
        if (slave_ >= 0)
            ::close(slave_);
        slave_ = -1;
    }

    // Waits until the line holds `count` unread bytes (pty bytes take a moment to cross); needs the slave
    // descriptor, so call it before releaseSlave().
    bool waitQueued(int count) const {
        return waitUntil([&] {
            int n = 0;
            return ::ioctl(slave_, FIONREAD, &n) == 0 && n >= count;
        });
    }

    // The far end goes away, as when a cable is pulled.
    void hangUp() {
        ::close(master_);
        master_ = -1;
    }

    void send(const std::vector<std::uint8_t>& bytes) const {
        if (::write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("pty write failed");
    }

    // Waits for `count` bytes from the code under test, at most `timeoutMs`; returns what arrived.
    std::vector<std::uint8_t> receive(std::size_t count, int timeoutMs = 5000) const {
        std::vector<std::uint8_t> bytes;
        while (bytes.size() < count) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                break;
            std::uint8_t chunk[256];
            const ssize_t n = ::read(master_, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (n <= 0)
                break;
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
        return bytes;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
};

// Runs a test in a fresh working folder of its own, as the library finds its device links there.
class ScratchFolder {
public:
    ScratchFolder() : previous_(std::filesystem::current_path()) {
        char pattern[] = "/tmp/ostrel-test-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        std::filesystem::current_path(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};
