#pragma once

#include <atomic>
#include <cassert>
#include <mutex>
#include <thread>

namespace ostrel {

// A lock that remembers which thread holds it. Taking it again on the same thread would hang for good;
// a debug build stops there instead, naming the fault.
class LockRecord {
public:
    void lock() {
        assert(!heldByThisThread() && "this thread already holds the lock");
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
