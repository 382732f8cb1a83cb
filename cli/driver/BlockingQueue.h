#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace tarvex::cli {

// Hands items from any number of threads (Ostrel's workers, a signal watcher) to one reading thread.
template <class T> class BlockingQueue {
public:
    using Clock = std::chrono::steady_clock;

    // Adds an item and wakes a waiter. Once the queue is closed, items are dropped: nobody reads them.
    void push(T item) {
        {
            std::lock_guard lock(mutex_);
            if (closed_)
                return;
            items_.push_back(std::move(item));
        }
        ready_.notify_one();
    }

    // The oldest item; nothing once the deadline has passed, or once the queue is closed and emptied.
    // Clock::time_point::max() waits without a limit.
    std::optional<T> popUntil(Clock::time_point deadline) {
        std::unique_lock lock(mutex_);
        const auto ready = [this] { return !items_.empty() || closed_; };
        if (deadline == Clock::time_point::max())
            ready_.wait(lock, ready);
        else if (!ready_.wait_until(lock, deadline, ready))
            return std::nullopt;
        if (items_.empty())
            return std::nullopt;
        T item = std::move(items_.front());
        items_.pop_front();
        return item;
    }

    // Wakes every waiter; what is queued can still be taken, nothing more is added.
    void close() {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        ready_.notify_all();
    }

    bool closed() const {
        std::lock_guard lock(mutex_);
        return closed_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<T> items_;
    bool closed_ = false;
};

} // namespace tarvex::cli
