// The terminal's side of the wire, pinned with byte vectors and code tables written out by hand, so that
// the simulator's reading of the protocol answers to the wire itself and not to the PC's code.
#include "WireCodec.h"

#include <gtest/gtest.h>
#include <vector>

using namespace sim;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr TerminalAddress k12{1, 2};
constexpr Ipv4 kLoopback{127, 0, 0, 1};

Bytes bytesOf(const WireFrame& frame) {
    return {frame.bytes.begin(), frame.bytes.begin() + static_cast<std::ptrdiff_t>(frame.size)};
}

PcFrame decodedOrFail(const Bytes& bytes, std::optional<WireLayout> line = std::nullopt) {
    const auto decoded = line ? decodeLineFrame(bytes, *line) : decodeDatagram(bytes);
    if (!decoded.frame)
        throw std::runtime_error("not decoded: " + decoded.error);
    return *decoded.frame;
}

} // namespace

TEST(WireCodecTest, TheLcdCleanOfTheWorkedExampleIsReadInAllThreeLayouts) {
    const PcFrame canonical = decodedOrFail({0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x0B, 0x16});
    const PcFrame network =
        decodedOrFail({0xC0, 0xA8, 0x01, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0D, 0x16, 0x66});
    const PcFrame serial = decodedOrFail({0x01, 0x02, 0x05, 0x16, 0xE1}, WireLayout::Serial);
    for (const auto& frame : {canonical, network, serial}) {
        EXPECT_EQ(frame.kind, PcFrame::Kind::Command);
        EXPECT_EQ(frame.address, k12);
        EXPECT_EQ(frame.code, 11);
        EXPECT_TRUE(frame.payload.empty());
    }
    EXPECT_EQ(canonical.layout, WireLayout::Canonical);
    EXPECT_EQ(network.layout, WireLayout::Network);
    EXPECT_EQ(network.wireCode, 0x16);
    EXPECT_EQ(serial.layout, WireLayout::Serial);
}

TEST(WireCodecTest, APayloadIsReadAtItsPlaceInEachLayoutWhateverTheHeaderWord) {
    // LCD display, argument 0, text "Hi", header word 0x1234 where the layout has one; the canonical sum
    // passes 255.
    const Bytes text{0x00, 0x48, 0x69, 0x00};
    const Bytes canonicalBytes{0x0C, 0x01, 0x02, 0x12, 0x34, 0x00, 0x0A, 0x00, 0x48, 0x69, 0x00, 0x10};
    const Bytes networkBytes{0xC0, 0xA8, 0x01, 0x0A, 0x00, 0x12, 0x34, 0x00, 0x01,
                             0x02, 0x11, 0x12, 0x00, 0x48, 0x69, 0x00, 0x6F};
    const Bytes serialBytes{0x01, 0x02, 0x09, 0x12, 0x00, 0x48, 0x69, 0x00, 0x30};
    const PcFrame canonical = decodedOrFail(canonicalBytes);
    const PcFrame network = decodedOrFail(networkBytes);
    const PcFrame serial = decodedOrFail(serialBytes, WireLayout::Serial);
    for (const auto& frame : {canonical, network, serial}) {
        EXPECT_EQ(frame.kind, PcFrame::Kind::Command) << nameOf(frame.layout);
        EXPECT_EQ(frame.address, k12) << nameOf(frame.layout);
        EXPECT_EQ(frame.code, 10) << nameOf(frame.layout);
        EXPECT_EQ(Bytes(frame.payload.begin(), frame.payload.end()), text) << nameOf(frame.layout);
    }
}

TEST(WireCodecTest, EveryCommandIsReadInBothNumberingsAndAnsweredInTheOneItCameIn) {
    // Canonical code and network code of each command, then the replies the PC expects to them.
    struct Row {
        std::uint8_t canonical, network, canonicalReply, networkReply;
    };
    const std::vector<Row> rows{
        {5, 4, 133, 132},   {6, 2, 134, 130},   {7, 20, 135, 148},  {8, 5, 136, 133},   {10, 18, 138, 146},
        {11, 22, 139, 150}, {12, 23, 140, 151}, {13, 16, 141, 144}, {32, 81, 160, 209}, {33, 87, 161, 215},
        {34, 82, 162, 210}, {35, 88, 163, 216}, {95, 95, 223, 223}};
    for (const auto& row : rows) {
        const Bytes serial{0x01, 0x02, 0x05, row.network,
                           static_cast<std::uint8_t>(0xFF - (0x01 + 0x02 + 0x05 + row.network))};
        const Bytes canonical{
            0x08, 0x01, 0x02,          0x00,
            0x00, 0x00, row.canonical, static_cast<std::uint8_t>(0x08 + 0x01 + 0x02 + row.canonical)};
        for (const auto& [pc, reply] :
             {std::pair{decodedOrFail(serial, WireLayout::Serial), row.networkReply},
              std::pair{decodedOrFail(canonical), row.canonicalReply}}) {
            EXPECT_EQ(pc.kind, PcFrame::Kind::Command) << int(pc.wireCode);
            EXPECT_EQ(pc.code, row.canonical) << int(pc.wireCode);
            EXPECT_EQ(replyCodeOf(pc), reply) << int(pc.wireCode);
        }
    }
    const auto unknown = decodedOrFail({0x01, 0x02, 0x05, 0x99, 0x5E}, WireLayout::Serial);
    EXPECT_EQ(unknown.kind, PcFrame::Kind::Unknown);
    EXPECT_EQ(decodedOrFail({0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x09, 0x14}).kind, PcFrame::Kind::Unknown)
        << "canonical code 9 is no command";
}

