#include "WireCodec.h"

#include "core/CommandCode.h"
#include "core/CommandFrame.h"

namespace sim {

namespace {

constexpr std::size_t kCanonicalHeader = ostrel::canonical::kPayload;
constexpr std::size_t kShortestCanonical = kCanonicalHeader + 1;
constexpr std::size_t kNetworkAddressA = 8;
constexpr std::size_t kNetworkLengthByte = 10;
constexpr std::size_t kNetworkCode = 11;
constexpr std::size_t kNetworkHeader = 12;
constexpr std::size_t kShortestNetwork = kNetworkHeader + 1;
constexpr std::size_t kSerialLengthByte = 2;
constexpr std::size_t kSerialCode = 3;
constexpr std::size_t kSerialHeader = 4;
constexpr std::size_t kShortestSerial = kSerialHeader + 1;

// On a serial line the PC reads a status report's data from the frame's seventh byte, and takes status,
// sign-off and sign-on reports as three bytes shorter than their canonical form: these reports carry two
// bytes before their data and four after it. A plain report carries its data right after its code.
constexpr std::size_t kSerialReportLead = 2;
constexpr std::size_t kSerialReportTail = 4;

// The network codes of the report types, read backwards out of the PC's table of the codes it takes
// from terminals.
std::uint8_t wireCodeOfReport(ReportType type) {
    static const auto codes = [] {
        std::array<std::uint8_t, 5> table{};
        for (int wire = 0; wire < 256; ++wire) {
            const auto canonical = ostrel::canonicalCodeOf(static_cast<std::uint8_t>(wire));
            if (canonical && *canonical >= 1 && *canonical <= 4)
                table[*canonical] = static_cast<std::uint8_t>(wire);
        }
        return table;
    }();
    return codes[static_cast<std::size_t>(type)];
}

// The canonical code of a command that came in the network numbering, read backwards out of the PC's
// table of the codes it sends.
std::optional<std::uint8_t> commandCodeOfWire(std::uint8_t wireCode) {
    static const auto codes = [] {
        std::array<std::optional<std::uint8_t>, 256> table{};
        for (int canonical = 0; canonical < ostrel::kReplyBit; ++canonical)
            if (const auto wire = ostrel::networkCodeOf(static_cast<std::uint8_t>(canonical)))
                table[*wire] = static_cast<std::uint8_t>(canonical);
        return table;
    }();
    return codes[wireCode];
}

bool isCanonicalCommand(std::uint8_t code) {
    return code < ostrel::kReplyBit && ostrel::networkCodeOf(code).has_value();
}

bool isCanonicalAcknowledgement(std::uint8_t code) {
    const int report = code ^ ostrel::kReplyBit;
    return (code & ostrel::kReplyBit) && report >= static_cast<int>(ReportType::Plain) &&
           report <= static_cast<int>(ReportType::SignOn);
}

// All acknowledgements share one code in the network numbering.
std::uint8_t acknowledgementWireCode() {
    return *ostrel::networkCodeOf(ostrel::kReplyBit | static_cast<std::uint8_t>(ReportType::Plain));
}

class FrameWriter {
public:
    void byte(std::uint8_t value) { frame_.bytes[frame_.size++] = value; }
    void bytes(std::span<const std::uint8_t> values) {
        for (const auto value : values)
            byte(value);
    }
    void zeros(std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            byte(0);
    }
    std::uint8_t& at(std::size_t position) { return frame_.bytes[position]; }
    std::uint8_t sum() const { return ostrel::additiveChecksum(frame_.view()); }
    WireFrame sealAdditive() {
        byte(ostrel::additiveChecksum(frame_.view()));
        return frame_;
    }
    WireFrame sealInverted() {
        byte(ostrel::invertedChecksum(frame_.view()));
        return frame_;
    }

private:
    WireFrame frame_;
};

FrameWriter canonicalUnsealed(TerminalAddress address, std::uint8_t code,
                              std::span<const std::uint8_t> data) {
    FrameWriter out;
    out.byte(static_cast<std::uint8_t>(kShortestCanonical + data.size()));
    out.byte(address.a);
    out.byte(address.b);
    out.zeros(3); // header word and reserved byte
    out.byte(code);
    out.bytes(data);
    return out;
}

WireFrame networkFrame(const Ipv4& sender, TerminalAddress address, std::uint8_t code,
                       std::span<const std::uint8_t> data) {
    FrameWriter out;
    out.bytes(sender);
    out.zeros(4); // reserved, header word, reserved
    out.byte(address.a);
    out.byte(address.b);
    out.byte(static_cast<std::uint8_t>(kShortestNetwork + data.size()));
    out.byte(code);
    out.bytes(data);
    return out.sealInverted();
}

WireFrame serialFrame(TerminalAddress address, std::uint8_t code, std::span<const std::uint8_t> data,
                      std::size_t lead = 0, std::size_t tail = 0) {
    FrameWriter out;
    out.byte(address.a);
    out.byte(address.b);
    out.byte(static_cast<std::uint8_t>(kShortestSerial + lead + data.size() + tail));
    out.byte(code);
    out.zeros(lead);
    out.bytes(data);
    out.zeros(tail);
    return out.sealInverted();
}

bool invertedChecksumHolds(std::span<const std::uint8_t> frame) {
    return ostrel::invertedChecksum(frame.first(frame.size() - 1)) == frame.back();
}

bool additiveChecksumHolds(std::span<const std::uint8_t> frame) {
    return ostrel::additiveChecksum(frame.first(frame.size() - 1)) == frame.back();
}

PcFrame canonicalPcFrame(std::span<const std::uint8_t> frame) {
    PcFrame pc;
    pc.layout = WireLayout::Canonical;
    pc.address = {frame[ostrel::canonical::kAddressA], frame[ostrel::canonical::kAddressB]};
    pc.wireCode = frame[ostrel::canonical::kCode];
    pc.payload = frame.subspan(kCanonicalHeader, frame.size() - kShortestCanonical);
    pc.bytes = frame;
    if (isCanonicalAcknowledgement(pc.wireCode)) {
        pc.kind = PcFrame::Kind::Acknowledgement;
        pc.code = pc.wireCode ^ ostrel::kReplyBit;
    } else {
        pc.kind = isCanonicalCommand(pc.wireCode) ? PcFrame::Kind::Command : PcFrame::Kind::Unknown;
        pc.code = pc.wireCode;
    }
    return pc;
}

// Network and serial frames share the numbering; only the positions differ.
PcFrame numberedPcFrame(std::span<const std::uint8_t> frame, WireLayout layout, std::size_t addressA,
                        std::size_t codeByte, std::size_t header) {
    PcFrame pc;
    pc.layout = layout;
    pc.address = {frame[addressA], frame[addressA + 1]};
    pc.wireCode = frame[codeByte];
    pc.payload = frame.subspan(header, frame.size() - header - 1);
    pc.bytes = frame;
    if (pc.wireCode == acknowledgementWireCode()) {
        pc.kind = PcFrame::Kind::Acknowledgement;
    } else if (const auto code = commandCodeOfWire(pc.wireCode)) {
        pc.code = *code;
    } else {
        pc.kind = PcFrame::Kind::Unknown;
    }
    return pc;
}

std::string sizeError(std::size_t size, std::size_t lengthByte) {
    return "length byte says " + std::to_string(lengthByte) + " but the frame has " + std::to_string(size) +
           " bytes";
}

} // namespace

WireLayout layoutOf(int protocolType, LinkKind link) {
    if (protocolType == 1)
        return WireLayout::Canonical;
    return link == LinkKind::Udp ? WireLayout::Network : WireLayout::Serial;
}

const char* nameOf(WireLayout layout) {
    switch (layout) {
    case WireLayout::Canonical:
        return "canonical";
    case WireLayout::Network:
        return "network";
    case WireLayout::Serial:
        return "serial";
    }
    return "?";
}

WireFrame encodeReport(WireLayout layout, TerminalAddress address, ReportType type, const StatusBits& bits,
                       const Ipv4& sender) {
    std::array<std::uint8_t, 3> status{bits.zoneAlarms, bits.status, bits.zoneFlags};
    const std::span<const std::uint8_t> data =
        type != ReportType::Status ? std::span<const std::uint8_t>()
                                   : std::span<const std::uint8_t>(status).first(bits.longReport ? 3 : 2);
    switch (layout) {
    case WireLayout::Canonical: {
        auto out = canonicalUnsealed(address, static_cast<std::uint8_t>(type), data);
        if (type == ReportType::SignOff) {
            // The PC announces a canonical sign-off as the terminal going off line only when its eighth
            // byte, here the checksum, is 0: the terminal balances the sum with its header word.
            out.at(ostrel::canonical::kHeaderLow) = static_cast<std::uint8_t>(-out.sum());
        }
        return out.sealAdditive();
    }
    case WireLayout::Network:
        return networkFrame(sender, address, wireCodeOfReport(type), data);
    case WireLayout::Serial:
        if (type == ReportType::Plain)
            return serialFrame(address, wireCodeOfReport(type), data);
        return serialFrame(address, wireCodeOfReport(type), data, kSerialReportLead, kSerialReportTail);
    }
    return {};
}

WireFrame encodeReply(WireLayout layout, TerminalAddress address, std::uint8_t replyCode,
                      const Ipv4& sender) {
    switch (layout) {
    case WireLayout::Canonical:
        return canonicalUnsealed(address, replyCode, {}).sealAdditive();
    case WireLayout::Network:
        return networkFrame(sender, address, replyCode, {});
    case WireLayout::Serial:
        return serialFrame(address, replyCode, {});
    }
    return {};
}

Decoded decodeDatagram(std::span<const std::uint8_t> datagram) {
    if (datagram.size() > ostrel::kWireBufferSize)
        return {std::nullopt,
                "a datagram of " + std::to_string(datagram.size()) + " bytes is longer than any frame"};
    if (datagram.size() >= kShortestNetwork && invertedChecksumHolds(datagram) &&
        datagram[kNetworkLengthByte] == datagram.size())
        return {
            numberedPcFrame(datagram, WireLayout::Network, kNetworkAddressA, kNetworkCode, kNetworkHeader),
            {}};
    if (datagram.size() < kShortestCanonical)
        return {std::nullopt, "a datagram of " + std::to_string(datagram.size()) + " bytes is too short"};
    if (datagram[0] != datagram.size())
        return {std::nullopt,
                "neither a network frame nor a canonical one: " + sizeError(datagram.size(), datagram[0])};
    if (!additiveChecksumHolds(datagram))
        return {std::nullopt, "neither checksum holds"};
    return {canonicalPcFrame(datagram), {}};
}

Decoded decodeLineFrame(std::span<const std::uint8_t> frame, WireLayout layout) {
    const auto framing = lineFramingOf(layout);
    if (frame.size() < framing.shortest)
        return {std::nullopt, "a frame of " + std::to_string(frame.size()) + " bytes is too short"};
    if (frame[framing.lengthByte] != frame.size())
        return {std::nullopt, sizeError(frame.size(), frame[framing.lengthByte])};
    if (layout == WireLayout::Canonical) {
        if (!additiveChecksumHolds(frame))
            return {std::nullopt, "bad checksum"};
        return {canonicalPcFrame(frame), {}};
    }
    if (!invertedChecksumHolds(frame))
        return {std::nullopt, "bad checksum"};
    return {numberedPcFrame(frame, WireLayout::Serial, 0, kSerialCode, kSerialHeader), {}};
}

LineFraming lineFramingOf(WireLayout layout) {
    if (layout == WireLayout::Canonical)
        return {ostrel::canonical::kLength, kShortestCanonical};
    return {kSerialLengthByte, kShortestSerial};
}

} // namespace sim
