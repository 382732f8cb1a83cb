#pragma once

#include <string>

namespace tarvex::cli {

// One message for the broker. Every message goes at QoS 1: states, events and outcomes alike are worth
// the broker's acknowledgement.
struct MqttPublish {
    std::string topic;
    std::string payload;
    bool retain = false;
    int qos = 1;

    bool operator==(const MqttPublish&) const = default;
};

} // namespace tarvex::cli
