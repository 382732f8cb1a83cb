#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace ostrel {

// A lock that remembers which thread holds it, so that a diagnosis can tell who is waiting on whom.
class LockRecord {
public:
    void lock() {
        mutex_.lock();
        owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    }
    void unlock() {
        owner_.store(std::thread::id{}, std::memory_order_relaxed);
        mutex_.unlock();
    }
    bool heldByThisThread() const {
        return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }

private:
    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
};

} // namespace ostrel
