#pragma once

#include "CommandRequest.h"
#include "IssueResult.h"
#include "LinkEvent.h"
#include "PortSpec.h"
#include "TerminalAddress.h"
#include "ostrel/ostrel.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tarvex::cli {

// One Ostrel context and what it tells: every callback becomes a LinkEvent handed to the sink, on
// Ostrel's worker thread (so the sink must be safe to call from a thread other than the caller's). A
// context has one UDP port and any of the serial lines.
class OstrelLink {
public:
    using Sink = std::function<void(LinkEvent&&)>;

    // Starts the context; throws std::runtime_error when Ostrel cannot make one.
    explicit OstrelLink(Sink sink);
    // Ends the context: frames still queued or awaiting their reply reach the sink as discarded first.
    ~OstrelLink();
    OstrelLink(const OstrelLink&) = delete;
    OstrelLink& operator=(const OstrelLink&) = delete;

    // Opens the port; retryLimit (1..255) is how often each command is sent, one second apart, on every
    // port of the context.
    bool open(const PortSpec& port, int retryLimit, std::string& error);

    // The queued frame's number; 0 with the reason when nothing was queued (a text that GBK cannot hold
    // or that is too long in GBK, a full queue).
    IssueResult issue(std::int32_t ostrelPort, TerminalAddress terminal, const CommandRequest& request);

    // The terminal table: the OstrelTerminalState, a zone's OstrelZoneState, and whether a zone's flag bit
    // was set in the terminal's last long status report (false when it sends none).
    std::int32_t terminalState(std::int32_t ostrelPort, TerminalAddress terminal) const;
    std::int32_t zoneState(std::int32_t ostrelPort, TerminalAddress terminal, int zone) const;
    bool zoneFlag(std::int32_t ostrelPort, TerminalAddress terminal, int zone) const;
    // Whether the terminal's status reports carry zone flags (long reports), as far as the table tells.
    bool sendsZoneFlags(std::int32_t ostrelPort, TerminalAddress terminal) const;

private:
    static void onTerminalEvent(void* user, std::int32_t port, std::int32_t a, std::int32_t b,
                                std::int32_t index, std::int32_t code, const char* text);
    static void onConnectionLost(void* user, const char* text);
    static void onOutcome(void* user, const OstrelOutcome* outcome);

    Sink sink_;
    OstrelCallbacks callbacks_{};
    OstrelContext* context_ = nullptr;
};

} // namespace tarvex::cli
