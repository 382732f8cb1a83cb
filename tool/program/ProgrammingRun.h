#pragma once

#include "ostrel/ostrel.h"
#include "terminals/QueuedFrame.h"

#include <cstddef>
#include <unordered_map>
#include <vector>

// The programming values one Send of the programming page queued, and what became of their frames. The run
// is over once every frame has its outcome, or once the session that was to deliver them has stopped.
class ProgrammingRun {
public:
    struct Codes {
        int masterCode = 0;
        int subCode = 0;
    };

    // A value queued as `frame`.
    void Queued(QueuedFrame frame, Codes codes);
    // A value Ostrel's full queue refused.
    void Refused() { ++m_refused; }
    // One hand-over of outcomes; those of frames this run did not queue change nothing.
    void Settle(const std::vector<OstrelOutcome>& outcomes);
    // No outcome can come any more for the frames still waiting: they count as not answered.
    void StopWaiting() { m_waiting.clear(); }

    bool IsWaiting() const { return !m_waiting.empty(); }
    int RefusedCount() const { return m_refused; }
    int AnsweredCount() const { return m_answered; }
    // The values whose frames were not answered, in the order they were queued.
    std::vector<Codes> Unanswered() const;

private:
    struct Value {
        Codes codes;
        bool answered = false;
    };

    std::vector<Value> m_values;
    // The index in m_values of each value whose frame has no outcome yet, by frame number.
    std::unordered_map<QueuedFrame, std::size_t> m_waiting;
    int m_refused = 0;
    int m_answered = 0;
};