TEST(WireCodecTest, AcknowledgementsAreKnownInEachLayout) {
    const std::vector<std::pair<Bytes, std::uint8_t>> canonicalAcknowledgements{
        {{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x81, 0x8C}, 1},
        {{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x82, 0x8D}, 2},
        {{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x83, 0x8E}, 3},
        {{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x84, 0x8F}, 4},
    };
    for (const auto& [bytes, type] : canonicalAcknowledgements) {
        const auto canonical = decodedOrFail(bytes);
        EXPECT_EQ(canonical.kind, PcFrame::Kind::Acknowledgement) << int(type);
        EXPECT_EQ(canonical.code, type) << "a canonical acknowledgement names the report type";
    }
    for (const auto& notAnAcknowledgement : {Bytes{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x80, 0x8B},
                                             Bytes{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x85, 0x90}})
        EXPECT_EQ(decodedOrFail(notAnAcknowledgement).kind, PcFrame::Kind::Unknown)
            << "no report has code 0 or 5";
    const auto network =
        decodedOrFail({0xC0, 0xA8, 0x01, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0D, 0x7C, 0x00});
    const auto serial = decodedOrFail({0x01, 0x02, 0x05, 0x7C, 0x7B}, WireLayout::Serial);
    for (const auto& frame : {network, serial}) {
        EXPECT_EQ(frame.kind, PcFrame::Kind::Acknowledgement);
        EXPECT_EQ(frame.code, 0) << "one code for every report type";
        EXPECT_EQ(frame.address, k12);
    }
}

TEST(WireCodecTest, ReportsGoOutInTheLayoutOfTheTerminal) {
    const StatusBits shortReport{0x04, 0x01, 0x00, false};
    const StatusBits longReport{0x04, 0x01, 0x80, true};
    EXPECT_EQ(bytesOf(encodeReport(WireLayout::Canonical, k12, ReportType::Status, shortReport, kLoopback)),
              (Bytes{0x0A, 0x01, 0x02, 0x00, 0x00, 0x00, 0x02, 0x04, 0x01, 0x14}));
    EXPECT_EQ(bytesOf(encodeReport(WireLayout::Canonical, k12, ReportType::Status, longReport, kLoopback)),
              (Bytes{0x0B, 0x01, 0x02, 0x00, 0x00, 0x00, 0x02, 0x04, 0x01, 0x80, 0x95}));
    EXPECT_EQ(bytesOf(encodeReport(WireLayout::Network, k12, ReportType::Status, longReport, kLoopback)),
              (Bytes{0x7F, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x10, 0xF1, 0x04, 0x01, 0x80,
                     0xF6}));
    EXPECT_EQ(bytesOf(encodeReport(WireLayout::Serial, k12, ReportType::Status, shortReport, kLoopback)),
              (Bytes{0x01, 0x02, 0x0D, 0xF1, 0x00, 0x00, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0xF9}))
        << "two bytes before the data, four after it";
    EXPECT_EQ(bytesOf(encodeReport(WireLayout::Serial, k12, ReportType::Plain, {}, kLoopback)),
              (Bytes{0x01, 0x02, 0x05, 0xE0, 0x17}));
    EXPECT_EQ(bytesOf(encodeReport(WireLayout::Network, k12, ReportType::SignOn, {}, kLoopback)),
              (Bytes{0x7F, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0D, 0xE3, 0x8C}));
}

