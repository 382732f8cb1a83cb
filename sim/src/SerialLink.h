#pragma once

#include "Link.h"
#include "SerialFramer.h"
#include "SerialLine.h"

#include <asio/io_context.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <vector>

namespace sim {

// Terminals on one serial line. A frame goes out as soon as a terminal has it, so frames of several
// terminals may follow each other back to back and reach the PC in one read, as on a busy line. On a
// pseudo-terminal the terminals start when the PC opens the far end, and nothing is written while the far
// end is closed (it would reach the PC stale).
class SerialLink final : public Link {
public:
    static constexpr std::chrono::milliseconds kFarEndPoll{100};

    SerialLink(asio::io_context& io, std::string name, int protocolType, SerialLine line,
               LinkListener& listener);

    void start() override;

    std::string description() const override;
    Ipv4 senderAddress() const override { return {}; }
    bool send(std::span<const std::uint8_t> frame) override;

private:
    using Clock = std::chrono::steady_clock;

    void watchFarEnd();
    void awaitInput();
    void readInput();
    void farEndClosed();
    void write(std::span<const std::uint8_t> frame);

    SerialLine line_;
    LinkListener& listener_;
    asio::posix::stream_descriptor descriptor_;
    asio::steady_timer farEndTimer_;
    SerialFramer framer_;
    bool up_ = false;
};

} // namespace sim
