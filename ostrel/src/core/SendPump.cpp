#include "SendPump.h"

#include <algorithm>

namespace ostrel {

namespace {
constexpr std::uint8_t kAnyReplyCode = 0xFC;
} // namespace

SendPump::SendPump(SendRing& rings, TerminalTable& table, Transport& transport,
                   const CallbackCaller& callbacks, const Ipv4Address& localAddress)
    : rings_(rings), table_(table), transport_(transport), callbacks_(callbacks),
      localAddress_(localAddress) {}

void SendPump::clear() {
    for (auto& state : states_) {
        state.awaitingReply = false;
        state.tickCount = 0;
        state.retryCount = 0;
    }
}

void SendPump::run(int retryLimit) {
    for (int port = 0; port < kPortCount; ++port)
        serve(port, retryLimit);
}

void SendPump::serve(int port, int retryLimit) {
    PortSendState& state = states_[port];
    if (!state.awaitingReply) {
        sendNext(port);
        return;
    }
    if (++state.tickCount < kResendTicks)
        return;
    state.tickCount = 0;
    ++state.retryCount;
    TerminalTable::Route route;
    if (state.retryCount == retryLimit || !table_.lookupRoute(port, state.addressA, state.addressB, route)) {
        giveUp(port);
        return;
    }
    transmit(port, route, std::span(state.lastSent.data(), static_cast<std::size_t>(state.lastSentLength)));
}

void SendPump::giveUp(int port) {
    PortSendState& state = states_[port];
    state.awaitingReply = false;
    state.retryCount = 0;
    callbacks_.sendFailed(port, state.addressA, state.addressB, state.commandCode);
}

void SendPump::sendNext(int port) {
    PortSendState& state = states_[port];
    SendRecord record;
    if (state.awaitingReply || !rings_.pop(port, record))
        return;
    state.addressA = record.bytes[canonical::kAddressA];
    state.addressB = record.bytes[canonical::kAddressB];
    state.commandCode = record.bytes[canonical::kCode];

    // A terminal nobody has heard of cannot be reached: its frame is dropped.
    TerminalTable::Route route;
    if (!table_.lookupRoute(port, state.addressA, state.addressB, route))
        return;

    const std::span<const std::uint8_t> canonical(record.bytes.data(),
                                                  static_cast<std::size_t>(record.frameLength));
    int length;
    if (route.protocolType == 2 && port == kUdpPortIndex)
        length = canonicalToNetwork(canonical, localAddress_, state.lastSent);
    else if (route.protocolType == 2)
        length = canonicalToSerial(canonical, state.lastSent);
    else
        length = withAdditiveChecksum(canonical, state.lastSent);
    // A code the terminal's numbering has no word for cannot be sent at all.
    if (length <= 0)
        return;

    state.lastSentLength = length;
    transmit(port, route, std::span(state.lastSent.data(), static_cast<std::size_t>(length)));
    state.awaitingReply = true;
    state.tickCount = 0;
    state.retryCount = 0;
}

void SendPump::transmit(int port, const TerminalTable::Route& route, std::span<const std::uint8_t> bytes) {
    if (port == kUdpPortIndex)
        transport_.sendDatagram(bytes, route.address, static_cast<std::uint16_t>(route.udpPort));
    else
        transport_.writeSerial(port, bytes);
}

bool SendPump::isUdpNetworkReply(std::span<const std::uint8_t> network) const {
    const PortSendState& state = states_[kUdpPortIndex];
    const auto sent = std::span(state.lastSent.data(), static_cast<std::size_t>(state.lastSentLength));
    if (!state.awaitingReply || network.size() <= network::kCode || sent.size() <= network::kCode)
        return false;
    const std::uint8_t code = network[network::kCode];
    return network[network::kAddressA] == sent[network::kAddressA] &&
           network[network::kAddressB] == sent[network::kAddressB] &&
           (code == (sent[network::kCode] | kReplyBit) || code == kAnyReplyCode);
}

bool SendPump::isUdpCanonicalReply(std::span<const std::uint8_t> canonical) const {
    const PortSendState& state = states_[kUdpPortIndex];
    return state.awaitingReply && canonical.size() > canonical::kCode &&
           canonical[canonical::kAddressA] == state.addressA &&
           canonical[canonical::kAddressB] == state.addressB &&
           canonical[canonical::kCode] == (state.commandCode | kReplyBit);
}

bool SendPump::isSerialCanonicalReply(int port, std::uint8_t code) const {
    const PortSendState& state = states_[port];
    return state.awaitingReply && code == (state.lastSent[canonical::kCode] | kReplyBit);
}

bool SendPump::isSerialFrameReply(int port, std::uint8_t code) const {
    const PortSendState& state = states_[port];
    return state.awaitingReply && code == (state.lastSent[serial::kCode] | kReplyBit);
}

void SendPump::endWait(int port) {
    PortSendState& state = states_[port];
    state.awaitingReply = false;
    state.tickCount = 0;
    state.retryCount = 0;
}

} // namespace ostrel
