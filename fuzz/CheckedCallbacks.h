#pragma once

#include "CoreExpectations.h"
#include "Require.h"
#include "core/OstrelCore.h"
#include "ostrel/ostrel.h"

#include <cstring>
#include <functional>

// The callbacks table and the outcome callback of a fuzz run. Every call is checked against the C header:
// ports, addresses, codes, texts and buffers, an event's address against its kind, the terminal table as a
// callback may read it (which also shows that no callback is made with the table's lock held), and each
// outcome against the frame it names: one per queued frame, in its port's queue order, with sendings and
// elapsed time the resend rhythm allows, a failure right after its onSendFailed.
class CheckedCallbacks {
public:
    static constexpr std::size_t kLongestText = 255;
    static constexpr std::int64_t kResendMs = 1000;

    explicit CheckedCallbacks(CoreExpectations& expect) : expect_(expect) {
        table.onReport = [](void* user, int32_t port, int32_t a, int32_t b, int32_t code,
                            const unsigned char* buffer) { self(user).report(port, a, b, code, buffer); };
        table.reserved1 = [](void*) { FUZZ_REQUIRE(false, "slot 1 called"); };
        table.reserved2 = [](void*) { FUZZ_REQUIRE(false, "slot 2 called"); };
        table.onRefresh = [](void* user) { ++self(user).refreshes; };
        table.reserved4 = [](void*) { FUZZ_REQUIRE(false, "slot 4 called"); };
        table.onSendFailed = [](void* user, int32_t port, int32_t a, int32_t b, int32_t code,
                                const char* text) { self(user).sendFailed(port, a, b, code, text); };
        table.onTerminalEvent = [](void* user, int32_t port, int32_t a, int32_t b, int32_t index,
                                   int32_t code, const char* text) {
            self(user).terminalEvent(port, a, b, index, code, text);
        };
        table.onConnectionLost = [](void* user, const char* text) { self(user).connectionLost(text); };
    }
    CheckedCallbacks(const CheckedCallbacks&) = delete;
    CheckedCallbacks& operator=(const CheckedCallbacks&) = delete;

    // The core whose table the callbacks read, once it exists; its outcomes come here.
    void watch(ostrel::OstrelCore& core) {
        core_ = &core;
        core.setOutcomeCallback(
            [](void* user, const OstrelOutcome* outcome) { self(user).outcome(*outcome); });
    }
    // Called with every report: a caller may queue commands from a callback.
    std::function<void(int portIndex, std::uint8_t a, std::uint8_t b)> onEachReport;

    OstrelCallbacks table{};
    int refreshes = 0;
    int connectionsLost = 0;
    int sendFailures = 0;
    int failedOutcomes = 0;

private:
    static CheckedCallbacks& self(void* user) { return *static_cast<CheckedCallbacks*>(user); }

    static void requireTerminal(int32_t port, int32_t a, int32_t b) {
        FUZZ_REQUIRE(port >= OSTREL_PORT_COM1 && port <= OSTREL_PORT_UDP && a >= 0 && a <= 255 && b >= 0 &&
                         b <= 255,
                     "a callback for port %d, terminal %d.%d", port, a, b);
    }
    static void requireText(const char* text) {
        FUZZ_REQUIRE(text != nullptr && ::strnlen(text, kLongestText + 1) <= kLongestText,
                     "a callback text that is null or not terminated");
    }

