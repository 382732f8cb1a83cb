#pragma once

#include "ostrel/ostrel.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// What left Ostrel's worker thread since the last hand-over: every outcome in the order it happened, and how
// many did not fit.
struct Outcomes {
    std::vector<OstrelOutcome> outcomes;
    std::uint64_t lost = 0;
};

// Where Ostrel's worker thread leaves what became of each queued frame and each serial line for the
// user-interface thread. Unlike terminal events and failures nothing is folded, since every frame's fate is
// shown on its own row; the queue is bounded instead, by more than Ostrel's send rings hold at once, so a
// window that stops taking cannot make it grow without end: what arrives while it is full is counted, not
// kept.
class OutcomeQueue {
public:
    static constexpr std::size_t kCapacity = 65536;

    explicit OutcomeQueue(std::size_t capacity = kCapacity);

    // Adds an outcome. True when the queue was empty: the caller then asks for one hand-over, which takes
    // this outcome and every one that follows until it runs.
    bool push(const OstrelOutcome& outcome);
    // Everything waiting, oldest first, and how many were lost; the queue is empty afterwards.
    Outcomes take();

private:
    const std::size_t m_capacity;
    std::mutex m_lock;
    Outcomes m_waiting;
};
