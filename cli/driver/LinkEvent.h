#pragma once

#include "ostrel/ostrel.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <variant>

namespace tarvex::cli {

// What an Ostrel context tells its caller, copied out of the callback so that another thread can take it
// over. Each carries the moment Ostrel's worker handed it on.

// onTerminalEvent: port is Ostrel's (1..10 a serial line, OSTREL_PORT_UDP the context's UDP port);
// addresses, index and code with only their low 8 bits; index is the zone of zone events, else 0.
struct TerminalEvent {
    std::chrono::system_clock::time_point time;
    std::int32_t port, addressA, addressB, index, eventCode;
    std::string text;
};

// The outcome callback: what became of a queued frame, or a serial line lost or reopened.
struct FrameOutcome {
    std::chrono::system_clock::time_point time;
    OstrelOutcome outcome;
};

// onConnectionLost: the UDP socket is gone ("PC dropped.") and the terminal table emptied.
struct ConnectionLost {
    std::string text;
};

using LinkEvent = std::variant<TerminalEvent, FrameOutcome, ConnectionLost>;

} // namespace tarvex::cli
