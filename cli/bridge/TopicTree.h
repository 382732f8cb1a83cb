#pragma once

#include "TerminalAddress.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::cli {

// The bridge's topics under BASE (--topic): PORT is the port's Tarvex number (6000, 3), ADDR "A.B".
//   BASE/bridge/status             online / offline (retained; the last will is offline)
//   BASE/bridge/error              what went wrong with a command whose topic names no terminal
//   BASE/PORT/line                 open / lost (retained)
//   BASE/PORT/ADDR/online          ON / OFF (retained)
//   BASE/PORT/ADDR/state           the terminal's state as JSON (retained)
//   BASE/PORT/ADDR/zone/N/alarm    ON / OFF (retained), N 1..8
//   BASE/PORT/ADDR/zone/N/flag     ON / OFF (retained)
//   BASE/PORT/ADDR/panel           the alarm panel's state for Home Assistant (retained)
//   BASE/PORT/ADDR/event           one JSON object per terminal event
//   BASE/PORT/ADDR/outcome         what became of each command
//   BASE/PORT/ADDR/command         commands in (JSON)
//   BASE/PORT/ADDR/panel/set       ARM_AWAY / ARM_HOME / DISARM in
class TopicTree {
public:
    explicit TopicTree(std::string base) : base_(std::move(base)) {}

    const std::string& base() const { return base_; }
    std::string bridgeStatus() const { return base_ + "/bridge/status"; }
    std::string bridgeError() const { return base_ + "/bridge/error"; }
    std::string line(std::int32_t portNumber) const {
        return base_ + "/" + std::to_string(portNumber) + "/line";
    }
    // BASE/PORT/ADDR/leaf
    std::string terminal(std::int32_t portNumber, TerminalAddress address, std::string_view leaf) const;
    // BASE/PORT/ADDR/zone/N/leaf
    std::string zone(std::int32_t portNumber, TerminalAddress address, int zone, std::string_view leaf) const;

    // The filters the bridge subscribes to: every terminal's command and panel/set topics.
    std::vector<std::string> subscriptions() const;

    // A topic the bridge receives, read back: its port and address as written, and what it is.
    struct Incoming {
        enum class Kind { Command, PanelSet };
        std::string port;
        std::string address;
        Kind kind;
    };
    std::optional<Incoming> parse(std::string_view topic) const;

private:
    std::string base_;
};

} // namespace tarvex::cli
