#pragma once

#include "OutcomeLog.h"
#include "ostrel/ostrel.h"

#include <cstdint>
#include <string>
#include <vector>

// A callbacks table whose every slot writes down what it was told, in order; recordOutcome does the same
// as the outcome callback.
struct RecordedCallbacks {
    struct Event {
        int port, a, b, index, code;
        bool operator==(const Event&) const = default;
    };
    struct Call {
        int port, a, b, code;
        bool operator==(const Call&) const = default;
    };

    std::vector<Event> events;
    std::vector<Call> reports;
    std::vector<Call> sendFailures;
    std::vector<std::string> lost;
    OutcomeLog outcomes;
    int refreshes = 0;
    OstrelCallbacks table{};

    RecordedCallbacks() {
        table.onReport = [](void* user, int32_t port, int32_t a, int32_t b, int32_t code,
                            const unsigned char*) {
            self(user)->reports.push_back({port, a & 0xFF, b & 0xFF, code & 0xFF});
        };
        table.onRefresh = [](void* user) { ++self(user)->refreshes; };
        table.onSendFailed = [](void* user, int32_t port, int32_t a, int32_t b, int32_t code, const char*) {
            self(user)->sendFailures.push_back({port, a & 0xFF, b & 0xFF, code & 0xFF});
        };
        table.onTerminalEvent = [](void* user, int32_t port, int32_t a, int32_t b, int32_t index,
                                   int32_t code, const char*) {
            self(user)->events.push_back({port, a & 0xFF, b & 0xFF, index & 0xFF, code & 0xFF});
        };
        table.onConnectionLost = [](void* user, const char* text) { self(user)->lost.emplace_back(text); };
    }
    RecordedCallbacks(const RecordedCallbacks&) = delete;
    RecordedCallbacks& operator=(const RecordedCallbacks&) = delete;

    static void recordOutcome(void* user, const OstrelOutcome* outcome) {
        self(user)->outcomes.record(*outcome);
    }

    std::vector<int> eventCodes() const {
        std::vector<int> codes;
        for (const auto& e : events)
            codes.push_back(e.code);
        return codes;
    }

private:
    static RecordedCallbacks* self(void* user) { return static_cast<RecordedCallbacks*>(user); }
};
