// tarvex-cli bridge end to end: the program as a process between a real Mosquitto broker and zenvar-sim
// terminals on loopback UDP, watched and driven by an MQTT client of the test's.
#include "support/BridgeProcess.h"
#include "support/FreeUdpPort.h"
#include "support/MosquittoBroker.h"
#include "support/MqttTestClient.h"
#include "support/PtyLine.h"
#include "support/SimProcess.h"
#include "support/WaitUntil.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

using namespace std::chrono_literals;
using json = nlohmann::json;
using Message = MqttTestClient::Message;

namespace {

constexpr const char* kTerminalPassword = "567890";
constexpr const char* kDefaultPassword = "4321";

class BridgeAgainstBroker : public ::testing::Test {
protected:
    void SetUp() override {
        broker = std::make_unique<MosquittoBroker>(folder.path());
        watcher = std::make_unique<MqttTestClient>(broker->port());
        watcher->subscribe("site/#");
        watcher->subscribe("homeassistant/#");
    }

    void TearDown() override {
        // Every run ends as a service manager ends it, and cleanly (a sanitizer's finding fails it).
        if (bridge && bridge->running() && bridge->exitStatus(0ms) == std::nullopt) {
            EXPECT_EQ(bridge->stop(SIGTERM), 0);
        }
        if (HasFailure()) {
            std::cout << "bridge log:\n" << (bridge ? bridge->log() : "") << "broker log:\n" << broker->log();
            if (sim)
                std::cout << "zenvar-sim's log:\n" << sim->readableLog() << sim->errors();
        }
        bridge.reset();
        sim.reset();
    }

    // The bridge on a free UDP port with terminal 1.2 heard, its password in the configuration file.
    void startBridgeAndTerminal(const std::vector<std::string>& extra = {}) {
        for (int attempt = 0; attempt < 5 && !bridge; ++attempt) {
            udpPort = freeUdpPort();
            writeConfig();
            std::vector<std::string> arguments{"--config",        "bridge.conf", "--mqtt",
                                               broker->address(), "--port",      std::to_string(udpPort)};
            arguments.insert(arguments.end(), extra.begin(), extra.end());
            bridge = std::make_unique<BridgeProcess>(arguments, folder.path());
            // Taken by someone else between the probe and the bind: exit status 3, try another.
            if (!watcher->waitForPayload("site/bridge/status", "online", 10s) && bridge->exitStatus(0ms) == 3)
                bridge.reset();
        }
        ASSERT_TRUE(bridge && watcher->last("site/bridge/status") == "online") << "the bridge connected";
        sim = std::make_unique<SimProcess>(std::vector<std::string>{"--udp",
                                                                    "127.0.0.1:" + std::to_string(udpPort),
                                                                    "--terminals", "1.2", "--interval", "1"},
                                           folder.path());
        sim->waitReady();
        ASSERT_TRUE(watcher->waitForPayload(topic("online"), "ON")) << "terminal 1.2 on line";
    }

    void writeConfig() const {
        std::ofstream("bridge.conf") << "[bridge]\ntopic = site\n\n[passwords]\ndefault = "
                                     << kDefaultPassword << "\n"
                                     << udpPort << "/1.2 = " << kTerminalPassword << "\n";
        ::chmod("bridge.conf", 0600);
    }

    std::string topic(const std::string& leaf) const {
        return "site/" + std::to_string(udpPort) + "/1.2/" + leaf;
    }

    // The outcome of the command with this id, once it came.
    json outcomeOf(const json& id, std::chrono::milliseconds limit = 15s) const {
        const auto message = watcher->waitFor(
            topic("outcome"), [&](const Message& m) { return json::parse(m.payload)["id"] == id; }, limit);
        return message ? json::parse(message->payload) : json();
    }

    std::vector<SimProcess::Record> commandsReceived(std::size_t atLeast = 0) const {
        return sim->waitForRecords(SimProcess::kind("command"), atLeast);
    }