TEST(WireCodecTest, SerialReportsHaveTheLengthsThePcConvertsToCanonicalOnes) {
    // The PC takes a plain report as 3 bytes longer in canonical form and the others as 3 bytes shorter,
    // and reads a status report's data from the serial frame's byte 6 into canonical byte 7 on.
    struct Case {
        ReportType type;
        StatusBits bits;
        std::uint8_t serialCode;
        int canonicalMinusSerial;
    };
    const std::vector<Case> cases{
        {ReportType::Plain, {}, 0xE0, +3},
        {ReportType::Status, {0x04, 0x01, 0x00, false}, 0xF1, -3},
        {ReportType::Status, {0x04, 0x01, 0x80, true}, 0xF1, -3},
        {ReportType::SignOff, {}, 0xE2, -3},
        {ReportType::SignOn, {}, 0xE3, -3},
    };
    for (const auto& c : cases) {
        const auto canonical = bytesOf(encodeReport(WireLayout::Canonical, k12, c.type, c.bits, kLoopback));
        const auto serial = bytesOf(encodeReport(WireLayout::Serial, k12, c.type, c.bits, kLoopback));
        const int type = static_cast<int>(c.type);
        EXPECT_EQ(serial[2], serial.size()) << type;
        EXPECT_EQ(serial[3], c.serialCode) << type;
        EXPECT_EQ(canonical[6], type);
        EXPECT_EQ(static_cast<int>(canonical[0]), serial[2] + c.canonicalMinusSerial) << type;
        if (c.type == ReportType::Status) {
            EXPECT_EQ(Bytes(serial.begin() + 6, serial.begin() + 6 + (canonical.size() - 8)),
                      Bytes(canonical.begin() + 7, canonical.end() - 1))
                << "long report: " << c.bits.longReport;
        }
    }
}

TEST(WireCodecTest, ASignOffIsAPlainReportOfItsType) {
    EXPECT_EQ(bytesOf(encodeReport(WireLayout::Canonical, k12, ReportType::SignOff, {}, kLoopback)),
              (Bytes{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x03, 0x0E}))
        << "header word 0, no data, its additive checksum";
    EXPECT_EQ(bytesOf(encodeReport(WireLayout::Network, k12, ReportType::SignOff, {}, kLoopback)),
              (Bytes{0x7F, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0D, 0xE2, 0x8D}));
    EXPECT_EQ(bytesOf(encodeReport(WireLayout::Serial, k12, ReportType::SignOff, {}, kLoopback)),
              (Bytes{0x01, 0x02, 0x0B, 0xE2, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0F}))
        << "two bytes before its (empty) data and four after it, as every serial report but a plain one";
}

TEST(WireCodecTest, RepliesCarryTheirCodeAsGiven) {
    EXPECT_EQ(bytesOf(encodeReply(WireLayout::Canonical, k12, 0x8B, kLoopback)),
              (Bytes{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x8B, 0x96}));
    EXPECT_EQ(bytesOf(encodeReply(WireLayout::Network, k12, 0x96, kLoopback)),
              (Bytes{0x7F, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0D, 0x96, 0xD9}));
    EXPECT_EQ(bytesOf(encodeReply(WireLayout::Network, k12, kCatchAllReply, kLoopback)),
              (Bytes{0x7F, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0D, 0xFC, 0x73}));
    EXPECT_EQ(bytesOf(encodeReply(WireLayout::Serial, k12, 0x96, kLoopback)),
              (Bytes{0x01, 0x02, 0x05, 0x96, 0x61}));
}

TEST(WireCodecTest, AFrameMayBeAsLongAsItsLengthByteCanSay) {
    Bytes message{0xFF, 0x01, 0x02, 0x00, 0x00, 0x00, 0x0C};
    message.resize(254, 'a');
    message.back() = 0x00;
    std::uint8_t sum = 0;
    for (const auto b : message)
        sum = static_cast<std::uint8_t>(sum + b);
    message.push_back(sum);
    const auto longest = decodedOrFail(message);
    EXPECT_EQ(longest.code, 12);
    EXPECT_EQ(longest.payload.size(), 247u);
}

TEST(WireCodecTest, MalformedFramesAreRefusedWithAReason) {
    const std::vector<std::pair<Bytes, std::string>> datagrams{
        {{0x01, 0x02}, "too short"},
        {Bytes(256, 0x00), "longer than any frame"},
        {{0x09, 0x01, 0x02, 0x00, 0x00, 0x00, 0x0B, 0x16}, "length byte says 9"},
        {{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x0B, 0x17}, "neither checksum holds"},
    };
    for (const auto& [bytes, reason] : datagrams) {
        const auto decoded = decodeDatagram(bytes);
        EXPECT_FALSE(decoded.frame);
        EXPECT_NE(decoded.error.find(reason), std::string::npos) << decoded.error;
    }
    EXPECT_EQ(decodeLineFrame(Bytes{0x01, 0x02, 0x05, 0x16, 0xE2}, WireLayout::Serial).error, "bad checksum");
}
