// Frames cut from a serial line's byte stream.
#include "SerialFramer.h"

#include <gtest/gtest.h>

using namespace sim;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

const Bytes kLcdClean{0x01, 0x02, 0x05, 0x16, 0xE1};
const Bytes kAck{0x01, 0x02, 0x05, 0x7C, 0x7B};

} // namespace

TEST(SerialFramerTest, FramesAreCutByTheirLengthWhereverTheReadsSplitThem) {
    SerialFramer framer(WireLayout::Serial);
    const auto start = SerialFramer::Clock::now();
    EXPECT_TRUE(framer.feed(Bytes(kLcdClean.begin(), kLcdClean.begin() + 2), start).empty());
    Bytes rest(kLcdClean.begin() + 2, kLcdClean.end());
    rest.insert(rest.end(), kAck.begin(), kAck.end());
    const auto pieces = framer.feed(rest, start + 1ms);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].bytes, kLcdClean);
    EXPECT_EQ(pieces[1].bytes, kAck);
    EXPECT_TRUE(pieces[0].error.empty() && pieces[1].error.empty());
}

TEST(SerialFramerTest, NoiseBeforeAFrameIsReportedOnceAndTheFrameStillFound) {
    SerialFramer framer(WireLayout::Canonical);
    Bytes line{0x00, 0x37, 0x08};
    const Bytes canonical{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x0B, 0x16};
    line.insert(line.end(), canonical.begin(), canonical.end());
    const auto pieces = framer.feed(line, SerialFramer::Clock::now());
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].bytes, (Bytes{0x00, 0x37, 0x08}));
    EXPECT_FALSE(pieces[0].error.empty());
    EXPECT_EQ(pieces[1].bytes, canonical);
}

TEST(SerialFramerTest, APartialFrameFollowedByAQuietSpellIsDropped) {
    SerialFramer framer(WireLayout::Serial);
    const auto start = SerialFramer::Clock::now();
    framer.feed(Bytes(kLcdClean.begin(), kLcdClean.begin() + 3), start);
    const auto pieces = framer.feed(kAck, start + SerialFramer::kQuietSpell);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].bytes, (Bytes{0x01, 0x02, 0x05}));
    EXPECT_NE(pieces[0].error.find("quiet"), std::string::npos);
    EXPECT_EQ(pieces[1].bytes, kAck);
}
