#pragma once

#include "SocketCalls.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <vector>

// The system's datagram calls, made to fail as kernels and networks can, on demand of a test thread while
// the worker thread makes them: a receive error every time, sends cut short or refused once for want of
// room. Keeps a record of the calls in the order they were made.
class FaultySocketCalls : public ostrel::SocketCalls {
public:
    // One call: how many messages it was asked for and its result.
    struct Call {
        enum Kind { Receive, Send } kind;
        unsigned asked;
        int result;
    };

    // While not 0, every receive fails with this errno.
    std::atomic<int> receiveError{0};
    // While not 0, a send goes no further than this many messages.
    std::atomic<unsigned> mostPerSend{0};
    // While set, every other send finds no room (EAGAIN) and sends nothing, starting with the next one.
    std::atomic<bool> fullEveryOtherSend{false};

    int receiveMany(int fd, mmsghdr* messages, unsigned count, int flags) override {
        int result;
        if (const int error = receiveError) {
            errno = error;
            result = -1;
        } else {
            result = SocketCalls::receiveMany(fd, messages, count, flags);
        }
        record({Call::Receive, count, result});
        return result;
    }

    int sendMany(int fd, mmsghdr* messages, unsigned count, int flags) override {
        const unsigned most = mostPerSend;
        const unsigned passed = most != 0 ? std::min(count, most) : count;
        int result;
        if (fullEveryOtherSend && sends_++ % 2 == 0) {
            errno = EAGAIN;
            result = -1;
        } else {
            result = SocketCalls::sendMany(fd, messages, passed, flags);
        }
        record({Call::Send, count, result});
        return result;
    }

    std::vector<Call> calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void forgetCalls() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }

private:
    void record(const Call& call) {
        const int saved = errno;
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
        errno = saved;
    }

    std::atomic<unsigned> sends_{0};
    std::mutex mutex_;
    std::vector<Call> calls_;
};