    ScratchFolder folder;
    std::unique_ptr<MosquittoBroker> broker;
    std::unique_ptr<MqttTestClient> watcher;
    std::unique_ptr<BridgeProcess> bridge;
    std::unique_ptr<SimProcess> sim;
    int udpPort = 0;
};

TEST_F(BridgeAgainstBroker, StatesAndZoneAlarmsArePublishedRetainedAndEventsAsTheyHappen) {
    startBridgeAndTerminal();
    EXPECT_EQ(watcher->last("site/" + std::to_string(udpPort) + "/line"), "open");
    EXPECT_TRUE(waitUntil(
        [&] { return json::parse(watcher->last(topic("state")).value_or("{}"))["state"] == "on_line"; }));

    ASSERT_EQ(sim->command("alarm 1.2 3 on").back(), "ok");
    ASSERT_TRUE(watcher->waitForPayload(topic("zone/3/alarm"), "ON"));
    EXPECT_TRUE(watcher->waitForPayload(topic("panel"), "triggered"));
    const auto event = watcher->waitFor(
        topic("event"), [](const Message& m) { return json::parse(m.payload)["name"] == "zone_alarm_set"; });
    ASSERT_TRUE(event);
    const auto fields = json::parse(event->payload);
    EXPECT_EQ(fields["zone"], 3);
    EXPECT_EQ(fields["address"], "1.2");
    EXPECT_EQ(fields["port"], udpPort);
    EXPECT_EQ(fields["event"], OSTREL_EVENT_ZONE_ALARM_SET);
    EXPECT_TRUE(fields["time"].is_string());
    ASSERT_TRUE(waitUntil([&] {
        return json::parse(watcher->last(topic("state")).value_or("{}"))["zones_in_alarm"] ==
               json::array({3});
    }));

    // A subscriber that comes later gets the states at once, kept by the broker; no events.
    MqttTestClient later(broker->port());
    later.subscribe("site/#");
    for (const auto& [leaf, payload] : std::vector<std::pair<std::string, std::string>>{
             {"online", "ON"}, {"zone/3/alarm", "ON"}, {"zone/4/alarm", "OFF"}, {"panel", "triggered"}}) {
        const auto kept = later.waitFor(topic(leaf), [](const Message& m) { return m.retained; });
        ASSERT_TRUE(kept) << leaf;
        EXPECT_EQ(kept->payload, payload) << leaf;
    }
    EXPECT_TRUE(later.waitForPayload("site/bridge/status", "online"));
    EXPECT_TRUE(later.on(topic("event")).empty());

    ASSERT_EQ(sim->command("alarm 1.2 3 off").back(), "ok");
    EXPECT_TRUE(watcher->waitForPayload(topic("zone/3/alarm"), "OFF"));
    EXPECT_TRUE(watcher->waitForPayload(topic("panel"), "")) << "no alarm and no arming known: taken off";
}

TEST_F(BridgeAgainstBroker, CommandsReachTheTerminalDecodedAndTheirOutcomesComeBack) {
    startBridgeAndTerminal();
    watcher->publish(topic("command"), R"({"command": "lamp", "lamp": 2, "state": "on", "id": "lamp-1"})");
    const auto lamp = outcomeOf("lamp-1");
    EXPECT_EQ(lamp["outcome"], "answered");
    EXPECT_EQ(lamp["command"], "lamp");
    EXPECT_EQ(lamp["sendings"], 1);
    EXPECT_TRUE(lamp["frame"].is_number());
    auto received = commandsReceived(1);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0]["command"], "SingleLight");
    EXPECT_EQ(received[0]["terminal"], "1.2");
    EXPECT_EQ(received[0]["lamp"], "2");
    EXPECT_EQ(received[0]["state"], "1");

    // Arming with the terminal's password from the configuration file, then Home Assistant's disarm.
    watcher->publish(topic("command"), R"({"command": "arm", "id": 2})");
    EXPECT_EQ(outcomeOf(2)["outcome"], "answered");
    EXPECT_TRUE(watcher->waitForPayload(topic("panel"), "armed_away"));
    watcher->publish(topic("panel/set"), "DISARM");
    EXPECT_TRUE(watcher->waitForPayload(topic("panel"), "disarmed"));
    received = commandsReceived(3);
    ASSERT_EQ(received.size(), 3u);
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(received[i]["command"], "TerminalControl");
        EXPECT_EQ(received[i]["password"], kTerminalPassword);
        EXPECT_EQ(received[i]["zone"], "0");
    }
    EXPECT_EQ(received[1]["action"], "1");
    EXPECT_EQ(received[2]["action"], "0");
}

