// The terminal's side of the wire, pinned with byte vectors written out by hand: the codec shares Ostrel's
// checksums and code tables, and these vectors keep a fault there from hiding on both sides.
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

TEST(WireCodecTest, EveryCommandCodeOfTheNetworkNumberingIsReadBack) {
    const std::vector<std::pair<std::uint8_t, std::uint8_t>> codes{
        {4, 5},   {2, 6},   {20, 7},  {5, 8},   {18, 10}, {22, 11}, {23, 12},
        {16, 13}, {81, 32}, {87, 33}, {82, 34}, {88, 35}, {95, 95}};
    for (const auto& [wire, canonical] : codes) {
        const Bytes frame{0x01, 0x02, 0x05, wire,
                          static_cast<std::uint8_t>(0xFF - (0x01 + 0x02 + 0x05 + wire))};
        const auto pc = decodedOrFail(frame, WireLayout::Serial);
        EXPECT_EQ(pc.kind, PcFrame::Kind::Command) << int(wire);
        EXPECT_EQ(pc.code, canonical) << int(wire);
    }
    const auto unknown = decodedOrFail({0x01, 0x02, 0x05, 0x99, 0x5E}, WireLayout::Serial);
    EXPECT_EQ(unknown.kind, PcFrame::Kind::Unknown);
    EXPECT_EQ(decodedOrFail({0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x09, 0x14}).kind, PcFrame::Kind::Unknown)
        << "canonical code 9 is no command";
}

TEST(WireCodecTest, AcknowledgementsAreKnownInEachLayout) {
    const auto canonical = decodedOrFail({0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x82, 0x8D});
    EXPECT_EQ(canonical.kind, PcFrame::Kind::Acknowledgement);
    EXPECT_EQ(canonical.code, 2) << "a canonical acknowledgement names the report type";
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

TEST(WireCodecTest, ASignOffIsShapedSoThatThePcAnnouncesTheTerminalOffLine) {
    EXPECT_EQ(bytesOf(encodeReport(WireLayout::Canonical, k12, ReportType::SignOff, {}, kLoopback)),
              (Bytes{0x08, 0x01, 0x02, 0x00, 0xF2, 0x00, 0x03, 0x00}))
        << "the header word balances the checksum to 0";
    EXPECT_EQ(bytesOf(encodeReport(WireLayout::Network, k12, ReportType::SignOff, {}, kLoopback)),
              (Bytes{0x7F, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0D, 0xE2, 0x8D}));
    EXPECT_EQ(bytesOf(encodeReport(WireLayout::Serial, k12, ReportType::SignOff, {}, kLoopback)),
              (Bytes{0x01, 0x02, 0x0B, 0xE2, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0F}))
        << "eleven bytes, the eighth 0";
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

TEST(WireCodecTest, MalformedFramesAreRefusedWithAReason) {
    const std::vector<std::pair<Bytes, std::string>> datagrams{
        {{0x01, 0x02}, "too short"},
        {Bytes(129, 0x00), "longer than any frame"},
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
