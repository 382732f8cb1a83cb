#pragma once

#include "PortIndex.h"
#include "ostrel/ostrel.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>

namespace ostrel {

// Calls the caller's callbacks table, skipping empty slots, and owns the buffers handed to them.
// Byte values go out as 32-bit arguments of which only the low 8 bits mean anything. Every outcome, of
// frames and of serial lines alike, leaves through here, so that the caller sees them in the order they
// happened.
class CallbackCaller {
public:
    static constexpr std::size_t kBufferSize = 256;

    CallbackCaller(void* userValue, const OstrelCallbacks& callbacks)
        : userValue_(userValue), callbacks_(callbacks) {}

    void report(int portIndex, std::uint8_t a, std::uint8_t b, std::uint8_t code) const {
        if (callbacks_.onReport)
            callbacks_.onReport(userValue_, portNumberOf(portIndex), a, b, code, reportBuffer_.data());
    }
    void refresh() const {
        if (callbacks_.onRefresh)
            callbacks_.onRefresh(userValue_);
    }
    void sendFailed(int portIndex, std::uint8_t a, std::uint8_t b, std::uint8_t code) const {
        if (callbacks_.onSendFailed)
            callbacks_.onSendFailed(userValue_, portNumberOf(portIndex), a, b, code, textBuffer_.data());
    }
    // True when the event reached the caller: a zone alarm is forwarded only then.
    bool terminalEvent(int portIndex, std::uint8_t a, std::uint8_t b, int index, int event) const {
        if (!callbacks_.onTerminalEvent)
            return false;
        callbacks_.onTerminalEvent(userValue_, portNumberOf(portIndex), a, b, index, event,
                                   textBuffer_.data());
        return true;
    }
    void connectionLost(const char* text) {
        textBuffer_.fill('\0');
        std::strncpy(textBuffer_.data(), text, textBuffer_.size() - 1);
        if (callbacks_.onConnectionLost)
            callbacks_.onConnectionLost(userValue_, textBuffer_.data());
    }

    // What became of a queued frame. elapsedMs runs from its first sending; a frame never sent has none.
    struct FrameFate {
        std::uint8_t a = 0;
        std::uint8_t b = 0;
        std::uint8_t code = 0;
        std::uint32_t number = 0;
        int sendings = 0;
        std::int64_t elapsedMs = 0;
    };
    void frameOutcome(OstrelOutcomeKind kind, int portIndex, const FrameFate& fate) const {
        constexpr std::int64_t kLongest = std::numeric_limits<std::int32_t>::max();
        deliver({kind, portNumberOf(portIndex), fate.a, fate.b, fate.code, fate.number, fate.sendings,
                 static_cast<std::int32_t>(std::clamp<std::int64_t>(fate.elapsedMs, 0, kLongest))});
    }
    void lineOutcome(OstrelOutcomeKind kind, int portIndex) const {
        deliver({kind, portNumberOf(portIndex), OSTREL_WHOLE_BLOCK, OSTREL_WHOLE_BLOCK, 0, 0, 0, 0});
    }
    // Any thread may set it, also a callback running on the worker.
    void setOutcomeCallback(OstrelOutcomeCallback callback) { outcomeCallback_.store(callback); }

    const char* textBuffer() const { return textBuffer_.data(); }

private:
    void deliver(const OstrelOutcome& outcome) const {
        if (const OstrelOutcomeCallback callback = outcomeCallback_.load())
            callback(userValue_, &outcome);
    }

    void* userValue_;
    const OstrelCallbacks& callbacks_;
    std::atomic<OstrelOutcomeCallback> outcomeCallback_{nullptr};
    std::array<unsigned char, kBufferSize> reportBuffer_{};
    std::array<char, kBufferSize> textBuffer_{};
};

} // namespace ostrel
