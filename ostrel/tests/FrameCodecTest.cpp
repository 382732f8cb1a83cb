// The three wire layouts, their checksums and the two command numberings.
#include "core/FrameCodec.h"

#include "core/CommandFrame.h"

#include <gtest/gtest.h>
#include <vector>

using ostrel::WireBuffer;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::array<std::uint8_t, 4> kPcAddress{192, 168, 1, 10};

std::span<const std::uint8_t> canonicalOf(const ostrel::CommandFrame& frame) {
    return {frame.bytes.data(), static_cast<std::size_t>(frame.frameLength)};
}

Bytes firstOf(const WireBuffer& buffer, int length) {
    return Bytes(buffer.begin(), buffer.begin() + length);
}

ostrel::LcdCleanFrame lcdCleanTo1_2() {
    ostrel::LcdCleanFrame frame;
    frame.setAddress(1, 2, 0);
    frame.setCommand(11);
    frame.fill();
    frame.finalize();
    return frame;
}

// A network frame from a terminal at 10.0.0.7, address 3.4, with a valid checksum.
Bytes networkFrameFromTerminal(std::uint8_t code, const Bytes& payload) {
    Bytes frame{10, 0, 0, 7, 0, 0, 0, 0, 3, 4, static_cast<std::uint8_t>(payload.size() + 13), code};
    for (const std::uint8_t byte : payload)
        frame.push_back(byte);
    frame.push_back(ostrel::invertedChecksum(frame));
    return frame;
}

} // namespace

TEST(FrameCodecChecksum, LcdCleanToTerminal1_2InAllThreeLayouts) {
    const auto frame = lcdCleanTo1_2();
    WireBuffer out{};

    const int canonicalLength = ostrel::withAdditiveChecksum(canonicalOf(frame), out);
    EXPECT_EQ(firstOf(out, canonicalLength), (Bytes{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x0B, 0x16}));

    const int networkLength = ostrel::canonicalToNetwork(canonicalOf(frame), kPcAddress, out);
    EXPECT_EQ(firstOf(out, networkLength),
              (Bytes{0xC0, 0xA8, 0x01, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0D, 0x16, 0x66}));

    const int serialLength = ostrel::canonicalToSerial(canonicalOf(frame), out);
    EXPECT_EQ(firstOf(out, serialLength), (Bytes{0x01, 0x02, 0x05, 0x16, 0xE1}));
}

TEST(FrameCodecTables, EveryCommandThePcSendsHasItsNetworkCode) {
    const std::vector<std::pair<std::uint8_t, std::uint8_t>> pairs{
        {5, 4},   {6, 2},   {7, 20},  {8, 5},   {10, 18},   {11, 22},   {12, 23},   {13, 16},   {32, 81},
        {33, 87}, {34, 82}, {35, 88}, {95, 95}, {129, 124}, {130, 124}, {131, 124}, {132, 124},
    };
    for (const auto& [canonical, network] : pairs)
        EXPECT_EQ(ostrel::networkCodeOf(canonical), network) << int{canonical};
    for (const std::uint8_t unknown : {0, 1, 4, 9, 14, 96, 128, 133, 255})
        EXPECT_EQ(ostrel::networkCodeOf(unknown), std::nullopt) << int{unknown};
}

// A terminal answers with the network code it received plus 0x80; the PC must see that as the
// canonical code it sent plus 0x80, for every command it sends.
TEST(FrameCodecTables, EveryReplyComesBackAsTheSentCommandWithTheHighBit) {
    for (const std::uint8_t sent : {5, 6, 7, 8, 10, 11, 12, 13, 32, 33, 34, 35, 95}) {
        const auto network = ostrel::networkCodeOf(sent);
        ASSERT_TRUE(network) << int{sent};
        EXPECT_EQ(ostrel::canonicalCodeOf(*network | 0x80), sent | 0x80) << int{sent};
    }
}

TEST(FrameCodecTables, TerminalReportsMapToCanonicalReportsOneToFour) {
    EXPECT_EQ(ostrel::canonicalCodeOf(224), 1);
    EXPECT_EQ(ostrel::canonicalCodeOf(241), 2);
    EXPECT_EQ(ostrel::canonicalCodeOf(226), 3);
    EXPECT_EQ(ostrel::canonicalCodeOf(227), 4);
    for (const std::uint8_t unknown : {0, 1, 4, 124, 128, 131, 225, 252, 255})
        EXPECT_EQ(ostrel::canonicalCodeOf(unknown), std::nullopt) << int{unknown};
}

