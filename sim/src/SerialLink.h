#pragma once

#include "Link.h"
#include "SerialFramer.h"
#include "SerialLine.h"

#include <asio/io_context.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <deque>
#include <vector>

namespace sim {

// Terminals on one serial line. The PC reads its line once per 100 ms tick; after a canonical frame it
// keeps that frame in its buffer until a tick brings no input, so whatever arrives in the next tick joins
// it and is lost. A frame is therefore written only once kQuietAfterInput has passed since the PC's last
// byte (its command, or the acknowledgement it writes in the tick that read our frame) and kFrameGap
// since our last frame; replies go before reports. On a pseudo-terminal the terminals start when the PC
// opens the far end, and nothing is written while the far end is closed (it would reach the PC stale).
class SerialLink final : public Link {
public:
    static constexpr std::chrono::milliseconds kFrameGap{250};
    static constexpr std::chrono::milliseconds kQuietAfterInput{150};
    static constexpr std::chrono::milliseconds kFarEndPoll{100};

    SerialLink(asio::io_context& io, std::string name, int protocolType, SerialLine line,
               LinkListener& listener);

    void start() override;

    std::string description() const override;
    Ipv4 senderAddress() const override { return {}; }
    bool send(std::span<const std::uint8_t> frame, bool isReply) override;

private:
    using Clock = std::chrono::steady_clock;

    void watchFarEnd();
    void awaitInput();
    void readInput();
    void farEndClosed();
    void writeWaitingFrames();
    void write(std::span<const std::uint8_t> frame);

    SerialLine line_;
    LinkListener& listener_;
    asio::posix::stream_descriptor descriptor_;
    asio::steady_timer farEndTimer_;
    asio::steady_timer gapTimer_;
    SerialFramer framer_;
    bool up_ = false;
    bool gapTimerArmed_ = false;
    std::deque<std::vector<std::uint8_t>> replies_;
    std::deque<std::vector<std::uint8_t>> reports_;
    Clock::time_point lastWrite_{};
    Clock::time_point lastInput_{};
};

} // namespace sim
