#pragma once

#include <cstdint>
#include <mutex>

// A command Ostrel gave up on: it got no reply within the retry limit, or its terminal could no longer be
// reached when a resend was due.
struct SendFailure {
    std::uint8_t port = 0;
    std::uint8_t addressA = 0;
    std::uint8_t addressB = 0;
    std::uint8_t commandCode = 0;
};

// The failures since the last hand-over, folded into the newest one and how many there were.
struct SendFailures {
    SendFailure latest;
    // 0 when none failed.
    std::uint64_t count = 0;
};

// Where Ostrel's worker thread leaves the commands it gave up on for the user-interface thread. What waits
// is one record whatever arrives, so a flood of failures costs no memory and the window one pass per
// hand-over.
class SendFailureQueue {
public:
    // Adds a failure (only the low byte of each value counts). True when the queue was empty: the caller
    // then asks for one hand-over, which takes this failure and every one that follows until it runs.
    bool push(int port, int addressA, int addressB, int commandCode);
    // Everything waiting; the queue is empty afterwards.
    SendFailures take();

private:
    std::mutex m_lock;
    SendFailures m_waiting;
};