    void report(int32_t port, int32_t a, int32_t b, int32_t code, const unsigned char* buffer) {
        requireTerminal(port, a, b);
        FUZZ_REQUIRE(code >= OSTREL_REPORT_PLAIN && code <= OSTREL_REPORT_SIGN_ON && buffer != nullptr,
                     "a report with code %d", code);
        if (onEachReport)
            onEachReport(port - 1, static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b));
    }

    void sendFailed(int32_t port, int32_t a, int32_t b, int32_t code, const char* text) {
        requireTerminal(port, a, b);
        requireText(text);
        FUZZ_REQUIRE(expect_.mayFail(port, a, b, code),
                     "a failure of command %d to %d %d.%d, which was never queued", code, port, a, b);
        FUZZ_REQUIRE(sendFailures == failedOutcomes, "a failure told without its outcome");
        ++sendFailures;
    }

    void outcome(const OstrelOutcome& o) {
        if (o.kind == OSTREL_LINE_LOST || o.kind == OSTREL_LINE_REOPENED) {
            FUZZ_REQUIRE(o.port >= OSTREL_PORT_COM1 && o.port <= OSTREL_PORT_COM10 &&
                             o.addressA == OSTREL_WHOLE_BLOCK && o.addressB == OSTREL_WHOLE_BLOCK &&
                             o.commandCode == 0 && o.frameNumber == 0 && o.sendings == 0 && o.elapsedMs == 0,
                         "line event %d for port %d reads %d.%d, code %d, frame %u, %d sendings, %d ms",
                         o.kind, o.port, o.addressA, o.addressB, o.commandCode, o.frameNumber, o.sendings,
                         o.elapsedMs);
            FUZZ_REQUIRE(expect_.lineTurned(o.port - 1, o.kind == OSTREL_LINE_LOST),
                         "line %d told %s twice in a row", o.port,
                         o.kind == OSTREL_LINE_LOST ? "lost" : "back");
            return;
        }
        FUZZ_REQUIRE(o.kind >= OSTREL_FRAME_ANSWERED && o.kind <= OSTREL_FRAME_DISCARDED, "outcome kind %d",
                     o.kind);
        const CoreExpectations::QueuedFrame* queued = expect_.frame(o.frameNumber);
        FUZZ_REQUIRE(queued != nullptr, "an outcome for frame %u, which was never queued", o.frameNumber);
        FUZZ_REQUIRE(o.port == queued->port && o.addressA == queued->a && o.addressB == queued->b &&
                         o.commandCode == queued->code,
                     "frame %u queued as command %d to %d %d.%d settled as command %d to %d %d.%d",
                     o.frameNumber, queued->code, queued->port, queued->a, queued->b, o.commandCode, o.port,
                     o.addressA, o.addressB);
        FUZZ_REQUIRE(!queued->settled, "frame %u settled twice", o.frameNumber);
        FUZZ_REQUIRE(expect_.settleInTurn(o.frameNumber), "frame %u settled before an older one of port %d",
                     o.frameNumber, o.port);
        // Sent frames go out again every second until their fate comes; unsent ones have no time.
        const bool sent = o.sendings > 0;
        FUZZ_REQUIRE(o.kind == OSTREL_FRAME_DISCARDED || sent == (o.kind != OSTREL_FRAME_UNREACHABLE),
                     "outcome %d of frame %u after %d sendings", o.kind, o.frameNumber, o.sendings);
        FUZZ_REQUIRE(sent ? o.elapsedMs >= (o.sendings - 1) * kResendMs && o.elapsedMs <= expect_.nowMs()
                          : o.elapsedMs == 0 && o.sendings == 0,
                     "frame %u settled %d ms after its first of %d sendings, at %lld ms", o.frameNumber,
                     o.elapsedMs, o.sendings, static_cast<long long>(expect_.nowMs()));
        if (o.kind == OSTREL_FRAME_FAILED) {
            ++failedOutcomes;
            FUZZ_REQUIRE(failedOutcomes == sendFailures, "frame %u failed without onSendFailed",
                         o.frameNumber);
        }
    }

    void terminalEvent(int32_t port, int32_t a, int32_t b, int32_t index, int32_t code, const char* text) {
        requireTerminal(port, a, b);
        requireText(text);
        FUZZ_REQUIRE(code >= OSTREL_EVENT_ZONE_FLAG_CLEARED && code <= OSTREL_EVENT_PORT_ON_LINE,
                     "event code %d", code);
        const bool zoneEvent = code <= OSTREL_EVENT_ZONE_ALARM_CLEARED;
        FUZZ_REQUIRE(zoneEvent ? index >= 1 && index <= 8 : index == 0, "event %d with index %d", code,
                     index);
        const bool block = b == OSTREL_WHOLE_BLOCK;
        const bool portEntry = block && a == OSTREL_WHOLE_BLOCK;
        switch (code) {
        case OSTREL_EVENT_TERMINAL_OFF_LINE:
        case OSTREL_EVENT_TERMINAL_ON_LINE:
            FUZZ_REQUIRE(!block, "terminal event %d for %d.%d", code, a, b);
            break;
        case OSTREL_EVENT_BLOCK_OFF_LINE:
            FUZZ_REQUIRE(block && !portEntry, "block event %d for %d.%d", code, a, b);
            break;
        case OSTREL_EVENT_BLOCK_ON_LINE:
            FUZZ_REQUIRE(block, "block event %d for %d.%d", code, a, b);
            break;
        case OSTREL_EVENT_PORT_OFF_LINE:
        case OSTREL_EVENT_PORT_ON_LINE:
            FUZZ_REQUIRE(portEntry, "port event %d for %d.%d", code, a, b);
            break;
        default:
            break;
        }
        requireTableAgrees(port - 1, static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b), index, code);
    }

    // What the table shows from within the callback: a terminal announced off line is off line, one
    // announced on line is on line, and a zone event has already been stored.
    void requireTableAgrees(int portIndex, std::uint8_t a, std::uint8_t b, int32_t index, int32_t code) {
        if (core_ == nullptr)
            return;
        ostrel::TerminalTable& terminals = core_->table();
        std::int32_t state = -1;
        terminals.terminalState(portIndex, a, b, state);
        FUZZ_REQUIRE(state >= OSTREL_STATE_NEVER_HEARD && state <= OSTREL_STATE_OFF_LINE, "state %d", state);
        switch (code) {
        case OSTREL_EVENT_TERMINAL_OFF_LINE:
        case OSTREL_EVENT_BLOCK_OFF_LINE:
        case OSTREL_EVENT_PORT_OFF_LINE:
            FUZZ_REQUIRE(state == OSTREL_STATE_OFF_LINE, "event %d for %d.%d with the terminal in state %d",
                         code, a, b, state);
            return;
        case OSTREL_EVENT_TERMINAL_ON_LINE:
        case OSTREL_EVENT_BLOCK_ON_LINE:
        case OSTREL_EVENT_PORT_ON_LINE:
            FUZZ_REQUIRE(ostrel::isOnLine(state), "event %d for %d.%d with the terminal in state %d", code, a,
                         b, state);
            return;
        default:
            break;
        }
        if (code > OSTREL_EVENT_ZONE_ALARM_CLEARED)
            return;
        std::int32_t zoneState = -1;
        const std::uint8_t flagClear = terminals.alarmState(portIndex, a, b, index, zoneState);
        switch (code) {
        case OSTREL_EVENT_ZONE_FLAG_CLEARED:
            FUZZ_REQUIRE(flagClear == 1, "zone %d flag cleared, the table says set", index);
            break;
        case OSTREL_EVENT_ZONE_FLAG_SET:
            FUZZ_REQUIRE(flagClear == 0, "zone %d flag set, the table says clear", index);
            break;
        case OSTREL_EVENT_ZONE_ALARM_SET:
            FUZZ_REQUIRE(zoneState == OSTREL_ZONE_ALARM, "zone %d in alarm, the table says %d", index,
                         zoneState);
            break;
        default:
            FUZZ_REQUIRE(zoneState != OSTREL_ZONE_ALARM, "zone %d out of alarm, the table says alarm", index);
            break;
        }
    }

    void connectionLost(const char* text) {
        requireText(text);
        FUZZ_REQUIRE(std::strcmp(text, "PC dropped.") == 0, "connection lost with \"%s\"", text);
        ++connectionsLost;
    }

    CoreExpectations& expect_;
    ostrel::OstrelCore* core_ = nullptr;
};
