#pragma once

#include "terminals/TerminalEntry.h"

#include <QString>
#include <cstdint>
#include <unordered_map>
#include <vector>

// The terminals in the order they became known: entry i is source row i of the main window's list. Both
// only grow at the end and lose the same index on delete. A terminal reported by Ostrel is found by its
// address in constant time. Used on the user-interface thread only.
class TerminalList {
public:
    enum class EventEffect { Ignored, Added, StateChanged, Unchanged };
    enum class AddResult { Empty, BadFormat, Added };

    // What an event did, and to which entry (-1 when it was ignored).
    struct Applied {
        EventEffect effect;
        int row;
    };

    // An Ostrel event for (port, A, B): adds the terminal, or changes its on-line state. Block and port
    // events (A or B OSTREL_WHOLE_BLOCK) are not shown. OSTREL_EVENT_TERMINAL_OFF_LINE, _BLOCK_OFF_LINE and
    // _PORT_OFF_LINE mean off line; every other code means on line. The terminal is the first entry whose
    // address text is "port.A.B", hand-added entries included.
    Applied applyEvent(int portNumber, int addressA, int addressB, int eventCode);
    // A terminal typed as "port.A.B"; it starts off line and is not compared with the others.
    AddResult addByHand(const QString& text);
    void remove(int index);

    int size() const { return static_cast<int>(entries_.size()); }
    const TerminalEntry& at(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
    const TerminalEntry& back() const { return entries_.back(); }

    // Digits and dots only, every dot right after a digit, exactly two dots.
    static bool isAddressFormat(const QString& text);

private:
    // Enters the entry at `row` in the index when its text is the one its address's events give and no
    // earlier entry has it.
    void index(int row);

    std::vector<TerminalEntry> entries_;
    // The row of each terminal by TerminalAddressKey, for the entries whose text is the one Ostrel's events
    // give.
    std::unordered_map<std::uint32_t, int> rowOf_;
};
