#include "program/ProgrammingRun.h"

void ProgrammingRun::Queued(QueuedFrame frame, Codes codes) {
    m_waiting[frame] = m_values.size();
    m_values.push_back({codes});
}

void ProgrammingRun::Settle(const std::vector<OstrelOutcome>& outcomes) {
    for (const OstrelOutcome& outcome : outcomes) {
        const auto found = m_waiting.find(outcome.frameNumber);
        // Line events carry no frame, and no frame of this run is numbered 0.
        if (found == m_waiting.end())
            continue;
        if (outcome.kind == OSTREL_FRAME_ANSWERED) {
            m_values[found->second].answered = true;
            ++m_answered;
        }
        m_waiting.erase(found);
    }
}

std::vector<ProgrammingRun::Codes> ProgrammingRun::Unanswered() const {
    std::vector<Codes> unanswered;
    for (const Value& value : m_values)
        if (!value.answered)
            unanswered.push_back(value.codes);
    return unanswered;
}
