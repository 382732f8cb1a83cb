#pragma once

#include "MqttPublish.h"
#include "PortSpec.h"
#include "TerminalAddress.h"
#include "TopicTree.h"

#include <string>
#include <vector>

namespace tarvex::cli {

// Home Assistant's MQTT discovery: retained configs under PREFIX that make each terminal a device with an
// on-line sensor, eight zone alarm sensors and an alarm panel, all reached through the bridge, itself a
// device with its own connectivity sensor. Passwords stay in the bridge: the panel asks for no code.
class HomeAssistantDiscovery {
public:
    HomeAssistantDiscovery(const TopicTree& topics, std::string prefix)
        : topics_(topics), prefix_(std::move(prefix)) {}

    // The bridge's device, which every terminal's device names as the one it is reached through.
    MqttPublish bridgeConfig() const;
    // PREFIX/binary_sensor/NODE/online/config, .../zoneN_alarm/config (N 1..8) and
    // PREFIX/alarm_control_panel/NODE/panel/config, NODE being tarvex_PORT_A_B.
    std::vector<MqttPublish> terminalConfigs(const PortSpec& port, TerminalAddress address) const;

private:
    TopicTree topics_;
    std::string prefix_;
};

} // namespace tarvex::cli
