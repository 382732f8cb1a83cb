#include "TerminalFrames.h"

#include "CommandFrame.h"

namespace ostrel {

namespace {

constexpr std::uint8_t kSerialAckCode = 0x7C;
constexpr int kLongReportLength = 11;
constexpr int kNoEvent = -1;

bool bit(std::uint8_t value, int n) {
    return (value >> n) & 1;
}

// +1 when a bit became set, -1 when it became clear, 0 when unchanged. A fresh record has no history:
// a set bit always counts as news, a clear one only where the caller wants clear bits reported too.
int compare(bool now, bool before, bool fresh, bool freshReportsClear) {
    if (fresh)
        return now ? 1 : (freshReportsClear ? -1 : 0);
    return now == before ? 0 : (now ? 1 : -1);
}

// Only a plain sign-off announces the terminal as gone; one carrying data does not. A canonical frame of
// length 8 carries no data: its eighth byte is its checksum. A frame converted from a protocol type 2
// terminal's form shows a sign-off without data by a 0 there. A length byte of 7 leaves no room for data.
bool isPlainSignOff(std::span<const std::uint8_t> frame, std::uint8_t protocolType) {
    const std::size_t length = frame[canonical::kLength];
    return length == canonical::kShortestFrame - 1 ||
           (length == canonical::kShortestFrame && (protocolType == 1 || frame[canonical::kPayload] == 0));
}

} // namespace

TerminalFrames::TerminalFrames(TerminalTable& table, Transport& transport, const CallbackCaller& callbacks,
                               const ForwardDestination& forward, const Ipv4Address& localAddress)
    : table_(table), transport_(transport), callbacks_(callbacks), forward_(forward),
      localAddress_(localAddress) {}

void TerminalFrames::process(int port, std::span<const std::uint8_t> frame, const Ipv4Address& sender,
                             int udpPort, std::uint8_t protocolType) {
    const std::uint8_t a = frame[canonical::kAddressA];
    const std::uint8_t b = frame[canonical::kAddressB];
    const std::uint8_t code = frame[canonical::kCode];

    if (table_.heard(port, a, b, sender, udpPort, protocolType) && code != OSTREL_REPORT_SIGN_OFF &&
        code != OSTREL_REPORT_SIGN_ON) {
        if (b == TerminalTable::kBlockRecordAddress)
            table_.restoreBlock(port, a);
        callbacks_.refresh();
        // Only a serial port's port entry announces itself as such when it comes on line by a frame.
        onLine(port, a, b, port != kUdpPortIndex);
    }
    if (!isReport(code))
        return;
    callbacks_.report(port, a, b, code);
    switch (code) {
    case OSTREL_REPORT_STATUS:
        processStatus(port, frame);
        callbacks_.refresh();
        break;
    case OSTREL_REPORT_SIGN_OFF:
        table_.markOffLine(port, a, b);
        if (isPlainSignOff(frame, protocolType))
            offLine(port, a, b);
        callbacks_.refresh();
        break;
    case OSTREL_REPORT_SIGN_ON:
        callbacks_.refresh();
        onLine(port, a, b, true);
        break;
    default:
        break;
    }
}

void TerminalFrames::processStatus(int port, std::span<const std::uint8_t> frame) {
    // A status report's payload: zone alarm bits, status bits and, in a long report, zone flag bits.
    const std::uint8_t a = frame[canonical::kAddressA];
    const std::uint8_t b = frame[canonical::kAddressB];
    const std::uint8_t zoneAlarms = frame[canonical::kPayload];
    const std::uint8_t status = frame[canonical::kPayload + 1];
    const bool longReport = frame[canonical::kLength] >= kLongReportLength;
    const std::uint8_t zoneFlags = longReport ? frame[canonical::kPayload + 2] : 0;

    const TerminalRecord& before = table_.record(port, a, b);
    const bool fresh = before.fresh();
    const std::uint8_t lastStatus = before.lastStatus;
    const bool wasBit0Set = before.bit0Clear == 0;
    const std::uint8_t lastZoneAlarms = before.lastZoneAlarms;
    const std::uint8_t lastZoneFlags = before.lastZoneFlags;

    // A bit that became set gives its first event, one that became clear its second (if it has one).
    auto announce = [&](int change, int index, int whenSet, int whenCleared) {
        if (change > 0)
            event(port, a, b, index, whenSet);
        else if (change < 0 && whenCleared != kNoEvent)
            event(port, a, b, index, whenCleared);
    };
    announce(compare(bit(status, 2), bit(lastStatus, 2), fresh, false), 0, OSTREL_EVENT_STATUS_BIT2_SET,
             OSTREL_EVENT_STATUS_BIT2_CLEARED);
    announce(compare(bit(status, 1), bit(lastStatus, 1), fresh, false), 0, OSTREL_EVENT_STATUS_BIT1_SET,
             kNoEvent);
    announce(compare(bit(status, 6), bit(lastStatus, 6), fresh, false), 0, OSTREL_EVENT_STATUS_BIT6_SET,
             OSTREL_EVENT_STATUS_BIT6_CLEARED);
    announce(compare(bit(status, 0), wasBit0Set, fresh, true), 0, OSTREL_EVENT_STATUS_BIT0_SET,
             OSTREL_EVENT_STATUS_BIT0_CLEAR);

    table_.storeStatus(port, a, b, status, zoneAlarms, zoneFlags, longReport);

    for (int zone = 1; zone <= 8; ++zone) {
        const int n = zone - 1;
        if (longReport)
            announce(compare(bit(zoneFlags, n), bit(lastZoneFlags, n), fresh, true), zone,
                     OSTREL_EVENT_ZONE_FLAG_SET, OSTREL_EVENT_ZONE_FLAG_CLEARED);
        const int alarm = compare(bit(zoneAlarms, n), bit(lastZoneAlarms, n), fresh, false);
        if (alarm > 0 && callbacks_.terminalEvent(port, a, b, zone, OSTREL_EVENT_ZONE_ALARM_SET) &&
            forward_.port != 0) {
            const std::array<std::uint8_t, 5> datagram{0xFF, a, b, static_cast<std::uint8_t>(zone), 0};
            transport_.sendDatagram(datagram, forward_.host, static_cast<std::uint16_t>(forward_.port));
        } else if (alarm < 0) {
            event(port, a, b, zone, OSTREL_EVENT_ZONE_ALARM_CLEARED);
        }
    }

    table_.storeLastReport(port, a, b, status, zoneAlarms, zoneFlags, longReport);
}

void TerminalFrames::onLine(int port, std::uint8_t a, std::uint8_t b, bool portEntryEvent) {
    if (b != TerminalTable::kBlockRecordAddress)
        event(port, a, b, 0, OSTREL_EVENT_TERMINAL_ON_LINE);
    else if (a == TerminalTable::kPortEntryBlock && portEntryEvent)
        event(port, a, b, 0, OSTREL_EVENT_PORT_ON_LINE);
    else
        event(port, a, b, 0, OSTREL_EVENT_BLOCK_ON_LINE);
}

void TerminalFrames::offLine(int port, std::uint8_t a, std::uint8_t b) {
    if (b != TerminalTable::kBlockRecordAddress)
        event(port, a, b, 0, OSTREL_EVENT_TERMINAL_OFF_LINE);
    else if (a == TerminalTable::kPortEntryBlock)
        event(port, a, b, 0, OSTREL_EVENT_PORT_OFF_LINE);
    else
        event(port, a, b, 0, OSTREL_EVENT_BLOCK_OFF_LINE);
}

void TerminalFrames::event(int port, std::uint8_t a, std::uint8_t b, int index, int code) {
    callbacks_.terminalEvent(port, a, b, index, code);
}

namespace {

// The canonical acknowledgement of a report: its header bytes back, the report code with the reply bit.
// On a serial line the reserved byte is echoed too.
CommandFrame acknowledgementOf(std::span<const std::uint8_t> report, bool echoReserved) {
    CommandFrame ack;
    ack.setHeaderBytes(report[canonical::kAddressA], report[canonical::kAddressB],
                       report[canonical::kHeaderHigh], report[canonical::kHeaderLow]);
    if (echoReserved)
        ack.bytes[canonical::kReserved] = report[canonical::kReserved];
    ack.setCommand(report[canonical::kCode] | kReplyBit);
    ack.finalize();
    return ack;
}

std::span<const std::uint8_t> canonicalBytes(const CommandFrame& frame) {
    return {frame.bytes.data(), static_cast<std::size_t>(frame.frameLength)};
}

} // namespace

void TerminalFrames::acknowledgeOverUdp(std::span<const std::uint8_t> report, std::uint8_t protocolType,
                                        const Ipv4Address& host, std::uint16_t port) {
    const CommandFrame ack = acknowledgementOf(report, false);
    WireBuffer wire;
    const int length = protocolType == 2 ? canonicalToNetwork(canonicalBytes(ack), localAddress_, wire)
                                         : withAdditiveChecksum(canonicalBytes(ack), wire);
    if (length > 0)
        transport_.sendDatagram(std::span(wire.data(), static_cast<std::size_t>(length)), host, port);
}

void TerminalFrames::acknowledgeCanonicalOnSerial(int port, std::span<const std::uint8_t> report) {
    const CommandFrame ack = acknowledgementOf(report, true);
    WireBuffer wire;
    const int length = withAdditiveChecksum(canonicalBytes(ack), wire);
    transport_.writeSerial(port, std::span(wire.data(), static_cast<std::size_t>(length)));
}

void TerminalFrames::acknowledgeSerialFrame(int port, std::uint8_t a, std::uint8_t b) {
    std::array<std::uint8_t, serial::kShortestFrame> ack{a, b, serial::kShortestFrame, kSerialAckCode, 0};
    ack.back() = invertedChecksum(std::span(ack.data(), ack.size() - 1));
    transport_.writeSerial(port, ack);
}

} // namespace ostrel
