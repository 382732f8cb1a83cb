#pragma once

#include "support/LatencyHistogram.h"
#include "support/SequencedCommands.h"
#include "support/SimLogFields.h"

#include <array>
#include <chrono>
#include <mutex>
#include <optional>
#include <string_view>

// What became of every command queued to one Ostrel port whose terminals are simulated: answered, reported
// failed, or neither. Ostrel's C interface says only "queued" (a Cmd_ export's true) and "failed"
// (onSendFailed); an answer it takes in silence. So the ledger reads what the terminals saw, from the
// simulator's frame log (its "command" records), and holds it against what Ostrel reported:
//  - A port sends its queued frames one at a time, in the order queued, each until it is answered or given
//    up (and then reported through onSendFailed before the next goes). So the simulator sees the commands'
//    first sendings in the order queued; each carries its sequence number where its fields have room.
//  - The first sending of a later command shows that Ostrel is done with the earlier ones: each is then
//    settled, as answered (the terminal replied to it, and Ostrel reported no failure: it got a reply),
//    failed (onSendFailed named it, answered or not), or unreported (neither: lost without a word).
//  - A command the simulator never saw but a later one it did was skipped by Ostrel: settled the same way.
//  - The last commands are settled by a fence: one more command queued after them, whose first sending
//    shows that Ostrel has finished with all of them. The fence itself is counted nowhere.
// The round trip of a command runs from the Cmd_ call to the simulator's record of its first answered
// sending arriving here (read as it is written, see SimFrameFeed): the terminal had it and replied.
// Memory is fixed: a window of commands not yet settled, and a histogram.
class CommandLedger {
public:
    using Clock = std::chrono::steady_clock;
    // More than a port's queue holds (1,999) plus the one in flight.
    static constexpr long long kWindow = 4096;

    struct Totals {
        long long queued = 0;  // the Cmd_ export said true (the fence not counted)
        long long refused = 0; // the Cmd_ export said false: the port's queue was full
        long long answered = 0;
        long long replied = 0;           // answered by their terminals so far, settled or not
        long long failed = 0;            // reported through onSendFailed
        long long unreported = 0;        // settled neither answered nor reported failed
        long long repliedThenFailed = 0; // answered by the terminal, yet reported failed (lost replies)
        long long unsettled = 0;         // not yet settled
        long long resendings = 0;        // sendings after the first that the terminals saw
        long long outOfStep = 0;         // first sendings the ledger could not place (not as queued)
        long long unplacedFailures = 0;  // onSendFailed calls that named no command in flight
        long long simulatorErrors = 0;   // frames the simulator could not read
    };

    // The sequence number for the next command, or nothing while the window is full. Called by the one
    // thread that queues, right before the Cmd_ call: the simulator may see the command at once. A fence
    // that is refused must be opened again until it is queued.
    std::optional<unsigned> open(int a, int b, const SequencedCommand& kind, bool fence = false) {
        std::lock_guard lock(mutex_);
        if (next_ - settledBefore_ >= kWindow)
            return std::nullopt;
        entries_[slot(next_)] = {Clock::now(), &kind, a, b, fence, false, false};
        if (fence)
            lastFence_ = next_;
        else
            ++totals_.queued;
        return static_cast<unsigned>(next_++);
    }
    // The command just opened was not queued (its Cmd_ export said false).
    void refused() {
        std::lock_guard lock(mutex_);
        --next_;
        if (!entries_[slot(next_)].fence) {
            --totals_.queued;
            ++totals_.refused;
        }
    }

