#include "WireCodec.h"

#include "Checksum.h"

#include <algorithm>

namespace sim {

namespace {

using Bytes = std::span<const std::uint8_t>;

// On a serial line the PC reads a status report's data from the frame's seventh byte, and takes status,
// sign-off and sign-on reports as three bytes shorter than their canonical form: these reports carry two
// bytes before their data and four after it. A plain report carries its data right after its code.
struct Padding {
    std::size_t lead = 0;
    std::size_t tail = 0;
};
constexpr Padding kSerialReportPadding{.lead = 2, .tail = 4};

// A frame as a terminal sends it: header word and reserved bytes 0, the padding as zeros around the data.
// Only network frames carry the sender's address.
WireFrame terminalFrame(WireLayout layout, TerminalAddress address, std::uint8_t code, Bytes data,
                        const Ipv4& sender, Padding padding = {}) {
    const auto& at = positionsOf(layout);
    WireFrame frame;
    frame.size = at.overhead + padding.lead + data.size() + padding.tail;
    if (layout == WireLayout::Network)
        std::ranges::copy(sender, frame.bytes.begin() + kNetworkSender);
    frame.bytes[at.length] = static_cast<std::uint8_t>(frame.size);
    frame.bytes[at.addressA] = address.a;
    frame.bytes[at.addressB] = address.b;
    frame.bytes[at.code] = code;
    std::ranges::copy(data, frame.bytes.begin() + static_cast<std::ptrdiff_t>(at.payload + padding.lead));
    frame.bytes[frame.size - 1] = checksumOf(layout, frame.view().first(frame.size - 1));
    return frame;
}

bool checksumHolds(WireLayout layout, Bytes frame) {
    return checksumOf(layout, frame.first(frame.size() - 1)) == frame.back();
}

// Canonical frames name the report an acknowledgement answers; commands keep their code.
void classifyCanonical(PcFrame& pc) {
    if (const auto report = reportAcknowledgedBy(pc.wireCode)) {
        pc.kind = PcFrame::Kind::Acknowledgement;
        pc.code = static_cast<std::uint8_t>(*report);
        return;
    }
    pc.kind = isCanonicalCommandCode(pc.wireCode) ? PcFrame::Kind::Command : PcFrame::Kind::Unknown;
    pc.code = pc.wireCode;
}

// Network and serial frames share one numbering, and one code for every acknowledgement.
void classifyNetworkNumbered(PcFrame& pc) {
    if (pc.wireCode == kNetworkAcknowledgement) {
        pc.kind = PcFrame::Kind::Acknowledgement;
    } else if (const auto code = canonicalCommandCode(pc.wireCode)) {
        pc.kind = PcFrame::Kind::Command;
        pc.code = *code;
    } else {
        pc.kind = PcFrame::Kind::Unknown;
    }
}

// A frame whose length and checksum hold.
PcFrame pcFrameOf(Bytes frame, WireLayout layout) {
    const auto& at = positionsOf(layout);
    PcFrame pc;
    pc.layout = layout;
    pc.address = {frame[at.addressA], frame[at.addressB]};
    pc.wireCode = frame[at.code];
    pc.payload = frame.subspan(at.payload, frame.size() - at.overhead);
    pc.bytes = frame;
    if (layout == WireLayout::Canonical)
        classifyCanonical(pc);
    else
        classifyNetworkNumbered(pc);
    return pc;
}

std::string sizeError(std::size_t size, std::size_t lengthByte) {
    return "length byte says " + std::to_string(lengthByte) + " but the frame has " + std::to_string(size) +
           " bytes";
}

} // namespace

WireFrame encodeReport(WireLayout layout, TerminalAddress address, ReportType type, const StatusBits& bits,
                       const Ipv4& sender) {
    const std::array<std::uint8_t, 3> status{bits.zoneAlarms, bits.status, bits.zoneFlags};
    const Bytes data = type == ReportType::Status ? Bytes(status).first(bits.longReport ? 3 : 2) : Bytes();
    if (layout == WireLayout::Canonical)
        return terminalFrame(layout, address, static_cast<std::uint8_t>(type), data, sender);
    const auto padding =
        layout == WireLayout::Serial && type != ReportType::Plain ? kSerialReportPadding : Padding{};
    return terminalFrame(layout, address, networkReportCode(type), data, sender, padding);
}

WireFrame encodeReply(WireLayout layout, TerminalAddress address, std::uint8_t replyCode,
                      const Ipv4& sender) {
    return terminalFrame(layout, address, replyCode, {}, sender);
}

std::uint8_t replyCodeOf(const PcFrame& command) {
    return command.wireCode | kReplyBit;
}

Decoded decodeDatagram(std::span<const std::uint8_t> datagram) {
    if (datagram.size() > kLongestFrame)
        return {std::nullopt,
                "a datagram of " + std::to_string(datagram.size()) + " bytes is longer than any frame"};
    if (datagram.size() >= kNetworkPositions.overhead &&
        datagram[kNetworkPositions.length] == datagram.size() && checksumHolds(WireLayout::Network, datagram))
        return {pcFrameOf(datagram, WireLayout::Network), {}};
    if (datagram.size() < kCanonicalPositions.overhead)
        return {std::nullopt, "a datagram of " + std::to_string(datagram.size()) + " bytes is too short"};
    const std::size_t canonicalLength = datagram[kCanonicalPositions.length];
    if (canonicalLength != datagram.size())
        return {std::nullopt, "neither a network frame nor a canonical one: " +
                                  sizeError(datagram.size(), canonicalLength)};
    if (!checksumHolds(WireLayout::Canonical, datagram))
        return {std::nullopt, "neither checksum holds"};
    return {pcFrameOf(datagram, WireLayout::Canonical), {}};
}

Decoded decodeLineFrame(std::span<const std::uint8_t> frame, WireLayout layout) {
    const auto framing = lineFramingOf(layout);
    if (frame.size() < framing.shortest)
        return {std::nullopt, "a frame of " + std::to_string(frame.size()) + " bytes is too short"};
    if (frame[framing.lengthByte] != frame.size())
        return {std::nullopt, sizeError(frame.size(), frame[framing.lengthByte])};
    if (!checksumHolds(layout, frame))
        return {std::nullopt, "bad checksum"};
    return {pcFrameOf(frame, layout), {}};
}

LineFraming lineFramingOf(WireLayout layout) {
    const auto& at = positionsOf(layout);
    return {at.length, at.overhead};
}

} // namespace sim
