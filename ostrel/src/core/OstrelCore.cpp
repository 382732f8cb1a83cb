#include "OstrelCore.h"

#include <algorithm>
#include <cstring>

namespace ostrel {

namespace {
constexpr char kConnectionLostText[] = "PC dropped.";
constexpr int kDatagramCapacity = 128;
} // namespace

OstrelCore::OstrelCore(Transport& transport, void* userValue, const OstrelCallbacks& callbacks)
    : transport_(transport), userValue_(userValue), callbacks_(callbacks) {}

void OstrelCore::startTimers() {
    serialCounts_.fill(0);
    running_.fill(true);
}

void OstrelCore::stopSending() {
    running_[static_cast<int>(Pass::SendPump)] = false;
}

void OstrelCore::stopTimers() {
    running_.fill(false);
}

bool OstrelCore::anyPassRunning() const {
    return std::any_of(running_.begin(), running_.end(), [](bool on) { return on; });
}

void OstrelCore::tick() {
    if (isRunning(Pass::SendPump))
        runSendPump();
    if (isRunning(Pass::CountDown))
        runCountDown();
    if (isRunning(Pass::ExpiryScan))
        runExpiryScan();
    if (isRunning(Pass::SerialReceive))
        runSerialReceive();
}

void OstrelCore::storeValues(int replyTimeout, int retryLimit) {
    replyTimeout_ = replyTimeout;
    retryLimit_ = retryLimit;
}

void OstrelCore::setForwardDestination(const char* host, int port) {
    forwardHost_.fill('\0');
    std::strncpy(forwardHost_.data(), host, forwardHost_.size() - 1);
    forwardPort_ = port;
}

void OstrelCore::onDatagram(std::span<const std::uint8_t> bytes, int count, const char* sourceText,
                            std::uint16_t sourcePort) {
    // Failed reads, empty datagrams and datagrams larger than a frame can be are dropped unread.
    if (count <= 0 || count > kDatagramCapacity || static_cast<std::size_t>(count) > bytes.size())
        return;
    static_cast<void>(sourceText);
    static_cast<void>(sourcePort);
}

void OstrelCore::onConnectionLost() {
    textBuffer_.fill('\0');
    std::memcpy(textBuffer_.data(), kConnectionLostText, sizeof kConnectionLostText);
    if (callbacks_.onConnectionLost)
        callbacks_.onConnectionLost(userValue_, textBuffer_.data());
    transport_.closeUdp();
}

void OstrelCore::runSendPump() {}

void OstrelCore::runCountDown() {}

void OstrelCore::runExpiryScan() {}

void OstrelCore::runSerialReceive() {
    for (int port = 0; port < kSerialPortCount; ++port) {
        if (!transport_.isSerialReceiving(port))
            continue;
        std::array<std::uint8_t, kSerialBufferSize> chunk;
        const int read = transport_.readSerial(port, chunk);
        if (read <= 0) {
            // A frame must arrive without a gap of a whole tick: a silent tick discards a partial one.
            serialCounts_[port] = 0;
            continue;
        }
        // Input that would overrun the buffer cannot belong to the frame being collected: start again.
        if (serialCounts_[port] + read > static_cast<int>(kSerialBufferSize))
            serialCounts_[port] = 0;
        std::copy_n(chunk.begin(), read, serialBuffers_[port].begin() + serialCounts_[port]);
        serialCounts_[port] = static_cast<std::uint8_t>(serialCounts_[port] + read);
    }
}

} // namespace ostrel
