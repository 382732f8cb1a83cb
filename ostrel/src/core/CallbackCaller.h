#pragma once

#include "PortIndex.h"
#include "ostrel/ostrel.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace ostrel {

// Calls the caller's callbacks table, skipping empty slots, and owns the buffers handed to them.
// Byte values go out as 32-bit arguments of which only the low 8 bits mean anything.
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

    const char* textBuffer() const { return textBuffer_.data(); }

private:
    void* userValue_;
    const OstrelCallbacks& callbacks_;
    std::array<unsigned char, kBufferSize> reportBuffer_{};
    std::array<char, kBufferSize> textBuffer_{};
};

} // namespace ostrel