TEST_F(BridgeAgainstBroker, ASilentTerminalsCommandFailsAfterItsSendings) {
    startBridgeAndTerminal({"--retries", "2"});
    ASSERT_EQ(sim->command("silent 1.2").back(), "ok");
    watcher->publish(topic("command"),
                     R"({"command": "buzzer", "total": 50, "sounding": 5, "pause": 5, "id": "b"})");
    const auto buzzer = outcomeOf("b", 20s);
    EXPECT_EQ(buzzer["outcome"], "failed");
    EXPECT_EQ(buzzer["sendings"], 2);
    EXPECT_EQ(commandsReceived(2).size(), 2u);
}

TEST_F(BridgeAgainstBroker, BadCommandsGetAnErrorOutcomeAndNothingIsSent) {
    startBridgeAndTerminal();
    const std::string port = std::to_string(udpPort);
    watcher->publish(topic("command"), R"({"command": "lamp", "lamp": 2)");
    watcher->publish(topic("command"), R"({"command": "teleport", "id": "u"})");
    watcher->publish(topic("command"), R"({"command": "lamp", "lamp": 300, "state": "on", "id": "f"})");
    watcher->publish("site/" + std::to_string(udpPort == 7000 ? 7001 : 7000) + "/1.2/command",
                     R"({"command": "clear"})");
    watcher->publish("site/" + port + "/1.999/command", R"({"command": "clear"})");
    // A good command last: once it is answered, the bad ones before it were dealt with.
    watcher->publish(topic("command"), R"({"command": "clear", "id": "last"})");
    EXPECT_EQ(outcomeOf("last")["outcome"], "answered");

    const auto errors = watcher->on(topic("outcome"));
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_NE(json::parse(errors[0].payload)["error"].get<std::string>().find("not JSON"), std::string::npos);
    EXPECT_EQ(json::parse(errors[1].payload)["id"], "u");
    EXPECT_NE(json::parse(errors[1].payload)["error"].get<std::string>().find("teleport"), std::string::npos);
    EXPECT_EQ(json::parse(errors[2].payload)["id"], "f");
    EXPECT_NE(json::parse(errors[2].payload)["error"].get<std::string>().find("lamp"), std::string::npos);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(json::parse(errors[i].payload)["outcome"], "error");
    EXPECT_EQ(watcher->on("site/" + std::to_string(udpPort == 7000 ? 7001 : 7000) + "/1.2/outcome").size(),
              1u);
    const auto misaddressed = watcher->on("site/bridge/error");
    ASSERT_EQ(misaddressed.size(), 1u);
    EXPECT_EQ(json::parse(misaddressed[0].payload)["topic"], "site/" + port + "/1.999/command");

    const auto received = commandsReceived(1);
    ASSERT_EQ(received.size(), 1u) << "only the good command reached the terminal";
    EXPECT_EQ(received[0]["command"], "LcdClean");
}

