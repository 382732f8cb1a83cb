#pragma once

#include "support/WaitUntil.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <mosquitto.h>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

// A broker's client for tests: subscribes, publishes, and keeps every message it received, written on
// libmosquitto's network thread and read on the test's.
class MqttTestClient {
public:
    struct Message {
        std::string topic;
        std::string payload;
        bool retained;
    };

    explicit MqttTestClient(int port) {
        mosquitto_lib_init();
        client_ = mosquitto_new(nullptr, true, this);
        mosquitto_connect_callback_set(client_, [](mosquitto*, void* self, int code) {
            auto& me = *static_cast<MqttTestClient*>(self);
            std::lock_guard lock(me.mutex_);
            me.connected_ = code == 0;
        });
        mosquitto_subscribe_callback_set(client_, [](mosquitto*, void* self, int id, int, const int*) {
            auto& me = *static_cast<MqttTestClient*>(self);
            std::lock_guard lock(me.mutex_);
            me.acknowledged_.insert(id);
        });
        mosquitto_publish_callback_set(client_, [](mosquitto*, void* self, int id) {
            auto& me = *static_cast<MqttTestClient*>(self);
            std::lock_guard lock(me.mutex_);
            me.acknowledged_.insert(id);
        });
        mosquitto_message_callback_set(client_, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto& me = *static_cast<MqttTestClient*>(self);
            std::string payload;
            if (m->payload && m->payloadlen > 0)
                payload.assign(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen));
            std::lock_guard lock(me.mutex_);
            me.messages_.push_back({m->topic, std::move(payload), m->retain});
        });
        if (mosquitto_connect(client_, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS ||
            mosquitto_loop_start(client_) != MOSQ_ERR_SUCCESS || !waitUntil([this] { return connected(); }))
            throw std::runtime_error("the test client cannot connect to the broker on port " +
                                     std::to_string(port));
    }

    ~MqttTestClient() {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, false);
        mosquitto_destroy(client_);
        mosquitto_lib_cleanup();
    }
    MqttTestClient(const MqttTestClient&) = delete;
    MqttTestClient& operator=(const MqttTestClient&) = delete;

    // Subscribes and waits for the broker's acknowledgement: retained messages follow it.
    void subscribe(const std::string& filter) {
        int id = 0;
        if (mosquitto_subscribe(client_, &id, filter.c_str(), 1) != MOSQ_ERR_SUCCESS || !waitAcknowledged(id))
            throw std::runtime_error("cannot subscribe to " + filter);
    }

    // Publishes at QoS 1 and waits until the broker has it.
    void publish(const std::string& topic, const std::string& payload, bool retain = false) {
        int id = 0;
        if (mosquitto_publish(client_, &id, topic.c_str(), static_cast<int>(payload.size()), payload.data(),
                              1, retain) != MOSQ_ERR_SUCCESS ||
            !waitAcknowledged(id))
            throw std::runtime_error("cannot publish on " + topic);
    }

    std::vector<Message> messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<Message> on(const std::string& topic) const {
        std::vector<Message> found;
        for (auto& message : messages())
            if (message.topic == topic)
                found.push_back(message);
        return found;
    }
    // The last payload on the topic, if any came.
    std::optional<std::string> last(const std::string& topic) const {
        const auto found = on(topic);
        return found.empty() ? std::nullopt : std::optional(found.back().payload);
    }
    // Waits until the topic's last payload is the one wanted.
    bool waitForPayload(const std::string& topic, const std::string& payload,
                        std::chrono::milliseconds limit = std::chrono::seconds(15)) const {
        return waitUntil([&] { return last(topic) == payload; }, limit);
    }
    // Waits for a message on the topic that the predicate takes; the first such one.
    std::optional<Message> waitFor(const std::string& topic,
                                   const std::function<bool(const Message&)>& wanted,
                                   std::chrono::milliseconds limit = std::chrono::seconds(15)) const {
        std::optional<Message> found;
        waitUntil(
            [&] {
                for (auto& message : on(topic))
                    if (wanted(message)) {
                        found = message;
                        return true;
                    }
                return false;
            },
            limit);
        return found;
    }

private:
    bool connected() const {
        std::lock_guard lock(mutex_);
        return connected_;
    }
    bool waitAcknowledged(int id) const {
        return waitUntil([&] {
            std::lock_guard lock(mutex_);
            return acknowledged_.count(id) != 0;
        });
    }

    mosquitto* client_ = nullptr;
    mutable std::mutex mutex_;
    bool connected_ = false;
    std::set<int> acknowledged_;
    std::vector<Message> messages_;
};
