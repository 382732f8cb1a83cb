#include "HomeAssistantDiscovery.h"

#include "TerminalRecord.h"

#include <nlohmann/json.hpp>

namespace tarvex::cli {

namespace {

using json = nlohmann::ordered_json;

constexpr const char* kBridgeNode = "tarvex_bridge";

json bridgeAvailability(const TopicTree& topics) {
    return {{"topic", topics.bridgeStatus()},
            {"payload_available", "online"},
            {"payload_not_available", "offline"}};
}

} // namespace

MqttPublish HomeAssistantDiscovery::bridgeConfig() const {
    // Its state is the bridge's own status topic, which the broker turns to offline by the last will.
    const json config{{"name", "Connection"},
                      {"unique_id", std::string(kBridgeNode) + "_status"},
                      {"state_topic", topics_.bridgeStatus()},
                      {"payload_on", "online"},
                      {"payload_off", "offline"},
                      {"device_class", "connectivity"},
                      {"device",
                       {{"identifiers", {kBridgeNode}},
                        {"name", "Tarvex MQTT bridge"},
                        {"manufacturer", "Tarvex"},
                        {"model", "tarvex-cli bridge"}}}};
    return {prefix_ + "/binary_sensor/" + kBridgeNode + "/status/config", config.dump(), true};
}

std::vector<MqttPublish> HomeAssistantDiscovery::terminalConfigs(const PortSpec& port,
                                                                 TerminalAddress address) const {
    const std::string node = "tarvex_" + std::to_string(port.startNumber) + "_" +
                             std::to_string(address.addressA) + "_" + std::to_string(address.addressB);
    const json device{{"identifiers", {node}},
                      {"name", "Zenvar terminal " + address.text() + " on " + portLabel(port)},
                      {"manufacturer", "Zenvar"},
                      {"via_device", kBridgeNode}};
    // Zones and the panel mean something only while the terminal is heard.
    const json terminalAvailability{{"availability",
                                     {bridgeAvailability(topics_),
                                      {{"topic", topics_.terminal(port.startNumber, address, "online")},
                                       {"payload_available", "ON"},
                                       {"payload_not_available", "OFF"}}}},
                                    {"availability_mode", "all"}};

    std::vector<MqttPublish> configs;
    const auto add = [&](const std::string& component, const std::string& object, json config) {
        config["unique_id"] = node + "_" + object;
        config["device"] = device;
        configs.push_back(
            {prefix_ + "/" + component + "/" + node + "/" + object + "/config", config.dump(), true});
    };

    json online{{"name", "On line"},
                {"state_topic", topics_.terminal(port.startNumber, address, "online")},
                {"payload_on", "ON"},
                {"payload_off", "OFF"},
                {"device_class", "connectivity"}};
    online.update(json{{"availability", {bridgeAvailability(topics_)}}});
    add("binary_sensor", "online", online);

    for (int zone = 1; zone <= TerminalRecord::kZones; ++zone) {
        json alarm{{"name", "Zone " + std::to_string(zone) + " alarm"},
                   {"state_topic", topics_.zone(port.startNumber, address, zone, "alarm")},
                   {"payload_on", "ON"},
                   {"payload_off", "OFF"},
                   {"device_class", "safety"}};
        alarm.update(terminalAvailability);
        add("binary_sensor", "zone" + std::to_string(zone) + "_alarm", alarm);
    }

    json panel{{"name", "Alarm panel"},
               {"state_topic", topics_.terminal(port.startNumber, address, "panel")},
               {"command_topic", topics_.terminal(port.startNumber, address, "panel/set")},
               {"supported_features", {"arm_away", "arm_home"}},
               {"payload_arm_away", "ARM_AWAY"},
               {"payload_arm_home", "ARM_HOME"},
               {"payload_disarm", "DISARM"},
               {"code_arm_required", false},
               {"code_disarm_required", false}};
    panel.update(terminalAvailability);
    add("alarm_control_panel", "panel", panel);
    return configs;
}

} // namespace tarvex::cli