TEST_F(BridgeAgainstBroker, ARestartedBrokerGetsEveryRetainedStateBack) {
    startBridgeAndTerminal({"--discovery", "homeassistant"});
    ASSERT_EQ(sim->command("alarm 1.2 5 on").back(), "ok");
    ASSERT_TRUE(watcher->waitForPayload(topic("zone/5/alarm"), "ON"));

    // Without persistence the broker forgets everything: the bridge connects again by itself and
    // republishes. The watcher is made anew, as it lost its connection too.
    watcher.reset();
    broker->kill();
    ASSERT_TRUE(broker->restart()) << broker->log();
    watcher = std::make_unique<MqttTestClient>(broker->port());
    watcher->subscribe("site/bridge/status");
    ASSERT_TRUE(watcher->waitForPayload("site/bridge/status", "online", 30s)) << "the bridge connected again";

    MqttTestClient fresh(broker->port());
    fresh.subscribe("site/#");
    fresh.subscribe("homeassistant/#");
    for (const auto& [leaf, payload] : std::vector<std::pair<std::string, std::string>>{
             {"online", "ON"}, {"zone/5/alarm", "ON"}, {"zone/1/alarm", "OFF"}, {"panel", "triggered"}}) {
        const auto kept = fresh.waitFor(topic(leaf), [](const Message& m) { return m.retained; });
        ASSERT_TRUE(kept) << leaf;
        EXPECT_EQ(kept->payload, payload) << leaf;
    }
    EXPECT_TRUE(fresh.waitFor("site/" + std::to_string(udpPort) + "/line",
                              [](const Message& m) { return m.retained; }));
    EXPECT_TRUE(fresh.waitFor("homeassistant/alarm_control_panel/tarvex_" + std::to_string(udpPort) +
                                  "_1_2/panel/config",
                              [](const Message& m) { return m.retained; }));

    // Its subscriptions came back too.
    fresh.publish(topic("command"), R"({"command": "powerup", "id": "after"})");
    EXPECT_TRUE(fresh.waitFor(
        topic("outcome"), [](const Message& m) { return json::parse(m.payload)["outcome"] == "answered"; }));
}

TEST_F(BridgeAgainstBroker, ABrokerThatComesUpAfterTheBridgeIsConnectedTo) {
    // As at boot, when the bridge may start first: it keeps trying.
    watcher.reset();
    broker->kill();
    udpPort = freeUdpPort();
    writeConfig();
    bridge = std::make_unique<BridgeProcess>(std::vector<std::string>{"--config", "bridge.conf", "--mqtt",
                                                                      broker->address(), "--port",
                                                                      std::to_string(udpPort)},
                                             folder.path());
    ASSERT_TRUE(waitUntil([&] { return bridge->log().find("no broker at") != std::string::npos; }))
        << bridge->log();
    ASSERT_TRUE(broker->restart()) << broker->log();
    watcher = std::make_unique<MqttTestClient>(broker->port());
    watcher->subscribe("site/#");
    EXPECT_TRUE(watcher->waitForPayload("site/bridge/status", "online", 30s));
    EXPECT_TRUE(watcher->waitForPayload("site/" + std::to_string(udpPort) + "/line", "open"));
}

TEST_F(BridgeAgainstBroker, HomeAssistantDiscoveryDescribesEachTerminalAndHoldsNoPassword) {
    startBridgeAndTerminal({"--discovery", "homeassistant"});
    const std::string node = "tarvex_" + std::to_string(udpPort) + "_1_2";
    std::vector<std::string> expected{"homeassistant/binary_sensor/" + node + "/online/config",
                                      "homeassistant/alarm_control_panel/" + node + "/panel/config"};
    for (int zone = 1; zone <= 8; ++zone)
        expected.push_back("homeassistant/binary_sensor/" + node + "/zone" + std::to_string(zone) +
                           "_alarm/config");
    for (const auto& configTopic : expected) {
        const auto config = watcher->waitFor(configTopic, [](const Message&) { return true; });
        ASSERT_TRUE(config) << configTopic;
        const auto fields = json::parse(config->payload);
        EXPECT_EQ(fields["device"]["identifiers"], json::array({node}));
        EXPECT_EQ(fields["device"]["name"], "Zenvar terminal 1.2 on UDP " + std::to_string(udpPort));
        EXPECT_EQ(fields["device"]["via_device"], "tarvex_bridge");
        EXPECT_TRUE(fields["unique_id"].get<std::string>().starts_with(node));
        // The panel's state is published once it is known.
        const auto stateTopic = fields["state_topic"].get<std::string>();
        if (stateTopic != topic("panel")) {
            EXPECT_TRUE(waitUntil([&] { return watcher->last(stateTopic).has_value(); })) << stateTopic;
        } else {
            EXPECT_FALSE(watcher->last(stateTopic).has_value());
        }
    }
    const auto panel = json::parse(watcher->last(expected[1]).value());
    EXPECT_EQ(panel["command_topic"], topic("panel/set"));
    EXPECT_EQ(panel["code_arm_required"], false);
    EXPECT_EQ(panel["supported_features"], json::array({"arm_away", "arm_home"}));
    EXPECT_TRUE(watcher->waitFor("homeassistant/binary_sensor/tarvex_bridge/status/config",
                                 [](const Message&) { return true; }));

    watcher->publish(topic("panel/set"), "ARM_AWAY");
    ASSERT_TRUE(watcher->waitForPayload(topic("panel"), "armed_away"));
    for (const auto& message : watcher->messages()) {
        EXPECT_EQ(message.payload.find(kTerminalPassword), std::string::npos) << message.topic;
        EXPECT_EQ(message.payload.find(kDefaultPassword), std::string::npos) << message.topic;
    }
}

