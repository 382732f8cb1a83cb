// The bridge's core alone: Ostrel's events and the broker's messages in, publishes and commands out.
#include "BridgeCore.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace tarvex::cli;
using json = nlohmann::json;

namespace {

constexpr std::int32_t kUdp = 6000;
constexpr std::int32_t kCom = 3;

BridgeCore::Settings settings(std::string discovery = "") {
    BridgeCore::Settings s{"site", std::move(discovery), {{kUdp, OSTREL_PORT_UDP}, {kCom, kCom}}, {}};
    s.passwords.setDefault("1234");
    s.passwords.set(kUdp, {1, 2}, "567890");
    return s;
}

LinkEvent event(int a, int b, std::int32_t code, int zone = 0) {
    return TerminalEvent{{}, OSTREL_PORT_UDP, a, b, zone, code, ""};
}

LinkEvent outcome(std::int32_t kind, std::uint32_t frame, int sendings = 1, int ms = 12) {
    OstrelOutcome o{kind, OSTREL_PORT_UDP, 1, 2, OSTREL_COMMAND_SINGLE_LIGHT, frame, sendings, ms};
    return FrameOutcome{{}, o};
}

// The payloads published on a topic, in order.
std::vector<std::string> on(const BridgeActions& actions, const std::string& topic) {
    std::vector<std::string> payloads;
    for (const auto& p : actions.publishes)
        if (p.topic == topic)
            payloads.push_back(p.payload);
    return payloads;
}

const MqttPublish* find(const BridgeActions& actions, const std::string& topic) {
    for (const auto& p : actions.publishes)
        if (p.topic == topic)
            return &p;
    return nullptr;
}

json lastJson(const BridgeActions& actions, const std::string& topic) {
    const auto payloads = on(actions, topic);
    return payloads.empty() ? json() : json::parse(payloads.back());
}

// A core connected to its broker, with terminal 1.2 of UDP 6000 on line.
struct Connected {
    explicit Connected(BridgeCore::Settings s = settings()) : core(std::move(s)) {
        core.portOpened(kUdp);
        core.brokerConnected();
        core.linkEvent(kUdp, event(1, 2, OSTREL_EVENT_TERMINAL_ON_LINE));
    }

    // Publishes the command and queues it as frame `frame`; the core's request to queue it.
    CommandToIssue issue(const std::string& topic, const std::string& payload, std::uint32_t frame) {
        auto actions = core.message(topic, payload, false);
        EXPECT_EQ(actions.commands.size(), 1u) << payload;
        EXPECT_TRUE(actions.publishes.empty());
        if (actions.commands.empty())
            return {};
        auto command = actions.commands.front();
        EXPECT_TRUE(core.commandIssued(command.ticket, {frame, false, ""}).publishes.empty());
        return command;
    }

