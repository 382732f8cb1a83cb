#pragma once

#include "Terminal.h"

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <optional>
#include <queue>
#include <vector>

namespace sim {

// The terminals' alarm clock: every wake-up of every terminal in one queue, earliest first, behind one
// timer. Thousands of terminals reporting every second cost one timer, not thousands; and one ring of it
// serves every wake-up due within kSlack, so that a busy queue is not paid for in timer calls.
class Scheduler {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kSlack = std::chrono::microseconds(250);

    explicit Scheduler(asio::io_context& io) : timer_(io) {}

    // While wake-ups run, the time they were due, so that periodic reports keep their pace however late
    // the loop gets to them; otherwise the clock.
    Clock::time_point now() const { return dispatching_ ? *dispatching_ : Clock::now(); }

    void wakeAt(Clock::time_point when, Terminal& terminal, Wake wake, std::uint32_t token);

private:
    struct Entry {
        Clock::time_point when;
        Terminal* terminal;
        Wake wake;
        std::uint32_t token;
        bool operator>(const Entry& other) const { return when > other.when; }
    };

    void arm();
    void dispatchDue();

    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue_;
    asio::steady_timer timer_;
    std::optional<Clock::time_point> armedFor_;
    std::optional<Clock::time_point> dispatching_;
};

} // namespace sim
