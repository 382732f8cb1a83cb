#pragma once

#include "WaitUntil.h"
#include "ostrel/ostrel.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <ostream>
#include <vector>

// The outcomes a running context reports, written down on its worker thread and read on the test's. The
// context's user value must be the log, or an object that hands its outcomes to record().
class OutcomeLog {
public:
    // An OstrelOutcome that compares and prints.
    struct Outcome {
        int kind, port, a, b, code;
        std::uint32_t number;
        int sendings, elapsedMs;
        bool operator==(const Outcome&) const = default;
        friend std::ostream& operator<<(std::ostream& out, const Outcome& o) {
            return out << "{kind " << o.kind << ", port " << o.port << ", " << o.a << "." << o.b << ", code "
                       << o.code << ", frame " << o.number << ", sendings " << o.sendings << ", "
                       << o.elapsedMs << " ms}";
        }
    };

    static void callback(void* user, const OstrelOutcome* outcome) {
        static_cast<OutcomeLog*>(user)->record(*outcome);
    }
    void record(const OstrelOutcome& o) {
        std::lock_guard lock(mutex_);
        outcomes_.push_back(
            {o.kind, o.port, o.addressA, o.addressB, o.commandCode, o.frameNumber, o.sendings, o.elapsedMs});
    }

    void clear() {
        std::lock_guard lock(mutex_);
        outcomes_.clear();
    }
    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return outcomes_.size();
    }
    std::vector<Outcome> all() const {
        std::lock_guard lock(mutex_);
        return outcomes_;
    }
    std::vector<Outcome> ofKind(int kind) const {
        std::vector<Outcome> found;
        for (const Outcome& o : all())
            if (o.kind == kind)
                found.push_back(o);
        return found;
    }
    // Waits until at least count outcomes match; returns those seen by then.
    std::vector<Outcome> waitFor(const std::function<bool(const Outcome&)>& matches, std::size_t count = 1,
                                 std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
        std::vector<Outcome> found;
        waitUntil(
            [&] {
                found.clear();
                for (const Outcome& o : all())
                    if (matches(o))
                        found.push_back(o);
                return found.size() >= count;
            },
            limit);
        return found;
    }
    std::vector<Outcome> waitForKind(int kind, std::size_t count = 1,
                                     std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
        return waitFor([kind](const Outcome& o) { return o.kind == kind; }, count, limit);
    }
    // The frame's outcome, waited for.
    std::vector<Outcome> waitForFrame(std::uint32_t number,
                                      std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
        return waitFor([number](const Outcome& o) { return o.number == number; }, 1, limit);
    }

private:
    mutable std::mutex mutex_;
    std::vector<Outcome> outcomes_;
};
