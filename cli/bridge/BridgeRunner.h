#pragma once

#include "BlockingQueue.h"
#include "BridgeCore.h"
#include "BridgeSettings.h"
#include "LinkEvent.h"
#include "MqttClient.h"
#include "OstrelLink.h"

#include <chrono>
#include <map>
#include <memory>
#include <ostream>
#include <variant>

namespace tarvex::cli {

// What reaches the bridge's main thread: each port's link events, the broker client's news, and the
// request to stop.
struct PortLinkEvent {
    std::int32_t portNumber;
    LinkEvent event;
};
struct StopRequested {};
using BridgeInput =
    std::variant<PortLinkEvent, BrokerConnected, BrokerDisconnected, MqttMessage, StopRequested>;

// The bridge's edge: one Ostrel link per port and the broker client feed one queue, read by the thread
// that calls run(), which alone holds the core and carries out what it asks.
class BridgeRunner {
public:
    using Queue = BlockingQueue<BridgeInput>;

    BridgeRunner(const BridgeSettings& settings, Queue& inputs, std::ostream& log);
    ~BridgeRunner();

    // Opens every port; false with error naming the first that cannot be opened.
    bool openPorts(std::string& error);
    // Starts the broker client; false with error when its settings are refused.
    bool startClient(std::string& error);
    // Carries events and messages until a StopRequested arrives; then quits Ostrel (publishing what
    // became of the commands still held), publishes "offline" and disconnects.
    void run();

private:
    using Clock = std::chrono::steady_clock;

    void handle(const BridgeInput& input);
    std::string brokerAddress() const;
    void carryOut(BridgeActions actions);
    // A lost UDP socket is bound again once a second until it is.
    void reopenLostPorts();
    void finish();

    const BridgeSettings& settings_;
    Queue& inputs_;
    std::ostream& log_;
    BridgeCore core_;
    std::map<std::int32_t, std::unique_ptr<OstrelLink>> links_;
    std::map<std::int32_t, Clock::time_point> lostPorts_;
    std::unique_ptr<MqttClient> client_;
    bool stopping_ = false;
};

} // namespace tarvex::cli