    BridgeCore core;
};

TEST(BridgeCoreStates, FirstHearingPublishesEveryRetainedStateThenTheEvent) {
    BridgeCore core(settings());
    core.portOpened(kUdp);
    EXPECT_TRUE(core.brokerConnected().publishes.size() >= 2);
    const auto actions = core.linkEvent(kUdp, event(1, 2, OSTREL_EVENT_TERMINAL_ON_LINE));

    EXPECT_EQ(on(actions, "site/6000/1.2/online"), std::vector<std::string>{"ON"});
    const auto state = lastJson(actions, "site/6000/1.2/state");
    EXPECT_EQ(state["state"], "on_line");
    EXPECT_EQ(state["zones_in_alarm"], json::array());
    for (int zone = 1; zone <= 8; ++zone)
        EXPECT_EQ(on(actions, "site/6000/1.2/zone/" + std::to_string(zone) + "/alarm"),
                  std::vector<std::string>{"OFF"});
    // Flags and the panel are not known yet.
    EXPECT_EQ(find(actions, "site/6000/1.2/zone/1/flag"), nullptr);
    EXPECT_EQ(find(actions, "site/6000/1.2/panel"), nullptr);
    for (const auto& p : actions.publishes)
        EXPECT_EQ(p.retain, !p.topic.ends_with("/event")) << p.topic;

    const auto published = lastJson(actions, "site/6000/1.2/event");
    EXPECT_EQ(published["port"], kUdp);
    EXPECT_EQ(published["address"], "1.2");
    EXPECT_EQ(published["name"], "terminal_on_line");
    EXPECT_TRUE(published["zone"].is_null());
    EXPECT_EQ(actions.publishes.back().topic, "site/6000/1.2/event");
}

TEST(BridgeCoreStates, AnEventPublishesOnlyWhatChanged) {
    Connected c;
    auto actions = c.core.linkEvent(kUdp, event(1, 2, OSTREL_EVENT_ZONE_ALARM_SET, 3));
    EXPECT_EQ(on(actions, "site/6000/1.2/zone/3/alarm"), std::vector<std::string>{"ON"});
    EXPECT_EQ(lastJson(actions, "site/6000/1.2/state")["zones_in_alarm"], json::array({3}));
    EXPECT_EQ(on(actions, "site/6000/1.2/panel"), std::vector<std::string>{"triggered"});
    EXPECT_EQ(find(actions, "site/6000/1.2/online"), nullptr);
    EXPECT_EQ(find(actions, "site/6000/1.2/zone/2/alarm"), nullptr);
    EXPECT_EQ(lastJson(actions, "site/6000/1.2/event")["zone"], 3);

    actions = c.core.linkEvent(kUdp, event(1, 2, OSTREL_EVENT_STATUS_BIT2_SET));
    EXPECT_EQ(lastJson(actions, "site/6000/1.2/state")["state"], "on_line_status_bit2");
    EXPECT_EQ(find(actions, "site/6000/1.2/zone/3/alarm"), nullptr);

    actions = c.core.linkEvent(kUdp, event(1, 2, OSTREL_EVENT_ZONE_FLAG_SET, 5));
    EXPECT_EQ(on(actions, "site/6000/1.2/zone/5/flag"), std::vector<std::string>{"ON"});
    EXPECT_EQ(lastJson(actions, "site/6000/1.2/state")["zone_flags"], json::array({5}));

    actions = c.core.linkEvent(kUdp, event(1, 2, OSTREL_EVENT_TERMINAL_OFF_LINE));
    EXPECT_EQ(on(actions, "site/6000/1.2/online"), std::vector<std::string>{"OFF"});
    EXPECT_EQ(lastJson(actions, "site/6000/1.2/state")["state"], "off_line");
}

TEST(BridgeCoreStates, BlockAndPortEventsNameNoTerminal) {
    Connected c;
    EXPECT_TRUE(c.core.linkEvent(kUdp, event(1, 255, OSTREL_EVENT_BLOCK_ON_LINE)).publishes.empty());
    EXPECT_TRUE(c.core.linkEvent(kUdp, event(255, 255, OSTREL_EVENT_PORT_ON_LINE)).publishes.empty());
}

TEST(BridgeCoreStates, LinesFollowTheirPortsAndALostUdpSocketTakesItsTerminalsOffLine) {
    Connected c;
    c.core.linkEvent(kUdp, event(1, 3, OSTREL_EVENT_TERMINAL_ON_LINE));
    auto actions = c.core.linkEvent(kUdp, ConnectionLost{"PC dropped."});
    EXPECT_EQ(on(actions, "site/6000/line"), std::vector<std::string>{"lost"});
    EXPECT_EQ(on(actions, "site/6000/1.2/online"), std::vector<std::string>{"OFF"});
    EXPECT_EQ(on(actions, "site/6000/1.3/online"), std::vector<std::string>{"OFF"});
    EXPECT_EQ(on(c.core.portOpened(kUdp), "site/6000/line"), std::vector<std::string>{"open"});

    OstrelOutcome lost{OSTREL_LINE_LOST, kCom, 255, 255, 0, 0, 0, 0};
    EXPECT_EQ(on(c.core.linkEvent(kCom, FrameOutcome{{}, lost}), "site/3/line"),
              std::vector<std::string>{"lost"});
    lost.kind = OSTREL_LINE_REOPENED;
    EXPECT_EQ(on(c.core.linkEvent(kCom, FrameOutcome{{}, lost}), "site/3/line"),
              std::vector<std::string>{"open"});
}

TEST(BridgeCoreReconnect, NothingIsPublishedWhileTheBrokerIsAwayAndEverythingRetainedComesBackAfter) {
    Connected c(settings("homeassistant"));
    c.core.brokerDisconnected();
    EXPECT_TRUE(c.core.linkEvent(kUdp, event(1, 2, OSTREL_EVENT_ZONE_ALARM_SET, 4)).publishes.empty());
    EXPECT_TRUE(c.core.linkEvent(kUdp, event(2, 7, OSTREL_EVENT_TERMINAL_ON_LINE)).publishes.empty());
    EXPECT_TRUE(c.core.portOpened(kCom).publishes.empty());

    const auto actions = c.core.brokerConnected();
    EXPECT_EQ(actions.publishes.front(), (MqttPublish{"site/bridge/status", "online", true}));
    EXPECT_EQ(on(actions, "site/6000/line"), std::vector<std::string>{"open"});
    EXPECT_EQ(on(actions, "site/3/line"), std::vector<std::string>{"open"});
    for (const auto* address : {"1.2", "2.7"}) {
        const std::string terminal = std::string("site/6000/") + address;
        EXPECT_EQ(on(actions, terminal + "/online"), std::vector<std::string>{"ON"});
        EXPECT_EQ(on(actions, terminal + "/zone/8/alarm").size(), 1u);
    }
    EXPECT_EQ(on(actions, "site/6000/1.2/zone/4/alarm"), std::vector<std::string>{"ON"});
    EXPECT_EQ(on(actions, "site/6000/1.2/panel"), std::vector<std::string>{"triggered"});
    EXPECT_EQ(lastJson(actions, "site/6000/2.7/state")["state"], "on_line");
    // Home Assistant's configs again, the bridge's and each terminal's, each before its terminal's states.
    EXPECT_NE(find(actions, "homeassistant/binary_sensor/tarvex_bridge/status/config"), nullptr);
    for (const auto* node : {"tarvex_6000_1_2", "tarvex_6000_2_7"}) {
        const std::string panel = std::string("homeassistant/alarm_control_panel/") + node + "/panel/config";
        ASSERT_NE(find(actions, panel), nullptr);
        EXPECT_TRUE(find(actions, panel)->retain);
    }
    const auto position = [&](const std::string& topic) {
        return std::find_if(actions.publishes.begin(), actions.publishes.end(),
                            [&](const MqttPublish& p) { return p.topic == topic; }) -
               actions.publishes.begin();
    };
    EXPECT_LT(position("homeassistant/binary_sensor/tarvex_6000_1_2/online/config"),
              position("site/6000/1.2/online"));
    // Events are not kept.
    for (const auto& p : actions.publishes)
        EXPECT_FALSE(p.topic.ends_with("/event")) << p.topic;
}

// The panel state after each step, "" where the retained state is taken off (an empty message), nothing
// where nothing is published.
TEST(BridgeCorePanel, FollowsAlarmsAndTheAnsweredArmAndDisarmCommands) {
    Connected c;
    const std::string panel = "site/6000/1.2/panel";
    const std::string command = "site/6000/1.2/command";
    std::uint32_t frame = 0;
    const auto answered = [&](const std::string& payload, std::int32_t kind = OSTREL_FRAME_ANSWERED) {
        c.issue(command, payload, ++frame);
        return on(c.core.linkEvent(kUdp, outcome(kind, frame)), panel);
    };
    using Payloads = std::vector<std::string>;

    EXPECT_EQ(on(c.core.linkEvent(kUdp, event(1, 2, OSTREL_EVENT_ZONE_ALARM_SET, 1)), panel),
              Payloads{"triggered"});
    EXPECT_EQ(on(c.core.linkEvent(kUdp, event(1, 2, OSTREL_EVENT_ZONE_ALARM_CLEARED, 1)), panel),
              Payloads{""});
    EXPECT_EQ(answered(R"({"command": "arm"})", OSTREL_FRAME_FAILED), Payloads{});
    EXPECT_EQ(answered(R"({"command": "arm"})", OSTREL_FRAME_UNREACHABLE), Payloads{});
    EXPECT_EQ(answered(R"({"command": "arm"})"), Payloads{"armed_away"});
    EXPECT_EQ(answered(R"({"command": "disarm", "zone": 2})"), Payloads{"armed_custom_bypass"});
    EXPECT_EQ(answered(R"({"command": "arm", "zone": 2})"), Payloads{"armed_away"});
    EXPECT_EQ(on(c.core.linkEvent(kUdp, event(1, 2, OSTREL_EVENT_ZONE_ALARM_SET, 6)), panel),
              Payloads{"triggered"});
    EXPECT_EQ(answered(R"({"command": "disarm"})"), Payloads{});
    EXPECT_EQ(on(c.core.linkEvent(kUdp, event(1, 2, OSTREL_EVENT_ZONE_ALARM_CLEARED, 6)), panel),
              Payloads{"disarmed"});
    EXPECT_EQ(answered(R"({"command": "arm", "zone": 7})"), Payloads{"armed_custom_bypass"});
    EXPECT_EQ(answered(R"({"command": "lamp", "lamp": 1, "state": "on"})"), Payloads{});
}

TEST(BridgeCoreCommands, ACommandIsQueuedAndItsOutcomePublishedWithItsId) {
    Connected c;
    const auto command =
        c.issue("site/6000/1.2/command", R"({"command": "lamp", "lamp": 2, "state": "on", "id": "k7"})", 41);
    EXPECT_EQ(command.port, (PortSpec{kUdp, OSTREL_PORT_UDP}));
    EXPECT_EQ(command.address, (TerminalAddress{1, 2}));
    ASSERT_TRUE(std::holds_alternative<LampCommand>(command.request));
    EXPECT_EQ(std::get<LampCommand>(command.request).lamp, 2);

    // Another port's frame of the same number is not this command's.
    EXPECT_TRUE(c.core.linkEvent(kCom, outcome(OSTREL_FRAME_ANSWERED, 41)).publishes.empty());
    const auto actions = c.core.linkEvent(kUdp, outcome(OSTREL_FRAME_ANSWERED, 41, 2, 1030));
    ASSERT_EQ(actions.publishes.size(), 1u);
    EXPECT_FALSE(actions.publishes[0].retain);
    EXPECT_EQ(json::parse(actions.publishes[0].payload),
              json::parse(R"({"id": "k7", "command": "lamp", "outcome": "answered", "ms": 1030, "sendings": 2,
                              "frame": 41, "error": null})"));
    EXPECT_EQ(actions.publishes[0].topic, "site/6000/1.2/outcome");
    // Told once.
    EXPECT_TRUE(c.core.linkEvent(kUdp, outcome(OSTREL_FRAME_ANSWERED, 41)).publishes.empty());

    c.issue("site/6000/1.2/command", R"({"command": "powerup", "id": 9})", 42);
    for (const auto& [kind, name] :
         std::vector<std::pair<std::int32_t, std::string>>{{OSTREL_FRAME_FAILED, "failed"},
                                                           {OSTREL_FRAME_UNREACHABLE, "unreachable"},
                                                           {OSTREL_FRAME_DISCARDED, "discarded"}}) {
        c.issue("site/6000/1.2/command", R"({"command": "powerup", "id": 9})",
                50 + static_cast<std::uint32_t>(kind));
        const auto told =
            lastJson(c.core.linkEvent(kUdp, outcome(kind, 50 + static_cast<std::uint32_t>(kind), 3, 0)),
                     "site/6000/1.2/outcome");
        EXPECT_EQ(told["outcome"], name);
        EXPECT_EQ(told["id"], 9);
        EXPECT_EQ(told["sendings"], 3);
    }
}

TEST(BridgeCoreCommands, PasswordsComeFromTheStoreWhenTheCommandHasNone) {
    Connected c;
    const auto passwordOf = [](const CommandToIssue& command) {
        if (const auto* arm = std::get_if<ArmCommand>(&command.request))
            return arm->password;
        if (const auto* name = std::get_if<NameCommand>(&command.request))
            return name->password;
        return std::get<ProgramCommand>(command.request).password;
    };
    EXPECT_EQ(passwordOf(c.issue("site/6000/1.2/command", R"({"command": "arm"})", 1)), "567890");
    EXPECT_EQ(passwordOf(c.issue("site/6000/1.3/command", R"({"command": "disarm", "zone": 1})", 2)), "1234");
    EXPECT_EQ(
        passwordOf(c.issue("site/3/1.2/command", R"({"command": "name", "zone": 0, "name": "Hall"})", 1)),
        "1234");
    EXPECT_EQ(passwordOf(c.issue("site/6000/1.2/command",
                                 R"({"command": "program", "master": 1, "sub": 2, "data": "x"})", 3)),
              "567890");
    EXPECT_EQ(passwordOf(c.issue("site/6000/1.2/command", R"({"command": "arm", "password": "4321"})", 4)),
              "4321");

    // Home Assistant's panel: every zone, with the stored password.
    for (const auto* payload : {"ARM_AWAY", "ARM_HOME", "DISARM"}) {
        const auto command = c.issue("site/6000/1.2/panel/set", payload, 10);
        const auto& arm = std::get<ArmCommand>(command.request);
        EXPECT_EQ(arm.arm, std::string(payload) != "DISARM");
        EXPECT_EQ(arm.zone, 0);
        EXPECT_EQ(arm.password, "567890");
    }
}

TEST(BridgeCoreCommands, WhatIsNotQueuedIsToldWithTheReason) {
    Connected c;
    auto actions = c.core.message("site/6000/1.2/command", R"({"command": "clear", "id": "a"})", false);
    ASSERT_EQ(actions.commands.size(), 1u);
    auto told = lastJson(c.core.commandIssued(actions.commands[0].ticket, {0, true, "queue full"}),
                         "site/6000/1.2/outcome");
    EXPECT_EQ(told["outcome"], "not_queued");
    EXPECT_EQ(told["error"], "queue full");
    EXPECT_EQ(told["id"], "a");

    actions =
        c.core.message("site/6000/1.2/command", R"({"command": "display", "text": "\u00e9t\u00e9"})", false);
    ASSERT_EQ(actions.commands.size(), 1u);
    told =
        lastJson(c.core.commandIssued(actions.commands[0].ticket, {0, false, "display: 'é' has no GBK form"}),
                 "site/6000/1.2/outcome");
    EXPECT_EQ(told["outcome"], "error");
    EXPECT_EQ(told["command"], "display");
    EXPECT_TRUE(told["frame"].is_null());
}

// Each bad message gets an error outcome on the topic it names, and nothing is queued.
TEST(BridgeCoreCommands, BadMessagesGetAnErrorOutcomeAndQueueNothing) {
    BridgeCore::Settings noDefault = settings();
    noDefault.passwords = {};
    Connected c(std::move(noDefault));
    struct Case {
        std::string topic, payload;
        bool retained;
        std::string outcomeTopic, errorPart;
    };
    const std::vector<Case> cases{
        {"site/6000/1.2/command", "{\"command\": ", false, "site/6000/1.2/outcome", "not JSON"},
        {"site/6000/1.2/command", R"({"command": "dance"})", false, "site/6000/1.2/outcome", "dance"},
        {"site/6000/1.2/command", R"({"command": "lamp", "lamp": 2, "state": "dim"})", false,
         "site/6000/1.2/outcome", "state"},
        {"site/6000/1.2/command", R"({"command": "lamp", "lamp": 2, "state": "on", "id": [1]})", false,
         "site/6000/1.2/outcome", "\"id\""},
        {"site/6000/1.2/command", R"({"command": "arm"})", false, "site/6000/1.2/outcome", "password"},
        {"site/6000/1.2/command", R"({"command": "clear"})", true, "site/6000/1.2/outcome", "retain"},
        {"site/6000/1.2/panel/set", "ARM_NIGHT", false, "site/6000/1.2/outcome", "ARM_NIGHT"},
        {"site/6000/1.2/panel/set", "DISARM", false, "site/6000/1.2/outcome", "password"},
        {"site/7000/1.2/command", R"({"command": "clear"})", false, "site/7000/1.2/outcome", "7000"},
        {"site/6000/1.256/command", R"({"command": "clear"})", false, "site/bridge/error", "1.256"},
        {"site/COM3/1.2/command", R"({"command": "clear"})", false, "site/bridge/error", "COM3"},
    };
    for (const auto& bad : cases) {
        const auto actions = c.core.message(bad.topic, bad.payload, bad.retained);
        EXPECT_TRUE(actions.commands.empty()) << bad.payload;
        ASSERT_EQ(actions.publishes.size(), 1u) << bad.payload;
        EXPECT_EQ(actions.publishes[0].topic, bad.outcomeTopic) << bad.payload;
        const auto told = json::parse(actions.publishes[0].payload);
        EXPECT_EQ(told["outcome"], "error") << bad.payload;
        EXPECT_NE(told["error"].get<std::string>().find(bad.errorPart), std::string::npos) << told["error"];
        if (bad.outcomeTopic == "site/bridge/error") {
            EXPECT_EQ(told["topic"], bad.topic);
        }
    }
}

} // namespace
