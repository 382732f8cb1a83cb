#include "BridgeRunner.h"

#include "EventNames.h"

#include <algorithm>
#include <stdexcept>

namespace tarvex::cli {

namespace {

constexpr auto kReopenInterval = std::chrono::seconds(1);
// How long the end waits for the broker to take "offline" before disconnecting anyway.
constexpr auto kOfflineAcknowledgement = std::chrono::seconds(5);

} // namespace

BridgeRunner::BridgeRunner(const BridgeSettings& settings, Queue& inputs, std::ostream& log)
    : settings_(settings), inputs_(inputs), log_(log),
      core_({settings.topic, settings.discoveryPrefix, settings.ports, settings.passwords}) {}

BridgeRunner::~BridgeRunner() = default;

bool BridgeRunner::openPorts(std::string& error) {
    for (const auto& port : settings_.ports) {
        const std::int32_t number = port.startNumber;
        try {
            auto link = std::make_unique<OstrelLink>([this, number](LinkEvent&& event) {
                inputs_.push(PortLinkEvent{number, std::move(event)});
            });
            if (!link->open(port, settings_.retries, error))
                return false;
            links_[number] = std::move(link);
        } catch (const std::runtime_error& e) {
            error = e.what();
            return false;
        }
        log_ << "tarvex-cli bridge: " << portLabel(port) << " open" << std::endl;
        carryOut(core_.portOpened(number));
    }
    return true;
}

std::string BridgeRunner::brokerAddress() const {
    return settings_.broker.host + ":" + std::to_string(settings_.broker.effectivePort());
}

bool BridgeRunner::startClient(std::string& error) {
    try {
        client_ = std::make_unique<MqttClient>(
            settings_.broker, MqttClient::Session{core_.goingOffline(), core_.topics().subscriptions()},
            [this](MqttEvent&& event) {
                std::visit([this](auto&& news) { inputs_.push(std::move(news)); }, std::move(event));
            });
    } catch (const std::runtime_error& e) {
        error = e.what();
        return false;
    }
    return client_->start(error);
}

void BridgeRunner::run() {
    while (!stopping_) {
        auto deadline = Clock::time_point::max();
        for (const auto& [number, due] : lostPorts_)
            deadline = std::min(deadline, due);
        if (const auto input = inputs_.popUntil(deadline))
            handle(*input);
        reopenLostPorts();
    }
    finish();
}

void BridgeRunner::handle(const BridgeInput& input) {
    if (const auto* port = std::get_if<PortLinkEvent>(&input)) {
        if (std::holds_alternative<ConnectionLost>(port->event)) {
            log_ << "tarvex-cli bridge: UDP " << port->portNumber
                 << " lost its socket; binding it again every second" << std::endl;
            lostPorts_[port->portNumber] = Clock::now() + kReopenInterval;
        } else if (const auto* outcome = std::get_if<FrameOutcome>(&port->event);
                   outcome && (outcome->outcome.kind == OSTREL_LINE_LOST ||
                               outcome->outcome.kind == OSTREL_LINE_REOPENED)) {
            log_ << "tarvex-cli bridge: COM" << port->portNumber << " " << outcomeName(outcome->outcome.kind)
                 << std::endl;
        }
        carryOut(core_.linkEvent(port->portNumber, port->event));
    } else if (std::holds_alternative<BrokerConnected>(input)) {
        log_ << "tarvex-cli bridge: connected to the broker " << brokerAddress() << std::endl;
        carryOut(core_.brokerConnected());
    } else if (const auto* lost = std::get_if<BrokerDisconnected>(&input)) {
        log_ << "tarvex-cli bridge: no broker at " << brokerAddress() << " (" << lost->reason
             << "); trying again" << std::endl;
        core_.brokerDisconnected();
    } else if (const auto* message = std::get_if<MqttMessage>(&input)) {
        carryOut(core_.message(message->topic, message->payload, message->retained));
    } else if (std::holds_alternative<StopRequested>(input)) {
        log_ << "tarvex-cli bridge: stopping" << std::endl;
        stopping_ = true;
    }
}

void BridgeRunner::carryOut(BridgeActions actions) {
    for (const auto& message : actions.publishes)
        client_->publish(message);
    for (const auto& command : actions.commands) {
        const auto issued = links_.at(command.port.startNumber)
                                ->issue(command.port.ostrelPort, command.address, command.request);
        carryOut(core_.commandIssued(command.ticket, issued));
    }
}

void BridgeRunner::reopenLostPorts() {
    const auto now = Clock::now();
    for (auto lost = lostPorts_.begin(); lost != lostPorts_.end();) {
        const auto& [number, due] = *lost;
        if (due > now) {
            ++lost;
            continue;
        }
        const auto port = std::find_if(settings_.ports.begin(), settings_.ports.end(),
                                       [number](const PortSpec& p) { return p.startNumber == number; });
        std::string error;
        if (!links_.at(number)->open(*port, settings_.retries, error)) {
            lost->second = now + kReopenInterval;
            ++lost;
            continue;
        }
        log_ << "tarvex-cli bridge: " << portLabel(*port) << " open again" << std::endl;
        carryOut(core_.portOpened(number));
        lost = lostPorts_.erase(lost);
    }
}

void BridgeRunner::finish() {
    // Quitting Ostrel reports every command still held as discarded; those outcomes are published before
    // the bridge says it is offline. Commands arriving meanwhile are not taken any more.
    links_.clear();
    while (const auto input = inputs_.popUntil(Clock::now())) {
        if (!std::holds_alternative<MqttMessage>(*input) && !std::holds_alternative<StopRequested>(*input))
            handle(*input);
    }
    if (client_) {
        if (!client_->publishAcknowledged(core_.goingOffline(), kOfflineAcknowledgement))
            log_ << "tarvex-cli bridge: the broker did not acknowledge \"offline\" in time" << std::endl;
        client_->stop();
    }
    inputs_.close();
}

} // namespace tarvex::cli