TEST_F(BridgeAgainstBroker, StoppingTellsWhatBecameOfHeldCommandsAndSaysOffline) {
    startBridgeAndTerminal({"--retries", "20"});
    ASSERT_EQ(sim->command("silent 1.2").back(), "ok");
    watcher->publish(topic("command"), R"({"command": "lamp", "lamp": 1, "state": "off", "id": "held"})");
    ASSERT_EQ(commandsReceived(1).size(), 1u);

    EXPECT_EQ(bridge->stop(SIGTERM), 0);
    EXPECT_EQ(outcomeOf("held")["outcome"], "discarded");
    EXPECT_TRUE(watcher->waitForPayload("site/bridge/status", "offline"));
    bridge.reset();

    // A bridge that dies without a word is declared offline by its last will.
    std::vector<std::string> arguments{"--config",        "bridge.conf", "--mqtt",
                                       broker->address(), "--port",      std::to_string(udpPort)};
    bridge = std::make_unique<BridgeProcess>(arguments, folder.path());
    ASSERT_TRUE(watcher->waitForPayload("site/bridge/status", "online"));
    EXPECT_EQ(bridge->stop(SIGKILL), 128 + SIGKILL);
    EXPECT_TRUE(watcher->waitForPayload("site/bridge/status", "offline"));
}

TEST(BridgeProgram, BadArgumentsAndUnusablePortsEndItWithTheirStatus) {
    ScratchFolder folder;
    BridgeProcess badRetries({"--mqtt", "127.0.0.1", "--port", "6000", "--retries", "0"}, folder.path());
    EXPECT_EQ(badRetries.exitStatus(), 1);
    EXPECT_NE(badRetries.log().find("--retries: must be a number of sendings 1 to 255"), std::string::npos)
        << badRetries.log();

    std::ofstream("bad.conf") << "[broker]\nhost = m\n[bridge]\nports = 6000\nretries = many\n";
    BridgeProcess badConfig({"--config", "bad.conf"}, folder.path());
    EXPECT_EQ(badConfig.exitStatus(), 1);
    EXPECT_NE(badConfig.log().find("bad.conf:5: retries:"), std::string::npos) << badConfig.log();

    BridgeProcess help({"--help"}, folder.path());
    EXPECT_EQ(help.exitStatus(), 0);
    EXPECT_NE(help.log().find("--mqtt HOST[:PORT]"), std::string::npos);

    // A serial line whose device link leads nowhere cannot be opened.
    std::filesystem::create_directory("dev");
    std::filesystem::create_symlink("/nonexistent/ttyUSB9", "dev/COM9");
    BridgeProcess noLine({"--mqtt", "127.0.0.1:1", "--port", "9"}, folder.path());
    EXPECT_EQ(noLine.exitStatus(), 3);
    EXPECT_NE(noLine.log().find("COM9"), std::string::npos) << noLine.log();
}

} // namespace
