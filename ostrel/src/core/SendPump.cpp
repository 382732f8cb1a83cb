#include "SendPump.h"

#include <algorithm>

namespace ostrel {

namespace {
constexpr std::uint8_t kAnyReplyCode = 0xFC;
} // namespace

SendPump::SendPump(SendRing& rings, TerminalTable& table, Transport& transport,
                   const CallbackCaller& callbacks, const Ipv4Address& localAddress,
                   const std::int64_t& nowMs)
    : rings_(rings), table_(table), transport_(transport), callbacks_(callbacks), localAddress_(localAddress),
      nowMs_(nowMs) {}

void SendPump::clear() {
    for (int port = 0; port < kPortCount; ++port) {
        if (states_[port].awaitingReply)
            settle(port, OSTREL_FRAME_DISCARDED);
        states_[port].tickCount = 0;
        states_[port].retryCount = 0;
    }
}

void SendPump::discardAll() {
    SendRecord record;
    for (int port = 0; port < kPortCount; ++port) {
        if (states_[port].awaitingReply)
            settle(port, OSTREL_FRAME_DISCARDED);
        while (rings_.pop(port, record))
            callbacks_.frameOutcome(OSTREL_FRAME_DISCARDED, port,
                                    {record.bytes[canonical::kAddressA], record.bytes[canonical::kAddressB],
                                     record.bytes[canonical::kCode], record.frameNumber, 0, 0});
    }
}

void SendPump::settle(int port, OstrelOutcomeKind kind) {
    PortSendState& state = states_[port];
    state.awaitingReply = false;
    const std::int64_t elapsed = state.sendings > 0 ? nowMs_ - state.firstSentMs : 0;
    callbacks_.frameOutcome(
        kind, port,
        {state.addressA, state.addressB, state.commandCode, state.frameNumber, state.sendings, elapsed});
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
    state.retryCount = 0;
    callbacks_.sendFailed(port, state.addressA, state.addressB, state.commandCode);
    settle(port, OSTREL_FRAME_FAILED);
}

void SendPump::sendNext(int port) {
    PortSendState& state = states_[port];
    SendRecord record;
    if (state.awaitingReply || !rings_.pop(port, record))
        return;
    state.addressA = record.bytes[canonical::kAddressA];
    state.addressB = record.bytes[canonical::kAddressB];
    state.commandCode = record.bytes[canonical::kCode];
    state.frameNumber = record.frameNumber;
    state.sendings = 0;

    // A terminal nobody has heard of cannot be reached: its frame is dropped.
    TerminalTable::Route route;
    if (!table_.lookupRoute(port, state.addressA, state.addressB, route)) {
        settle(port, OSTREL_FRAME_UNREACHABLE);
        return;
    }

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
    if (length <= 0) {
        settle(port, OSTREL_FRAME_UNREACHABLE);
        return;
    }

    state.lastSentLength = length;
    state.firstSentMs = nowMs_;
    transmit(port, route, std::span(state.lastSent.data(), static_cast<std::size_t>(length)));
    state.awaitingReply = true;
    state.tickCount = 0;
    state.retryCount = 0;
}

void SendPump::transmit(int port, const TerminalTable::Route& route, std::span<const std::uint8_t> bytes) {
    ++states_[port].sendings;
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
    if (state.awaitingReply)
        settle(port, OSTREL_FRAME_ANSWERED);
    state.tickCount = 0;
    state.retryCount = 0;
}

} // namespace ostrel
