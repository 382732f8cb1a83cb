#include "BridgeCore.h"

#include "EventJson.h"
#include "EventNames.h"

#include <algorithm>

namespace tarvex::cli {

namespace {

using json = nlohmann::ordered_json;

constexpr std::string_view kOpen = "open";
constexpr std::string_view kLost = "lost";

std::string onOff(bool on) {
    return on ? "ON" : "OFF";
}

bool needsPassword(std::string_view command) {
    return command == "arm" || command == "disarm" || command == "name" || command == "program";
}

// Texts from Ostrel are its bytes, not always UTF-8.
template <class Json> std::string dumped(const Json& body) {
    return body.dump(-1, ' ', false, Json::error_handler_t::replace);
}

json outcomeBody(const json& id, std::string_view command, std::string_view outcome) {
    return {{"id", id},
            {"command", command.empty() ? json(nullptr) : json(command)},
            {"outcome", outcome},
            {"ms", nullptr},
            {"sendings", nullptr},
            {"frame", nullptr},
            {"error", nullptr}};
}

} // namespace

BridgeCore::BridgeCore(Settings settings)
    : settings_(std::move(settings)), topics_(settings_.topic),
      discovery_(topics_, settings_.discoveryPrefix) {}

BridgeActions BridgeCore::brokerConnected() {
    connected_ = true;
    BridgeActions actions;
    publish(actions, {topics_.bridgeStatus(), "online", true});
    if (!settings_.discoveryPrefix.empty())
        publish(actions, discovery_.bridgeConfig());
    for (const auto& [portNumber, line] : lines_)
        publish(actions, {topics_.line(portNumber), line, true});
    for (const auto& [terminal, record] : terminals_) {
        publishTerminalConfigs(terminal, actions);
        publishChanges(terminal, std::nullopt, viewOf(record), actions);
    }
    return actions;
}

BridgeActions BridgeCore::portOpened(std::int32_t portNumber) {
    BridgeActions actions;
    lines_[portNumber] = kOpen;
    publish(actions, {topics_.line(portNumber), std::string(kOpen), true});
    return actions;
}

BridgeActions BridgeCore::linkEvent(std::int32_t portNumber, const LinkEvent& event) {
    if (const auto* terminal = std::get_if<TerminalEvent>(&event))
        return terminalEvent(portNumber, *terminal);
    if (const auto* outcome = std::get_if<FrameOutcome>(&event))
        return frameOutcome(portNumber, outcome->outcome);
    return connectionLost(portNumber);
}

BridgeActions BridgeCore::terminalEvent(std::int32_t portNumber, const TerminalEvent& event) {
    BridgeActions actions;
    const PortSpec* port = portNumbered(portNumber);
    // Block and port events stand for many terminals; their terminals report for themselves.
    if (!port || event.addressA == OSTREL_WHOLE_BLOCK || event.addressB == OSTREL_WHOLE_BLOCK)
        return actions;
    const TerminalKey terminal{portNumber, {event.addressA, event.addressB}};
    auto [entry, heardFirst] = terminals_.try_emplace(terminal);
    std::optional<RetainedView> before;
    if (heardFirst)
        publishTerminalConfigs(terminal, actions);
    else
        before = viewOf(entry->second);
    entry->second.applyEvent(event.eventCode, event.index);
    publishChanges(terminal, before, viewOf(entry->second), actions);
    publish(actions, {topics_.terminal(portNumber, terminal.second, "event"),
                      dumped(terminalEventJson(event, *port)), false});
    return actions;
}

BridgeActions BridgeCore::frameOutcome(std::int32_t portNumber, const OstrelOutcome& outcome) {
    BridgeActions actions;
    if (outcome.kind == OSTREL_LINE_LOST || outcome.kind == OSTREL_LINE_REOPENED) {
        const auto line = outcome.kind == OSTREL_LINE_LOST ? kLost : kOpen;
        lines_[portNumber] = line;
        publish(actions, {topics_.line(portNumber), std::string(line), true});
        return actions;
    }
    const auto found = queued_.find({portNumber, outcome.frameNumber});
    if (found == queued_.end())
        return actions;
    const PendingCommand pending = std::move(found->second);
    queued_.erase(found);

    json body = outcomeBody(pending.id, pending.command, outcomeName(outcome.kind));
    body["ms"] = outcome.elapsedMs;
    body["sendings"] = outcome.sendings;
    body["frame"] = outcome.frameNumber;
    if (outcome.kind == OSTREL_FRAME_ANSWERED && pending.arming) {
        const auto record = terminals_.find(pending.terminal);
        if (record != terminals_.end()) {
            const auto before = viewOf(record->second);
            record->second.applyArming(pending.arming->arm, pending.arming->zone);
            publishChanges(pending.terminal, before, viewOf(record->second), actions);
        }
    }
    publish(actions, outcomeMessage(pending.terminal, body));
    return actions;
}

BridgeActions BridgeCore::connectionLost(std::int32_t portNumber) {
    // The UDP socket is closed and Ostrel's table emptied: its terminals are heard again, and go on line
    // again, only once the port is bound anew.
    BridgeActions actions;
    lines_[portNumber] = kLost;
    publish(actions, {topics_.line(portNumber), std::string(kLost), true});
    for (auto& [terminal, record] : terminals_) {
        if (terminal.first != portNumber || !record.onLine())
            continue;
        const auto before = viewOf(record);
        record.applyEvent(OSTREL_EVENT_TERMINAL_OFF_LINE, 0);
        publishChanges(terminal, before, viewOf(record), actions);
    }
    return actions;
}

BridgeActions BridgeCore::message(std::string_view topic, std::string_view payload, bool retained) {
    const auto incoming = topics_.parse(topic);
    if (!incoming)
        return {};
    std::string error;
    const auto port = parsePortSpec(incoming->port, error);
    const auto address = port ? parseTerminalAddress(incoming->address, error) : std::nullopt;
    if (!port || !address)
        return errorOutcome(std::nullopt, topic, nullptr, {}, error);
    const TerminalKey terminal{port->startNumber, *address};
    if (!portNumbered(port->startNumber)) {
        std::string opened;
        for (const auto& p : settings_.ports)
            opened += (opened.empty() ? "" : " ") + std::to_string(p.startNumber);
        return errorOutcome(terminal, topic, nullptr, {},
                            "port " + std::to_string(port->startNumber) +
                                " is not one the bridge opened (it opened " + opened + ")");
    }
    // A retained command would be carried out again at every connection.
    if (retained)
        return errorOutcome(
            terminal, topic, nullptr, {},
            "a retained command is not carried out: publish commands without the retain flag");
    return incoming->kind == TopicTree::Incoming::Kind::Command ? command(terminal, payload)
                                                                : panelCommand(terminal, payload);
}

BridgeActions BridgeCore::command(const TerminalKey& terminal, std::string_view payload) {
    const std::string topic = topics_.terminal(terminal.first, terminal.second, "command");
    nlohmann::json fields;
    try {
        fields = nlohmann::json::parse(payload);
    } catch (const nlohmann::json::parse_error& e) {
        return errorOutcome(terminal, topic, nullptr, {},
                            std::string("the payload is not JSON: ") + e.what());
    }
    json id = nullptr;
    std::string name;
    if (fields.is_object()) {
        if (const auto given = fields.find("id"); given != fields.end()) {
            if (!given->is_string() && !given->is_number())
                return errorOutcome(terminal, topic, nullptr, {}, "\"id\" must be a text or a number");
            id = json(*given);
        }
        if (const auto given = fields.find("command"); given != fields.end() && given->is_string())
            name = given->get<std::string>();
        if (needsPassword(name) && !fields.contains("password")) {
            const auto password = settings_.passwords.find(terminal.first, terminal.second);
            if (!password)
                return errorOutcome(terminal, topic, id, name,
                                    name + ": give \"password\", or one for " +
                                        std::to_string(terminal.first) + "/" + terminal.second.text() +
                                        " (or a default) in [passwords] of the configuration file");
            fields["password"] = *password;
        }
    }
    const auto parse = parseCommandJson(fields);
    if (!parse.request)
        return errorOutcome(terminal, topic, id, name, parse.error);
    return issue(terminal, id, *parse.request);
}

BridgeActions BridgeCore::panelCommand(const TerminalKey& terminal, std::string_view payload) {
    const std::string topic = topics_.terminal(terminal.first, terminal.second, "panel/set");
    const bool arm = payload == "ARM_AWAY" || payload == "ARM_HOME";
    const std::string_view name = arm ? "arm" : "disarm";
    if (!arm && payload != "DISARM")
        return errorOutcome(terminal, topic, nullptr, {},
                            "panel/set takes ARM_AWAY, ARM_HOME or DISARM, not '" + std::string(payload) +
                                "'");
    const auto password = settings_.passwords.find(terminal.first, terminal.second);
    if (!password)
        return errorOutcome(terminal, topic, nullptr, name,
                            "no password for " + std::to_string(terminal.first) + "/" +
                                terminal.second.text() +
                                " (nor a default) in [passwords] of the configuration file");
    return issue(terminal, nullptr, ArmCommand{arm, *password, 0});
}

BridgeActions BridgeCore::issue(const TerminalKey& terminal, json id, const CommandRequest& request) {
    const std::uint64_t ticket = nextTicket_++;
    PendingCommand pending{terminal, std::move(id), std::string(commandName(request)), std::nullopt};
    if (const auto* arming = std::get_if<ArmCommand>(&request))
        pending.arming = *arming;
    issuing_.emplace(ticket, std::move(pending));
    BridgeActions actions;
    actions.commands.push_back({ticket, *portNumbered(terminal.first), terminal.second, request});
    return actions;
}

BridgeActions BridgeCore::commandIssued(std::uint64_t ticket, const IssueResult& issued) {
    BridgeActions actions;
    const auto found = issuing_.find(ticket);
    if (found == issuing_.end())
        return actions;
    PendingCommand pending = std::move(found->second);
    issuing_.erase(found);
    if (issued.frame != 0) {
        queued_.emplace(std::pair(pending.terminal.first, issued.frame), std::move(pending));
        return actions;
    }
    json body = outcomeBody(pending.id, pending.command, issued.queueFull ? "not_queued" : "error");
    body["error"] = issued.error;
    publish(actions, outcomeMessage(pending.terminal, body));
    return actions;
}

MqttPublish BridgeCore::goingOffline() const {
    return {topics_.bridgeStatus(), "offline", true};
}

BridgeCore::RetainedView BridgeCore::viewOf(const TerminalRecord& record) const {
    RetainedView view;
    view.onLine = record.onLine();
    view.state = record.stateJson();
    for (int zone = 1; zone <= TerminalRecord::kZones; ++zone) {
        view.alarms[static_cast<std::size_t>(zone - 1)] = record.zoneAlarm(zone);
        view.flags[static_cast<std::size_t>(zone - 1)] = record.zoneFlag(zone);
    }
    view.panel = record.panelState();
    return view;
}

void BridgeCore::publishChanges(const TerminalKey& terminal, const std::optional<RetainedView>& before,
                                const RetainedView& after, BridgeActions& actions) const {
    const auto& [portNumber, address] = terminal;
    if (!before || before->onLine != after.onLine)
        publish(actions, {topics_.terminal(portNumber, address, "online"), onOff(after.onLine), true});
    if (!before || before->state != after.state)
        publish(actions, {topics_.terminal(portNumber, address, "state"), after.state, true});
    for (std::size_t i = 0; i < after.alarms.size(); ++i) {
        const int zone = static_cast<int>(i) + 1;
        if (!before || before->alarms[i] != after.alarms[i])
            publish(actions,
                    {topics_.zone(portNumber, address, zone, "alarm"), onOff(after.alarms[i]), true});
        if (after.flags[i] && (!before || before->flags[i] != after.flags[i]))
            publish(actions, {topics_.zone(portNumber, address, zone, "flag"), onOff(*after.flags[i]), true});
    }
    // A panel state that is no longer known is taken off the broker: an empty retained message.
    const bool panelChanged = before ? before->panel != after.panel : after.panel.has_value();
    if (panelChanged)
        publish(actions, {topics_.terminal(portNumber, address, "panel"),
                          std::string(after.panel.value_or("")), true});
}

void BridgeCore::publishTerminalConfigs(const TerminalKey& terminal, BridgeActions& actions) const {
    if (settings_.discoveryPrefix.empty())
        return;
    for (auto& config : discovery_.terminalConfigs(*portNumbered(terminal.first), terminal.second))
        publish(actions, std::move(config));
}

void BridgeCore::publish(BridgeActions& actions, MqttPublish message) const {
    if (connected_)
        actions.publishes.push_back(std::move(message));
}

MqttPublish BridgeCore::outcomeMessage(const TerminalKey& terminal, const json& body) const {
    return {topics_.terminal(terminal.first, terminal.second, "outcome"), dumped(body), false};
}

BridgeActions BridgeCore::errorOutcome(const std::optional<TerminalKey>& terminal, std::string_view topic,
                                       const json& id, std::string_view command,
                                       const std::string& error) const {
    BridgeActions actions;
    json body = outcomeBody(id, command, "error");
    body["error"] = error;
    if (terminal) {
        publish(actions, outcomeMessage(*terminal, body));
    } else {
        body["topic"] = topic;
        publish(actions, {topics_.bridgeError(), dumped(body), false});
    }
    return actions;
}

const PortSpec* BridgeCore::portNumbered(std::int32_t portNumber) const {
    const auto found = std::find_if(settings_.ports.begin(), settings_.ports.end(),
                                    [portNumber](const PortSpec& p) { return p.startNumber == portNumber; });
    return found != settings_.ports.end() ? &*found : nullptr;
}

} // namespace tarvex::cli
