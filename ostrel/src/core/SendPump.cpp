#include "SendPump.h"

#include "CommandCode.h"

#include <algorithm>
#include <cassert>
#include <mutex>

namespace ostrel {

namespace {
constexpr std::uint8_t kAnyReplyCode = 0xFC;
} // namespace

SendPump::SendPump(SendRing& rings, LockRecord& sendQueueLock, TerminalTable& table, Transport& transport,
                   const CallbackCaller& callbacks)
    : rings_(rings), sendQueueLock_(sendQueueLock), table_(table), transport_(transport),
      callbacks_(callbacks) {}

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
    if (rings_.isEmpty(port))
        return;
    SendRecord record;
    {
        std::lock_guard lock(sendQueueLock_);
        if (!rings_.pop(port, record))
            return;
    }
    PortSendState& state = states_[port];
    state.addressA = record.bytes[canonical::kAddressA];
    state.addressB = record.bytes[canonical::kAddressB];
    state.commandCode = record.bytes[canonical::kCode];

    // The two locks are never held together: the table takes its own.
    assert(!sendQueueLock_.heldByThisThread());
    // A terminal nobody has heard of cannot be reached: its frame is dropped.
    TerminalTable::Route route;
    if (!table_.lookupRoute(port, state.addressA, state.addressB, route))
        return;

    const std::span<const std::uint8_t> canonical(record.bytes.data(),
                                                  static_cast<std::size_t>(record.frameLength));
    int length;
    if (route.protocolType == 2 && port == kUdpPortIndex)
        length = canonicalToNetwork(canonical, transport_.localAddress(), state.lastSent);
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
        transport_.sendDatagram(bytes, route.ipText, static_cast<std::uint16_t>(route.udpPort));
    else
        transport_.writeSerial(port, bytes);
}

bool SendPump::isUdpNetworkReply(std::span<const std::uint8_t> network) const {
    const PortSendState& state = states_[kUdpPortIndex];
    if (!state.awaitingReply || network.size() < 12 || state.lastSentLength < 12)
        return false;
    const std::uint8_t code = network[11];
    return network[8] == state.lastSent[8] && network[9] == state.lastSent[9] &&
           (code == (state.lastSent[11] | kReplyBit) || code == kAnyReplyCode);
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
    return state.awaitingReply && code == (state.lastSent[3] | kReplyBit);
}

void SendPump::endWait(int port) {
    PortSendState& state = states_[port];
    state.awaitingReply = false;
    state.tickCount = 0;
    state.retryCount = 0;
}

} // namespace ostrel
