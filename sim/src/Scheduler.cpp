#include "Scheduler.h"

namespace sim {

void Scheduler::wakeAt(Clock::time_point when, Terminal& terminal, Wake wake, std::uint32_t token) {
    queue_.push({when, &terminal, wake, token});
    if (!dispatching_)
        arm();
}

void Scheduler::arm() {
    if (queue_.empty())
        return;
    const auto next = queue_.top().when;
    if (armedFor_ && *armedFor_ <= next)
        return;
    armedFor_ = next;
    timer_.expires_at(next); // cancels the wait for a later time
    timer_.async_wait([this](const std::error_code& error) {
        if (error == asio::error::operation_aborted)
            return;
        armedFor_.reset();
        dispatchDue();
    });
}

void Scheduler::dispatchDue() {
    const auto horizon = Clock::now() + kSlack;
    while (!queue_.empty() && queue_.top().when <= horizon) {
        const Entry entry = queue_.top();
        queue_.pop();
        dispatching_ = entry.when;
        entry.terminal->onWake(entry.wake, entry.token);
    }
    dispatching_.reset();
    arm();
}

} // namespace sim
