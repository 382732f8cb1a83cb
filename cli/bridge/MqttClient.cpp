#include "MqttClient.h"

#include <cerrno>
#include <cstring>
#include <mosquitto.h>
#include <stdexcept>

namespace tarvex::cli {

namespace {

constexpr int kKeepAliveSeconds = 30;
// Reconnection 1, 2, 3, 4 and then every 5 seconds: soon after a broker restart, and never so long that
// stopping the bridge waits long for the network thread while the broker is away.
constexpr unsigned kFirstReconnectDelay = 1;
constexpr unsigned kLongestReconnectDelay = 5;

MqttClient& client(void* self) {
    return *static_cast<MqttClient*>(self);
}

std::string describe(int code) {
    return code == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(code);
}

} // namespace

MqttClient::MqttClient(const BrokerSettings& broker, Session session, Sink sink)
    : broker_(broker), session_(std::move(session)), sink_(std::move(sink)) {
    mosquitto_lib_init();
    // A clean session: everything the bridge needs is republished at each connection.
    client_ = mosquitto_new(broker_.clientId.empty() ? nullptr : broker_.clientId.c_str(), true, this);
    if (!client_) {
        mosquitto_lib_cleanup();
        throw std::runtime_error(std::string("cannot make an MQTT client: ") + std::strerror(errno));
    }
    mosquitto_connect_callback_set(client_, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(client_, &MqttClient::onDisconnect);
    mosquitto_message_callback_set(client_, &MqttClient::onMessage);
    mosquitto_publish_callback_set(client_, &MqttClient::onPublish);
}

MqttClient::~MqttClient() {
    stop();
    mosquitto_destroy(client_);
    mosquitto_lib_cleanup();
}

bool MqttClient::start(std::string& error) {
    const auto& will = session_.lastWill;
    if (mosquitto_will_set(client_, will.topic.c_str(), static_cast<int>(will.payload.size()),
                           will.payload.data(), will.qos, will.retain) != MOSQ_ERR_SUCCESS) {
        error = "the last will on " + will.topic + " is refused";
        return false;
    }
    if (!broker_.username.empty() &&
        mosquitto_username_pw_set(client_, broker_.username.c_str(),
                                  broker_.password ? broker_.password->c_str() : nullptr) !=
            MOSQ_ERR_SUCCESS) {
        error = "the broker username or password is refused (they must be UTF-8)";
        return false;
    }
    if (broker_.tls) {
        const auto orNull = [](const std::string& text) { return text.empty() ? nullptr : text.c_str(); };
        if (broker_.cafile.empty() && broker_.capath.empty())
            mosquitto_int_option(client_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        const int code = mosquitto_tls_set(client_, orNull(broker_.cafile), orNull(broker_.capath),
                                           orNull(broker_.certfile), orNull(broker_.keyfile), nullptr);
        if (code != MOSQ_ERR_SUCCESS) {
            error = "TLS cannot be set up (" + describe(code) +
                    "): cafile, capath, cert and key must name readable PEM files and folders";
            return false;
        }
        if (broker_.insecure)
            mosquitto_tls_insecure_set(client_, true);
    }
    mosquitto_reconnect_delay_set(client_, kFirstReconnectDelay, kLongestReconnectDelay, false);
    // A broker that cannot be reached yet is tried again by the network thread, as after losing it.
    const int connecting =
        mosquitto_connect_async(client_, broker_.host.c_str(), broker_.effectivePort(), kKeepAliveSeconds);
    if (connecting == MOSQ_ERR_INVAL) {
        error = "the broker address " + broker_.host + ":" + std::to_string(broker_.effectivePort()) +
                " is refused";
        return false;
    }
    if (connecting != MOSQ_ERR_SUCCESS)
        sink_(BrokerDisconnected{describe(connecting)});
    // The library's own loop, which reconnects by itself, on a thread of ours: the thread of
    // mosquitto_loop_start waits for a connection under way before it loops, and waits for ever when the
    // first attempt failed at once (a broker down on this machine refuses at once).
    mosquitto_threaded_set(client_, true);
    network_ = std::thread([this] { mosquitto_loop_forever(client_, kKeepAliveSeconds * 1000, 1); });
    return true;
}

void MqttClient::publish(const MqttPublish& message) {
    mosquitto_publish(client_, nullptr, message.topic.c_str(), static_cast<int>(message.payload.size()),
                      message.payload.data(), message.qos, message.retain);
}

bool MqttClient::publishAcknowledged(const MqttPublish& message, std::chrono::milliseconds limit) {
    {
        std::lock_guard lock(acknowledgedMutex_);
        noting_ = true;
        acknowledged_.clear();
    }
    int id = 0;
    // QoS 1 at least, for there to be an acknowledgement.
    const bool queued =
        mosquitto_publish(client_, &id, message.topic.c_str(), static_cast<int>(message.payload.size()),
                          message.payload.data(), 1, message.retain) == MOSQ_ERR_SUCCESS;
    std::unique_lock lock(acknowledgedMutex_);
    const bool acknowledged =
        queued && acknowledgedChanged_.wait_for(lock, limit, [&] { return acknowledged_.count(id) != 0; });
    noting_ = false;
    return acknowledged;
}

void MqttClient::stop() {
    if (!network_.joinable())
        return;
    // The loop ends once the disconnection is sent, or after its wait when it was between attempts.
    mosquitto_disconnect(client_);
    network_.join();
}

void MqttClient::onConnect(mosquitto* handle, void* self, int code) {
    auto& me = client(self);
    if (code != 0) {
        me.sink_(BrokerDisconnected{std::string("the broker refused the connection: ") +
                                    mosquitto_connack_string(code)});
        return;
    }
    // Subscribed before anything is published in answer to the connection.
    for (const auto& filter : me.session_.subscriptions)
        mosquitto_subscribe(handle, nullptr, filter.c_str(), 1);
    me.sink_(BrokerConnected{});
}

void MqttClient::onDisconnect(mosquitto*, void* self, int code) {
    client(self).sink_(BrokerDisconnected{code == 0 ? "disconnected" : describe(code)});
}

void MqttClient::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    std::string payload;
    if (message->payload && message->payloadlen > 0)
        payload.assign(static_cast<const char*>(message->payload),
                       static_cast<std::size_t>(message->payloadlen));
    client(self).sink_(MqttMessage{message->topic, std::move(payload), message->retain});
}

void MqttClient::onPublish(mosquitto*, void* self, int messageId) {
    auto& me = client(self);
    {
        std::lock_guard lock(me.acknowledgedMutex_);
        if (!me.noting_)
            return;
        me.acknowledged_.insert(messageId);
    }
    me.acknowledgedChanged_.notify_all();
}

} // namespace tarvex::cli
