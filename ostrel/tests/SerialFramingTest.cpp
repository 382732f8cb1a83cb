// Frames cut from what serial lines bring, in synthetic time: several frames in one read, frames in
// successive reads, noise in front of a frame, and what a quiet period does.
#include "support/CoreHarness.h"

using Event = RecordedCallbacks::Event;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kCom2 = 1;

Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class SerialFramingTest : public CoreHarness {
protected:
    void SetUp() override {
        core.storeValues(1000, 3);
        core.startTimers();
        lines.receiving[kCom2] = true;
    }
    std::vector<Bytes> written() const {
        std::vector<Bytes> all;
        for (const auto& write : transport.serialWrites)
            all.push_back(write.bytes);
        return all;
    }
};

} // namespace

// A protocol type 1 terminal's next frame, one period after the last, is a frame of its own.
TEST_F(SerialFramingTest, CanonicalFramesInSuccessivePeriodsAreEachTaken) {
    lines.arrive(kCom2, wire::canonical(1, 2, 1));
    tick();
    lines.arrive(kCom2, wire::canonical(1, 2, 2, {0x00, 0x01}));
    tick();
    lines.arrive(kCom2, wire::canonical(1, 2, 3));
    tick();
    EXPECT_EQ(written(), (std::vector<Bytes>{wire::canonical(1, 2, 0x81), wire::canonical(1, 2, 0x82),
                                             wire::canonical(1, 2, 0x83)}));
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{9, 11, 8}));
    EXPECT_TRUE(core.serialInput(kCom2).empty());
}

TEST_F(SerialFramingTest, FramesThatShareAReadAreTakenInOrder) {
    lines.arrive(kCom2, joined({wire::canonical(1, 2, 1), wire::serial(3, 4, 224),
                                wire::canonical(1, 5, 2, {0x04, 0x01})}));
    tick();
    EXPECT_EQ(written(), (std::vector<Bytes>{wire::canonical(1, 2, 0x81), wire::serial(3, 4, 0x7C),
                                             wire::canonical(1, 5, 0x82)}));
    EXPECT_EQ(recorded.events,
              (std::vector<Event>{
                  {2, 1, 2, 0, 9}, {2, 3, 4, 0, 9}, {2, 1, 5, 0, 9}, {2, 1, 5, 0, 11}, {2, 1, 5, 3, 2}}));
}

TEST_F(SerialFramingTest, TheAwaitedReplyAndAReportInOneReadAreBothTaken) {
    hearOnSerial(kCom2, 1, 2, 1);
    ASSERT_TRUE(queueLcdClean(kCom2, 1, 2));
    ASSERT_TRUE(queueLcdClean(kCom2, 1, 2));
    tick();
    ASSERT_EQ(transport.serialWrites.size(), 1u);
    lines.arrive(kCom2, joined({wire::canonical(1, 2, 0x8B), wire::canonical(1, 2, 2, {0x00, 0x01})}));
    tick();
    EXPECT_EQ(written()[1], wire::canonical(1, 2, 0x82)) << "the report acknowledged";
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{11}));
    tick();
    ASSERT_EQ(transport.serialWrites.size(), 3u) << "the reply let the next frame go";
    EXPECT_EQ(written()[2], written()[0]);
    ticks(30);
    EXPECT_EQ(recorded.sendFailures.size(), 1u) << "only the second frame goes unanswered";
}

// Noise ahead of a frame is skipped byte by byte: at once where a byte cannot start a frame, at the
// next quiet period where it could still have started a longer one.
TEST_F(SerialFramingTest, TheReceiverFindsItsWayBackAfterNoise) {
    lines.arrive(kCom2, joined({{0x00, 0xFF}, wire::canonical(1, 2, 1), wire::canonical(1, 3, 1)}));
    tick();
    EXPECT_EQ(written(), (std::vector<Bytes>{wire::canonical(1, 2, 0x81), wire::canonical(1, 3, 0x81)}));

    transport.serialWrites.clear();
    lines.arrive(kCom2, joined({{0x20}, wire::canonical(1, 4, 1), wire::serial(3, 4, 224)}));
    tick();
    EXPECT_TRUE(transport.serialWrites.empty()) << "0x20 may be the length of a frame still coming";
    tick();
    EXPECT_EQ(written(), (std::vector<Bytes>{wire::canonical(1, 4, 0x81), wire::serial(3, 4, 0x7C)}))
        << "the quiet line ends it: what follows it is found";
    EXPECT_TRUE(core.serialInput(kCom2).empty());
}

// A whole frame that is neither a report nor the awaited reply (a command another station sent, say)
// is passed over without holding up the frames behind it.
TEST_F(SerialFramingTest, AFrameForNobodyDoesNotHoldUpTheNext) {
    const Bytes command = wire::canonical(7, 7, 11);
    const Bytes serialCommand = wire::serial(7, 7, 22);
    lines.arrive(kCom2, joined({command, serialCommand, wire::canonical(1, 2, 1)}));
    tick();
    EXPECT_EQ(written(), (std::vector<Bytes>{wire::canonical(1, 2, 0x81)}));
    EXPECT_EQ(recorded.eventCodes(), (std::vector<int>{9}));
}

TEST_F(SerialFramingTest, APartialFrameWaitsForItsRestAndAQuietPeriodDropsIt) {
    const Bytes report = wire::serial(3, 4, 241, {0, 0, 0x01, 0x01, 0, 0, 0, 0});
    lines.arrive(kCom2, Bytes(report.begin(), report.begin() + 6));
    tick();
    lines.arrive(kCom2, Bytes(report.begin() + 6, report.end()));
    tick();
    EXPECT_EQ(written(), (std::vector<Bytes>{wire::serial(3, 4, 0x7C)}));

    lines.arrive(kCom2, Bytes(report.begin(), report.begin() + 6));
    ticks(2);
    lines.arrive(kCom2, Bytes(report.begin() + 6, report.end()));
    ticks(2);
    EXPECT_EQ(transport.serialWrites.size(), 1u) << "split by a quiet period: no frame";
    EXPECT_TRUE(core.serialInput(kCom2).empty());
}
