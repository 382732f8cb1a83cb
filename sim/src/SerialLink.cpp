#include "SerialLink.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr int kWriteWaitMs = 1000;

bool farEndIsOpen(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) >= 0 && (p.revents & POLLHUP) == 0;
}

} // namespace

SerialLink::SerialLink(asio::io_context& io, std::string name, int protocolType, SerialLine line,
                       LinkListener& listener)
    : Link(std::move(name), LinkKind::Serial, protocolType), line_(std::move(line)), listener_(listener),
      descriptor_(io, ::dup(line_.fd())), farEndTimer_(io), framer_(layout()) {}

void SerialLink::start() {
    watchFarEnd();
}

std::string SerialLink::description() const {
    std::string text = line_.farEnd();
    if (!line_.deviceLink().empty())
        text += " (" + line_.deviceLink().string() + ")";
    return text;
}

bool SerialLink::send(std::span<const std::uint8_t> frame) {
    if (!up_)
        return false;
    write(frame);
    return true;
}

void SerialLink::watchFarEnd() {
    if (farEndIsOpen(line_.fd())) {
        up_ = true;
        listener_.lineUp(*this);
        awaitInput();
        return;
    }
    farEndTimer_.expires_after(kFarEndPoll);
    farEndTimer_.async_wait([this](const std::error_code& error) {
        if (!error)
            watchFarEnd();
    });
}

void SerialLink::awaitInput() {
    descriptor_.async_wait(asio::posix::stream_descriptor::wait_read, [this](const std::error_code& error) {
        if (error == asio::error::operation_aborted)
            return;
        readInput();
    });
}

void SerialLink::readInput() {
    std::uint8_t chunk[256];
    const ssize_t n = ::read(line_.fd(), chunk, sizeof chunk);
    if (n > 0) {
        for (const auto& piece : framer_.feed(std::span(chunk, static_cast<std::size_t>(n)), Clock::now())) {
            if (piece.error.empty())
                listener_.received(*this, piece.bytes);
            else
                listener_.noise(*this, piece.bytes, piece.error);
        }
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        farEndClosed();
        return;
    }
    awaitInput();
}

void SerialLink::farEndClosed() {
    up_ = false;
    listener_.lineDown(*this);
    watchFarEnd();
}

// Waits a bounded time for room; a frame the line will not take is lost, as on a real line, and the
// PC or the terminal sends again.
void SerialLink::write(std::span<const std::uint8_t> frame) {
    std::size_t done = 0;
    while (done < frame.size()) {
        const ssize_t n = ::write(line_.fd(), frame.data() + done, frame.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        pollfd p{line_.fd(), POLLOUT, 0};
        if (n < 0 && errno == EAGAIN && ::poll(&p, 1, kWriteWaitMs) > 0 && (p.revents & POLLOUT))
            continue;
        return;
    }
}

} // namespace sim