    // A line of the simulator's frame log.
    void onLogLine(std::string_view line, Clock::time_point arrived) {
        const auto kind = logField(line, "kind");
        std::lock_guard lock(mutex_);
        if (kind == "error")
            ++totals_.simulatorErrors;
        if (kind != "command")
            return;
        const auto terminal = logTerminal(line);
        const auto sending = logNumber(line, "sending");
        if (!terminal || !sending) {
            ++totals_.outOfStep;
            return;
        }
        const bool replied = logField(line, "answer") == "replied";
        if (*sending > 1) {
            ++totals_.resendings;
            if (replied && seen_ > 0 && matches(seen_ - 1, *terminal, line))
                markReplied(seen_ - 1, arrived);
            return;
        }
        for (long long i = seen_; i < next_ && i < seen_ + kSearch; ++i) {
            if (!matches(i, *terminal, line))
                continue;
            settleBefore(i);
            seen_ = i + 1;
            if (replied)
                markReplied(i, arrived);
            return;
        }
        // The simulator takes an unchanged frame as a new command once it has answered the last one: a
        // resending whose answer Ostrel did not get. One of a command already settled came late: the
        // simulator serves each link's socket in turn, so a starved simulator may read a later command on
        // one link before the last sendings of an earlier one on the other.
        for (long long i = seen_ - 1; i >= 0 && i >= seen_ - kSearch && i >= next_ - kWindow; --i) {
            if (matches(i, *terminal, line)) {
                ++totals_.resendings;
                return;
            }
        }
        ++totals_.outOfStep;
    }

    // onSendFailed: names the command in flight, the last the terminals saw or one after it.
    void onSendFailed(int a, int b, int code) {
        std::lock_guard lock(mutex_);
        for (long long i = std::max(settledBefore_, seen_ - 1); i < next_; ++i) {
            Entry& entry = entries_[slot(i)];
            if (!entry.failed && entry.a == a && entry.b == b && entry.kind->code == code) {
                entry.failed = true;
                return;
            }
        }
        ++totals_.unplacedFailures;
    }

    // True once every command queued before the last fence is settled.
    bool settled() const {
        std::lock_guard lock(mutex_);
        return settledBefore_ >= lastFence_;
    }
    Totals totals() const {
        std::lock_guard lock(mutex_);
        Totals t = totals_;
        t.unsettled = next_ - settledBefore_;
        for (long long i = settledBefore_; i < next_; ++i)
            t.unsettled -= entries_[slot(i)].fence ? 1 : 0;
        return t;
    }
    LatencyHistogram roundTrips() const {
        std::lock_guard lock(mutex_);
        return roundTrips_;
    }

private:
    // How far ahead of the last command seen a first sending is looked for: commands Ostrel skipped.
    static constexpr long long kSearch = 64;

    struct Entry {
        Clock::time_point queued;
        const SequencedCommand* kind;
        int a, b;
        bool fence;
        bool replied;
        bool failed;
    };

    static std::size_t slot(long long index) { return static_cast<std::size_t>(index % kWindow); }

    bool matches(long long index, const LoggedAddress& terminal, std::string_view line) const {
        const Entry& entry = entries_[slot(index)];
        if (terminal != LoggedAddress{entry.a, entry.b} || logField(line, "command") != entry.kind->name)
            return false;
        return entry.kind->field.empty() ||
               logField(line, entry.kind->field) == entry.kind->shown(static_cast<unsigned>(index));
    }

    void markReplied(long long index, Clock::time_point arrived) {
        Entry& entry = entries_[slot(index)];
        if (entry.replied)
            return;
        entry.replied = true;
        if (entry.fence)
            return;
        ++totals_.replied;
        roundTrips_.add(arrived - entry.queued);
    }

    // Ostrel is done with every command before index.
    void settleBefore(long long index) {
        for (; settledBefore_ < index; ++settledBefore_) {
            const Entry& entry = entries_[slot(settledBefore_)];
            if (entry.fence)
                continue;
            if (entry.failed) {
                ++totals_.failed;
                totals_.repliedThenFailed += entry.replied ? 1 : 0;
            } else if (entry.replied) {
                ++totals_.answered;
            } else {
                ++totals_.unreported;
            }
        }
    }

    mutable std::mutex mutex_;
    std::array<Entry, kWindow> entries_{};
    long long next_ = 0;          // the next sequence number
    long long seen_ = 0;          // commands up to here were seen by the terminals or skipped by Ostrel
    long long settledBefore_ = 0; // commands up to here are settled
    long long lastFence_ = 0;
    Totals totals_;
    LatencyHistogram roundTrips_;
};
