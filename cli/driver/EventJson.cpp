#include "EventJson.h"

#include "EventNames.h"
#include "LocalTime.h"

namespace tarvex::cli {

nlohmann::json terminalEventJson(const TerminalEvent& event, const PortSpec& port) {
    return {
        {"time", isoLocalTime(event.time)},
        {"port", port.startNumber},
        {"address", std::to_string(event.addressA) + "." + std::to_string(event.addressB)},
        {"event", event.eventCode},
        {"name", eventName(event.eventCode)},
        {"zone", isZoneEvent(event.eventCode) ? nlohmann::json(event.index) : nlohmann::json(nullptr)},
        {"text", event.text},
    };
}

} // namespace tarvex::cli
