#pragma once

#include "terminals/TerminalEntry.h"

#include <QString>
#include <vector>

// The terminals in the order of the rows of the main window's list: entry i is row i. Both only grow at
// the end and lose the same index on delete. Used on the user-interface thread only.
class TerminalList {
public:
    enum class EventEffect { Ignored, Added, StateChanged, Unchanged };
    enum class AddResult { Empty, BadFormat, Added };

    // An Ostrel event for (port, A, B): adds the terminal, or changes its on-line state. Block and port
    // events (A or B OSTREL_WHOLE_BLOCK) are not shown. OSTREL_EVENT_TERMINAL_OFF_LINE, _BLOCK_OFF_LINE and
    // _PORT_OFF_LINE mean off line; every other code means on line.
    EventEffect applyEvent(int portNumber, int addressA, int addressB, int eventCode);
    // A terminal typed as "port.A.B"; it starts off line and is not compared with the others.
    AddResult addByHand(const QString& text);
    void remove(int index);

    int size() const { return static_cast<int>(entries_.size()); }
    const TerminalEntry& at(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
    const TerminalEntry& back() const { return entries_.back(); }
    // The row of the first entry whose address text is this one, or -1.
    int find(const QString& addressText) const;

    // Digits and dots only, every dot right after a digit, exactly two dots.
    static bool isAddressFormat(const QString& text);

private:
    std::vector<TerminalEntry> entries_;
};
