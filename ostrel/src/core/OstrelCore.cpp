#include "OstrelCore.h"

#include <algorithm>
#include <cstring>

namespace ostrel {

namespace {

constexpr char kConnectionLostText[] = "PC dropped.";
// Terminals on a serial line have no address of their own.
constexpr Ipv4Address kSerialSender{0, 0, 0, 0};
constexpr std::uint8_t kLowestReplyCode = kReplyBit + 1;

// A serial report's code in the PC's numbering (1 to 4); 0 for any other serial code.
std::uint8_t serialReportCode(std::uint8_t code) {
    const auto canonicalCode = canonicalCodeOf(code);
    return canonicalCode && TerminalFrames::isReport(*canonicalCode) ? *canonicalCode : 0;
}

// A serial report in canonical form. Besides the header only a status report (241) carries its data over;
// the other reports keep the serial bytes from 7 on where they were.
void serialReportToCanonical(std::span<const std::uint8_t> serialFrame, CanonicalFrame& out) {
    out.bytes.fill(0);
    std::copy(serialFrame.begin(), serialFrame.end(), out.bytes.begin());
    const std::uint8_t code = serialFrame[serial::kCode];
    const int serialLength = static_cast<int>(serialFrame.size());
    constexpr std::size_t kStatusData = serial::kPayload + 2;
    const int length = code == 224 ? serialLength + 3 : serialLength - 3;
    if (code == 241 && length > static_cast<int>(canonical::kShortestFrame))
        std::memmove(out.bytes.data() + canonical::kPayload, serialFrame.data() + kStatusData,
                     static_cast<std::size_t>(length) - canonical::kShortestFrame);
    out.bytes[canonical::kLength] = static_cast<std::uint8_t>(length);
    out.bytes[canonical::kAddressA] = serialFrame[serial::kAddressA];
    out.bytes[canonical::kAddressB] = serialFrame[serial::kAddressB];
    out.bytes[canonical::kHeaderHigh] = out.bytes[canonical::kHeaderLow] = out.bytes[canonical::kReserved] =
        0;
    out.bytes[canonical::kCode] = serialReportCode(code);
    out.length = length;
}

} // namespace

OstrelCore::OstrelCore(Transport& transport, void* userValue, const OstrelCallbacks& callbacks)
    : transport_(transport), callbacks_(userValue, callbacks),
      pump_(rings_, table_, transport, callbacks_, localAddress_, nowMs_),
      frames_(table_, transport, callbacks_, forward_, localAddress_), timeouts_(table_, callbacks_) {}

void OstrelCore::startTimers() {
    pump_.clear();
    for (auto& line : serialLines_)
        line.clear();
    running_.fill(true);
}

void OstrelCore::stopSending() {
    running_[static_cast<int>(Pass::SendPump)] = false;
}

void OstrelCore::stopTimers() {
    running_.fill(false);
}

void OstrelCore::destroy() {
    stopTimers();
    rings_.refuseFrames();
    pump_.discardAll();
}

void OstrelCore::serialLineLost(int port) {
    serialLines_[port].clear();
    if (lostLines_[port])
        return;
    lostLines_[port] = true;
    callbacks_.lineOutcome(OSTREL_LINE_LOST, port);
}

void OstrelCore::serialLineOpened(int port) {
    serialLines_[port].clear();
    if (!lostLines_[port])
        return;
    lostLines_[port] = false;
    callbacks_.lineOutcome(OSTREL_LINE_REOPENED, port);
}

bool OstrelCore::anyPassRunning() const {
    return std::any_of(running_.begin(), running_.end(), [](bool on) { return on; });
}

void OstrelCore::tick(std::span<const SerialRead> serialReads) {
    if (isRunning(Pass::SendPump))
        pump_.run(retryLimit_);
    if (isRunning(Pass::CountDown))
        timeouts_.countDownPass();
    if (isRunning(Pass::ExpiryScan))
        timeouts_.expiryScanPass();
    if (isRunning(Pass::SerialReceive))
        for (const SerialRead& read : serialReads)
            if (read.portIndex >= 0 && read.portIndex < kSerialPortCount)
                receiveSerial(read.portIndex, read.bytes);
}

void OstrelCore::storeValues(int replyTimeout, int retryLimit) {
    replyTimeout_ = replyTimeout;
    retryLimit_ = retryLimit;
}

void OstrelCore::setForwardDestination(const Ipv4Address& host, int port) {
    forward_.host = host;
    forward_.port = port;
}

void OstrelCore::replyArrivedOnUdp() {
    pump_.endWait(kUdpPortIndex);
    // The UDP port's next frame need not wait for the tick; the other ports keep their rhythm, and a
    // stopped pump stays stopped.
    if (isRunning(Pass::SendPump))
        pump_.sendNext(kUdpPortIndex);
}

void OstrelCore::onDatagram(std::span<const std::uint8_t> buffer, int count, const Ipv4Address& source,
                            std::uint16_t sourcePort) {
    // Failed reads, empty datagrams and datagrams larger than a frame can be are dropped unread.
    if (count <= 0 || count > kDatagramCapacity || static_cast<std::size_t>(count) > buffer.size())
        return;
    const auto datagram = buffer.first(static_cast<std::size_t>(count));
    const int sum = additiveChecksum(datagram.first(datagram.size() - 1));
    const std::uint8_t last = datagram.back();

    CanonicalFrame frame;
    std::uint8_t protocolType = 0;
    Ipv4Address sender = source;
    if (sum + last == 255) {
        if (pump_.isUdpNetworkReply(datagram)) {
            replyArrivedOnUdp();
            return;
        }
        if (networkToCanonical(datagram, frame)) {
            protocolType = 2;
            sender = frame.sender;
        }
    }
    if (protocolType == 0) {
        if (datagram[canonical::kLength] != count || last != sum)
            return; // neither form: dropped without an answer
        std::copy(datagram.begin(), datagram.end(), frame.bytes.begin());
        frame.length = count;
        protocolType = 1;
    }
    const auto canonicalFrame = std::span<const std::uint8_t>(frame.bytes.data(), frame.bytes.size());
    if (pump_.isUdpCanonicalReply(canonicalFrame)) {
        replyArrivedOnUdp();
        return;
    }
    frames_.process(kUdpPortIndex, canonicalFrame, sender, sourcePort, protocolType);
    if (TerminalFrames::isReport(frame.bytes[canonical::kCode]))
        frames_.acknowledgeOverUdp(canonicalFrame, protocolType, sender, sourcePort);
}

void OstrelCore::onConnectionLost() {
    callbacks_.connectionLost(kConnectionLostText);
    table_.reset();
    transport_.closeUdp();
}

void OstrelCore::receiveSerial(int port, std::span<const std::uint8_t> bytes) {
    SerialLineBuffer& line = serialLines_[port];
    // A frame must arrive without a gap of a whole tick: on a quiet line nothing partial will complete.
    const bool quiet = bytes.empty();
    line.append(bytes);
    while (!line.empty()) {
        const auto front = line.front();
        std::size_t used = 1; // a byte no frame can start with is noise
        if (front.canonicalLength != 0 &&
            takeCanonicalFromLine(port, line.bytes().first(front.canonicalLength))) {
            used = front.canonicalLength;
        } else if (front.serialLength != 0) {
            takeSerialFrame(port, line.bytes().first(front.serialLength));
            used = front.serialLength;
        } else if (front.mayGrow && !quiet) {
            break; // the rest may come with the next tick
        } else if (front.canonicalLength != 0) {
            used = front.canonicalLength; // a whole frame, but none of ours
        }
        line.consume(used);
    }
}

// The canonical form, as protocol type 1 terminals write it. True when the frame was the awaited reply
// or a report; any other code may still be a serial frame.
bool OstrelCore::takeCanonicalFromLine(int port, std::span<const std::uint8_t> frame) {
    const std::uint8_t code = frame[canonical::kCode];
    if (code >= kLowestReplyCode && pump_.isSerialCanonicalReply(port, code)) {
        pump_.endWait(port);
        return true;
    }
    if (!TerminalFrames::isReport(code))
        return false;
    frames_.acknowledgeCanonicalOnSerial(port, frame);
    CanonicalFrame canonicalFrame;
    std::copy(frame.begin(), frame.end(), canonicalFrame.bytes.begin());
    frames_.process(port, canonicalFrame.bytes, kSerialSender, portNumberOf(port), 1);
    return true;
}

// The serial form of protocol type 2 terminals. Frames with codes of the PC's own commands are skipped.
void OstrelCore::takeSerialFrame(int port, std::span<const std::uint8_t> frame) {
    const std::uint8_t code = frame[serial::kCode];
    if (code < kLowestReplyCode)
        return;
    if (pump_.isSerialFrameReply(port, code)) {
        pump_.endWait(port);
        return;
    }
    frames_.acknowledgeSerialFrame(port, frame[serial::kAddressA], frame[serial::kAddressB]);
    if (serialReportCode(code) != 0) {
        CanonicalFrame canonicalFrame;
        serialReportToCanonical(frame, canonicalFrame);
        frames_.process(port, canonicalFrame.bytes, kSerialSender, portNumberOf(port), 2);
    }
}

} // namespace ostrel
