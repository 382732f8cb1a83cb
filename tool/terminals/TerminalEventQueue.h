#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

// One terminal's events since the last hand-over, folded into one: the newest event code wins, and the
// codes seen on the way are kept as a set, so no kind of transition (on line, off line, alarm) is lost.
struct TerminalChange {
    std::uint8_t port = 0;
    std::uint8_t addressA = 0;
    std::uint8_t addressB = 0;
    std::uint8_t lastCode = 0;
    // Bit n set when event code n (below 32) arrived since the last hand-over.
    std::uint32_t codesSeen = 0;
};

// Where Ostrel's worker thread leaves terminal events for the user-interface thread. What waits is at most
// one change per terminal, in the order the terminals first spoke since the last hand-over, so memory stays
// bounded by the address space whatever arrives, and a flood costs the window one pass per hand-over.
class TerminalEventQueue {
public:
    // Adds an event (only the low byte of each value counts). True when the queue was empty: the caller
    // then asks for one hand-over, which takes this event and every one that follows until it runs.
    bool push(int port, int addressA, int addressB, int eventCode);
    // Everything waiting, oldest terminal first; the queue is empty afterwards.
    std::vector<TerminalChange> take();

private:
    std::mutex m_lock;
    std::vector<TerminalChange> m_changes;
    // The index in m_changes of each terminal that is waiting, by port, A and B as one number.
    std::unordered_map<std::uint32_t, std::size_t> m_indexOf;
};
