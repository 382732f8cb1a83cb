#pragma once

#include "CommandRequest.h"
#include "HomeAssistantDiscovery.h"
#include "IssueResult.h"
#include "LinkEvent.h"
#include "MqttPublish.h"
#include "PasswordStore.h"
#include "PortSpec.h"
#include "TerminalAddress.h"
#include "TerminalRecord.h"
#include "TopicTree.h"

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::cli {

// A command for the runner to queue through Ostrel; it hands the result back by commandIssued(ticket, ...).
struct CommandToIssue {
    std::uint64_t ticket;
    PortSpec port;
    TerminalAddress address;
    CommandRequest request;
};

// What the core asks for in answer to one input.
struct BridgeActions {
    std::vector<MqttPublish> publishes;
    std::vector<CommandToIssue> commands;
};

// The bridge without sockets, threads or clock: Ostrel's events and the broker's messages in, messages
// to publish and commands to queue out. It keeps every terminal's state, so that each (re)connection to
// the broker publishes everything retained again (a broker restarted without persistence gets it all
// back). While the broker is away it publishes nothing; events of that time are not kept.
class BridgeCore {
public:
    struct Settings {
        std::string topic;           // BASE
        std::string discoveryPrefix; // empty: no Home Assistant discovery
        std::vector<PortSpec> ports; // the ports the bridge opened
        PasswordStore passwords;
    };

    explicit BridgeCore(Settings settings);

    // The broker took the connection (the client has subscribed by then): everything retained again.
    BridgeActions brokerConnected();
    void brokerDisconnected() { connected_ = false; }

    // A port is open: "open" on its line topic (at start, and for a UDP port bound again after it was lost).
    BridgeActions portOpened(std::int32_t portNumber);
    // What the link of a port told (port by its Tarvex number).
    BridgeActions linkEvent(std::int32_t portNumber, const LinkEvent& event);
    // A message on a subscribed topic; retained marks one the broker kept from earlier.
    BridgeActions message(std::string_view topic, std::string_view payload, bool retained);
    // What became of queueing a command: its frame, or 0 and why nothing was queued.
    BridgeActions commandIssued(std::uint64_t ticket, const IssueResult& issued);

    // "offline" on the bridge's status topic, for the runner to publish before it disconnects.
    MqttPublish goingOffline() const;
    const TopicTree& topics() const { return topics_; }

private:
    using TerminalKey = std::pair<std::int32_t, TerminalAddress>;
    // A command on its way: who asked, and for arm and disarm what an answer changes.
    struct PendingCommand {
        TerminalKey terminal;
        nlohmann::ordered_json id;
        std::string command;
        std::optional<ArmCommand> arming;
    };
    // The retained values of a terminal, compared before and after an input to publish what changed.
    struct RetainedView {
        bool onLine = false;
        std::string state;
        std::array<bool, TerminalRecord::kZones> alarms{};
        std::array<std::optional<bool>, TerminalRecord::kZones> flags{};
        std::optional<std::string_view> panel;
    };

    BridgeActions terminalEvent(std::int32_t portNumber, const TerminalEvent& event);
    BridgeActions frameOutcome(std::int32_t portNumber, const OstrelOutcome& outcome);
    BridgeActions connectionLost(std::int32_t portNumber);
    BridgeActions command(const TerminalKey& terminal, std::string_view payload);
    BridgeActions panelCommand(const TerminalKey& terminal, std::string_view payload);
    // Hands the request to the runner, to be followed until its outcome.
    BridgeActions issue(const TerminalKey& terminal, nlohmann::ordered_json id,
                        const CommandRequest& request);

    RetainedView viewOf(const TerminalRecord& record) const;
    // The retained topics whose values differ between before (nothing published when absent) and after.
    void publishChanges(const TerminalKey& terminal, const std::optional<RetainedView>& before,
                        const RetainedView& after, BridgeActions& actions) const;
    void publishTerminalConfigs(const TerminalKey& terminal, BridgeActions& actions) const;
    void publish(BridgeActions& actions, MqttPublish message) const;
    MqttPublish outcomeMessage(const TerminalKey& terminal, const nlohmann::ordered_json& body) const;
    // An "error" outcome: on the terminal's outcome topic, or on BASE/bridge/error without a terminal.
    BridgeActions errorOutcome(const std::optional<TerminalKey>& terminal, std::string_view topic,
                               const nlohmann::ordered_json& id, std::string_view command,
                               const std::string& error) const;
    const PortSpec* portNumbered(std::int32_t portNumber) const;

    Settings settings_;
    TopicTree topics_;
    HomeAssistantDiscovery discovery_;
    bool connected_ = false;
    std::map<std::int32_t, std::string> lines_;
    std::map<TerminalKey, TerminalRecord> terminals_;
    std::map<std::uint64_t, PendingCommand> issuing_;
    std::map<std::pair<std::int32_t, std::uint32_t>, PendingCommand> queued_;
    std::uint64_t nextTicket_ = 1;
};

} // namespace tarvex::cli