// The PC sends a terminal-control frame with a header word; the terminal's reply carries the same
// address and payload under the reply code, and comes back as a valid canonical frame.
TEST(FrameCodecRoundTrip, ReplyToANetworkFrameComesBackCanonical) {
    ostrel::TerminalControlFrame sent;
    sent.setAddress(7, 9, 0x0102);
    sent.setCommand(5);
    ASSERT_TRUE(sent.fill("1234", 1, 3));
    sent.finalize();

    WireBuffer wire{};
    const int length = ostrel::canonicalToNetwork(canonicalOf(sent), kPcAddress, wire);
    ASSERT_EQ(length, sent.frameLength + 6);
    EXPECT_EQ(wire[5], 0x01);
    EXPECT_EQ(wire[6], 0x02);
    EXPECT_EQ(wire[10], length);

    Bytes reply = firstOf(wire, length);
    reply[11] |= 0x80;
    reply.back() = ostrel::invertedChecksum({reply.data(), reply.size() - 1});

    ostrel::CanonicalFrame back;
    back.bytes.fill(0xAA); // the receive side reuses one buffer
    ASSERT_TRUE(ostrel::networkToCanonical(reply, back));
    Bytes expected(sent.bytes.begin(), sent.bytes.begin() + sent.frameLength);
    expected[3] = 0; // the header word does not come back
    expected[4] = 0;
    expected[6] = 5 | 0x80;
    expected.push_back(0); // the checksum slot stays empty: the frame was checked in its network form
    EXPECT_EQ(firstOf(back.bytes, back.length), expected);
    EXPECT_EQ(back.bytes[0], back.length);
    EXPECT_EQ(back.sender, (ostrel::Ipv4Address{192, 168, 1, 10}));
}

TEST(FrameCodecRoundTrip, TerminalReportBecomesCanonicalReport) {
    ostrel::CanonicalFrame report;
    ASSERT_TRUE(ostrel::networkToCanonical(networkFrameFromTerminal(224, {0x11, 0x22, 0x33}), report));
    EXPECT_EQ(firstOf(report.bytes, report.length), (Bytes{11, 3, 4, 0, 0, 0, 1, 0x11, 0x22, 0x33, 0x00}));
    EXPECT_EQ(report.sender, (ostrel::Ipv4Address{10, 0, 0, 7}));
}

TEST(FrameCodecRoundTrip, LargestFramesFitTheWireBuffer) {
    ostrel::LcdDisplayFrame fullest;
    fullest.setAddress(1, 2, 0);
    fullest.setCommand(10);
    ASSERT_TRUE(fullest.fill(0, std::string(63, 'x').c_str()));
    fullest.finalize();
    WireBuffer out{};
    EXPECT_EQ(ostrel::canonicalToNetwork(canonicalOf(fullest), kPcAddress, out), 78);
    EXPECT_EQ(ostrel::canonicalToSerial(canonicalOf(fullest), out), 70);
    EXPECT_EQ(ostrel::withAdditiveChecksum(canonicalOf(fullest), out), 73);

    ostrel::CanonicalFrame longest;
    ASSERT_TRUE(ostrel::networkToCanonical(networkFrameFromTerminal(224, Bytes(115, 0x5A)), longest));
    EXPECT_EQ(longest.length, 123);
}

// Each canonical input is exactly as long as it claims to be, so any read past it shows under ASan.
TEST(FrameCodecMalformed, CanonicalInputThatCannotBeSentGivesNothing) {
    const auto clean = lcdCleanTo1_2();
    const Bytes good(clean.bytes.begin(), clean.bytes.begin() + clean.frameLength);
    Bytes lengthTooBig = good;
    lengthTooBig[0] = 9;
    Bytes untranslatable = good;
    untranslatable[6] = 1;
    const Bytes headerCut(good.begin(), good.end() - 1);

    WireBuffer out{};
    out.fill(0xAA);
    for (const Bytes& bad : {lengthTooBig, headerCut, Bytes{}}) {
        EXPECT_EQ(ostrel::canonicalToNetwork(bad, kPcAddress, out), 0);
        EXPECT_EQ(ostrel::canonicalToSerial(bad, out), 0);
        EXPECT_EQ(ostrel::withAdditiveChecksum(bad, out), 0);
    }
    EXPECT_EQ(ostrel::canonicalToNetwork(untranslatable, kPcAddress, out), 0);
    EXPECT_EQ(ostrel::canonicalToSerial(untranslatable, out), 0);
    WireBuffer untouched;
    untouched.fill(0xAA);
    EXPECT_EQ(out, untouched);
}

TEST(FrameCodecMalformed, NetworkFramesThatDoNotHoldTogetherAreRefused) {
    std::vector<Bytes> bad;
    for (std::size_t size = 0; size < 13; ++size)
        bad.emplace_back(size, 0x0D);
    Bytes lengthTooBig = networkFrameFromTerminal(224, {1, 2});
    lengthTooBig[10] = 40;
    Bytes lengthTooSmall = networkFrameFromTerminal(224, {1, 2});
    lengthTooSmall[10] = 13;
    Bytes overDatagram = networkFrameFromTerminal(224, Bytes(116, 0));
    ASSERT_EQ(overDatagram[10], 129);
    bad.insert(bad.end(), {lengthTooBig, lengthTooSmall, overDatagram, networkFrameFromTerminal(0x16, {})});

    for (const Bytes& frame : bad) {
        ostrel::CanonicalFrame out;
        out.length = -1;
        EXPECT_FALSE(ostrel::networkToCanonical(frame, out)) << frame.size() << " bytes";
        EXPECT_EQ(out.length, -1);
    }
}
