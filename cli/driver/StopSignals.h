#pragma once

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

namespace tarvex::cli {

// Turns SIGINT and SIGTERM into one call of onStop on a thread of its own, so that the program leaves its
// loop and ends Ostrel cleanly. Make it before any other thread: they inherit the blocked signals, and
// only its thread takes them.
class StopSignals {
public:
    explicit StopSignals(std::function<void()> onStop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    sigset_t signals_{};
    std::atomic<bool> ending_{false};
    std::thread watcher_;
};

} // namespace tarvex::cli
