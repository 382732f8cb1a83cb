#pragma once

#include "BridgeSettings.h"
#include "MqttPublish.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <variant>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace tarvex::cli {

// What the client's network thread tells.
struct BrokerConnected {};
struct BrokerDisconnected {
    std::string reason;
};
struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retained; // kept by the broker from before this connection
};
using MqttEvent = std::variant<BrokerConnected, BrokerDisconnected, MqttMessage>;

// The bridge's connection to its broker, on libmosquitto: a network thread running the library's loop,
// which connects, subscribes at every connection, and connects again by itself a second or a few after
// the broker went away. Its news goes to the sink on that thread; publish may be called from any thread.
class MqttClient {
public:
    using Sink = std::function<void(MqttEvent&&)>;

    // What every connection carries: the last will the broker publishes when the bridge vanishes, and the
    // topic filters it subscribes to.
    struct Session {
        MqttPublish lastWill;
        std::vector<std::string> subscriptions;
    };

    MqttClient(const BrokerSettings& broker, Session session, Sink sink);
    ~MqttClient();
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Applies credentials and TLS and starts connecting. False with error when the settings are refused (a
    // certificate that cannot be read); a broker not reachable yet is no error: it is tried again.
    bool start(std::string& error);
    // Queues the message; nothing happens when the broker is away (the bridge republishes on connection).
    void publish(const MqttPublish& message);
    // Publishes and waits until the broker has acknowledged the message, at most limit.
    bool publishAcknowledged(const MqttPublish& message, std::chrono::milliseconds limit);
    // Disconnects cleanly (the broker does not publish the last will) and ends the network thread.
    void stop();

private:
    static void onConnect(mosquitto*, void* self, int code);
    static void onDisconnect(mosquitto*, void* self, int code);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
    static void onPublish(mosquitto*, void* self, int messageId);

    BrokerSettings broker_;
    Session session_;
    Sink sink_;
    mosquitto* client_ = nullptr;
    std::thread network_;

    // Acknowledgements, noted only while publishAcknowledged waits for one.
    std::mutex acknowledgedMutex_;
    std::condition_variable acknowledgedChanged_;
    bool noting_ = false;
    std::set<int> acknowledged_;
};

} // namespace tarvex::cli
