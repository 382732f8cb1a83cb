#include "terminals/OutcomeQueue.h"

#include <utility>

OutcomeQueue::OutcomeQueue(std::size_t capacity) : m_capacity(capacity) {}

bool OutcomeQueue::push(const OstrelOutcome& outcome) {
    const std::lock_guard hold(m_lock);
    const bool wasEmpty = m_waiting.outcomes.empty() && m_waiting.lost == 0;
    if (m_waiting.outcomes.size() < m_capacity)
        m_waiting.outcomes.push_back(outcome);
    else
        ++m_waiting.lost;
    return wasEmpty;
}

Outcomes OutcomeQueue::take() {
    const std::lock_guard hold(m_lock);
    return std::exchange(m_waiting, Outcomes{});
}
