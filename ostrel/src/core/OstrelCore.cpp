#include "OstrelCore.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace ostrel {

namespace {

constexpr char kConnectionLostText[] = "PC dropped.";
constexpr char kSerialSenderText[] = "0.0.0.0";
constexpr std::uint8_t kLowestReplyCode = 129;
constexpr std::uint8_t kLowestSerialCommandCode = 129;

// A serial report's code in the PC's numbering (1 to 4); 0 for any other serial code.
std::uint8_t serialReportCode(std::uint8_t code) {
    const auto canonicalCode = canonicalCodeOf(code);
    return canonicalCode && TerminalFrames::isReport(*canonicalCode) ? *canonicalCode : 0;
}

// A serial report in canonical form. Besides the header only a status report (241) carries its data over;
// the other reports keep the serial bytes from 7 on where they were.
void serialReportToCanonical(std::span<const std::uint8_t> serial, CanonicalFrame& out) {
    out.bytes.fill(0);
    std::copy(serial.begin(), serial.end(), out.bytes.begin());
    const std::uint8_t code = serial[3];
    const int serialLength = static_cast<int>(serial.size());
    const int length = code == 224 ? serialLength + 3 : serialLength - 3;
    if (code == 241 && length > 8)
        std::memmove(out.bytes.data() + 7, serial.data() + 6, static_cast<std::size_t>(length - 8));
    out.bytes[canonical::kLength] = static_cast<std::uint8_t>(length);
    out.bytes[canonical::kAddressA] = serial[0];
    out.bytes[canonical::kAddressB] = serial[1];
    out.bytes[canonical::kHeaderHigh] = out.bytes[canonical::kHeaderLow] = out.bytes[canonical::kReserved] =
        0;
    out.bytes[canonical::kCode] = serialReportCode(code);
    out.length = length;
}

} // namespace

OstrelCore::OstrelCore(Transport& transport, void* userValue, const OstrelCallbacks& callbacks)
    : transport_(transport), callbacks_(userValue, callbacks),
      pump_(rings_, sendQueueLock_, table_, transport, callbacks_),
      frames_(table_, transport, callbacks_, forward_), timeouts_(table_, callbacks_) {}

void OstrelCore::startTimers() {
    pump_.clear();
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
        timeouts_.countDownPass();
    if (isRunning(Pass::ExpiryScan))
        timeouts_.expiryScanPass();
    if (isRunning(Pass::SerialReceive))
        runSerialReceive();
}

void OstrelCore::storeValues(int replyTimeout, int retryLimit) {
    replyTimeout_ = replyTimeout;
    retryLimit_ = retryLimit;
}

void OstrelCore::setForwardDestination(const char* host, int port) {
    forward_.host.fill('\0');
    std::strncpy(forward_.host.data(), host, forward_.host.size() - 1);
    forward_.port = port;
}

bool OstrelCore::queueFrame(int portIndex, const CommandFrame& frame) {
    std::lock_guard lock(sendQueueLock_);
    return rings_.push(portIndex, frame);
}

void OstrelCore::runSendPump() {
    pump_.run(retryLimit_);
}

void OstrelCore::replyArrivedOnUdp() {
    pump_.endWait(kUdpPortIndex);
    // The next frame need not wait for the tick; but a stopped pump stays stopped.
    if (isRunning(Pass::SendPump))
        runSendPump();
}

void OstrelCore::onDatagram(std::span<const std::uint8_t> buffer, int count, const char* sourceText,
                            std::uint16_t sourcePort) {
    // Failed reads, empty datagrams and datagrams larger than a frame can be are dropped unread.
    if (count <= 0 || count > kDatagramCapacity || static_cast<std::size_t>(count) > buffer.size())
        return;
    const auto datagram = buffer.first(static_cast<std::size_t>(count));
    const int sum = additiveChecksum(datagram.first(datagram.size() - 1));
    const std::uint8_t last = datagram.back();

    CanonicalFrame frame;
    std::uint8_t protocolType = 0;
    const char* senderText = sourceText;
    if (sum + last == 255) {
        if (pump_.isUdpNetworkReply(datagram)) {
            replyArrivedOnUdp();
            return;
        }
        if (networkToCanonical(datagram, frame)) {
            protocolType = 2;
            senderText = frame.senderText;
        }
    }
    if (protocolType == 0) {
        if (datagram[canonical::kLength] != count || last != sum)
            return; // neither form: dropped without an answer
        std::copy(datagram.begin(), datagram.end(), frame.bytes.begin());
        frame.length = count;
        protocolType = 1;
    }
    const auto canonical = std::span<const std::uint8_t>(frame.bytes.data(), frame.bytes.size());
    if (pump_.isUdpCanonicalReply(canonical)) {
        replyArrivedOnUdp();
        return;
    }
    processTerminalFrame(kUdpPortIndex, canonical, senderText, sourcePort, protocolType);
    if (TerminalFrames::isReport(frame.bytes[canonical::kCode]))
        frames_.acknowledgeOverUdp(canonical, protocolType, senderText, sourcePort);
}

void OstrelCore::processTerminalFrame(int port, std::span<const std::uint8_t> frame, const char* senderText,
                                      int udpPort, std::uint8_t protocolType) {
    timeouts_.heard(port, frame[canonical::kAddressA], frame[canonical::kAddressB]);
    frames_.process(port, frame, senderText, udpPort, protocolType);
}

void OstrelCore::onConnectionLost() {
    callbacks_.connectionLost(kConnectionLostText);
    table_.reset();
    timeouts_.reset();
    transport_.closeUdp();
}

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
        examineSerialInput(port);
    }
}

void OstrelCore::examineSerialInput(int port) {
    const int count = serialCounts_[port];
    auto& buffer = serialBuffers_[port];
    const auto input = std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(count));
    const int sum = additiveChecksum(input.first(input.size() - 1));

    // The canonical form, as protocol type 1 terminals write it.
    if (count == buffer[canonical::kLength] && count >= 8 && buffer[count - 1] == sum) {
        const std::uint8_t code = buffer[canonical::kCode];
        if (code >= kLowestReplyCode && pump_.isSerialCanonicalReply(port, code)) {
            pump_.endWait(port);
            return;
        }
        if (TerminalFrames::isReport(code)) {
            frames_.acknowledgeCanonicalOnSerial(port, input);
            CanonicalFrame frame;
            std::copy(input.begin(), input.end(), frame.bytes.begin());
            processTerminalFrame(port, frame.bytes, kSerialSenderText, portNumberOf(port), 1);
            return;
        }
    }

    // The serial form of protocol type 2 terminals.
    if (count != buffer[2] || count < 5 || sum + buffer[count - 1] != 255)
        return; // perhaps the rest comes with the next tick
    const std::uint8_t code = buffer[3];
    if (code >= kLowestSerialCommandCode && pump_.isSerialFrameReply(port, code)) {
        pump_.endWait(port);
    } else if (code >= kLowestSerialCommandCode) {
        frames_.acknowledgeSerialFrame(port, buffer[0], buffer[1]);
        if (serialReportCode(code) != 0) {
            CanonicalFrame frame;
            serialReportToCanonical(input, frame);
            processTerminalFrame(port, frame.bytes, kSerialSenderText, portNumberOf(port), 2);
        }
    }
    serialCounts_[port] = 0;
}

} // namespace ostrel
