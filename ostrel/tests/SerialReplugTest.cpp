// A serial adapter pulled and plugged back in, on pseudo-terminals behind the device link dev/COMn: the
// context reports the line lost, opens it again by itself once the device is back, and its terminal's
// frames flow again.
#include "SerialPort.h"
#include "ostrel/ostrel.h"
#include "support/OutcomeLog.h"
#include "support/PtyLine.h"
#include "support/WaitUntil.h"
#include "support/WireFrames.h"

#include <gtest/gtest.h>
#include <memory>

using Outcome = OutcomeLog::Outcome;
using namespace std::chrono_literals;

namespace {

constexpr int kCom = 4;
constexpr int kWhole = OSTREL_WHOLE_BLOCK;

// What the context tells, outcomes and terminal events, as they come on the worker thread.
struct Heard {
    OutcomeLog outcomes;
    std::mutex mutex;
    std::vector<std::array<int, 3>> events; // addressA, addressB, event code

    static void event(void* user, int32_t, int32_t a, int32_t b, int32_t, int32_t code, const char*) {
        auto* self = static_cast<Heard*>(user);
        std::lock_guard lock(self->mutex);
        self->events.push_back({a & 0xFF, b & 0xFF, code & 0xFF});
    }
    static void outcome(void* user, const OstrelOutcome* o) {
        static_cast<Heard*>(user)->outcomes.record(*o);
    }
    int count(int a, int b, int code) {
        std::lock_guard lock(mutex);
        return static_cast<int>(std::count(events.begin(), events.end(), std::array<int, 3>{a, b, code}));
    }
};

class SerialReplugTest : public ::testing::Test {
protected:
    SerialReplugTest() {
        callbacks.onTerminalEvent = &Heard::event;
        SetOutcomeCallback(context, &Heard::outcome);
    }
    ~SerialReplugTest() override {
        Quit_Ostrel(context);
        for (auto& port : ostrel::serialPorts())
            port.close();
    }

    // Terminal 1.2 speaks protocol type 1 on the line: it reports, is acknowledged, and a command to it is
    // answered.
    void terminalIsHeardAndAnswers(PtyLine& line, int onLineEvents) {
        line.send(wire::canonical(1, 2, 1));
        ASSERT_EQ(line.receive(8), wire::canonical(1, 2, 0x81)) << "the report is acknowledged";
        ASSERT_TRUE(
            waitUntil([&] { return heard.count(1, 2, OSTREL_EVENT_TERMINAL_ON_LINE) == onLineEvents; }));
        ASSERT_TRUE(Cmd_LCDcleans_Send(context, kCom, 1, 2, 0));
        const std::uint32_t frame = GetLastQueuedFrame(context);
        ASSERT_EQ(line.receive(8),
                  (std::vector<std::uint8_t>{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x0B, 0x16}));
        line.send(wire::canonical(1, 2, 0x8B));
        const auto settled = heard.outcomes.waitForFrame(frame);
        ASSERT_EQ(settled.size(), 1u);
        EXPECT_EQ(settled[0].kind, OSTREL_FRAME_ANSWERED);
        EXPECT_EQ(settled[0].sendings, 1);
    }

    ScratchFolder folder;
    Heard heard;
    OstrelCallbacks callbacks{};
    OstrelContext* context = Init_Ostrel(&heard, &callbacks);
};

} // namespace

TEST_F(SerialReplugTest, ALostLineIsReportedAndReopenedByItselfOnceTheDeviceIsBack) {
    auto line = std::make_unique<PtyLine>();
    line->linkAs(kCom);
    ASSERT_TRUE(Start_Ostrel(context, kCom, 1000, 3));
    line->releaseSlave();
    terminalIsHeardAndAnswers(*line, 1);
    // Given a time-out, counted from when it is next heard, the terminal goes off line while its line is
    // gone.
    SetTerminalProperty(context, kCom, 1, 2, 1, 0, 0);
    line->send(wire::canonical(1, 2, 1));
    ASSERT_EQ(line->receive(8), wire::canonical(1, 2, 0x81));
    line->send({0x20, 0x01}); // the start of a frame the line will never finish

    // The adapter is pulled: its link goes first, so that no other test's new pseudo-terminal is found
    // behind it, then its device.
    std::filesystem::remove("dev/COM4");
    line.reset();
    const auto lost = heard.outcomes.waitForKind(OSTREL_LINE_LOST);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0], (Outcome{OSTREL_LINE_LOST, kCom, kWhole, kWhole, 0, 0, 0, 0}));
    ASSERT_TRUE(waitUntil([&] { return heard.count(1, 2, OSTREL_EVENT_TERMINAL_OFF_LINE) == 1; }, 20s))
        << "the terminal times out as usual";

    PtyLine replugged;
    replugged.linkAs(kCom);
    const auto back = heard.outcomes.waitForKind(OSTREL_LINE_REOPENED);
    ASSERT_EQ(back.size(), 1u) << "no caller action needed";
    EXPECT_EQ(back[0], (Outcome{OSTREL_LINE_REOPENED, kCom, kWhole, kWhole, 0, 0, 0, 0}));
    replugged.releaseSlave();
    terminalIsHeardAndAnswers(replugged, 2);

    const auto all = heard.outcomes.all();
    EXPECT_EQ(
        std::count_if(all.begin(), all.end(), [](const Outcome& o) { return o.kind == OSTREL_LINE_LOST; }), 1)
        << "told once";
    const auto lostAt = std::find(all.begin(), all.end(), lost[0]);
    const auto backAt = std::find(all.begin(), all.end(), back[0]);
    EXPECT_LT(lostAt, backAt);
    EXPECT_EQ(std::distance(lostAt, backAt), 1) << "nothing settled on the line in between";
}

// The caller need not wait for the watch: its own start of the lost line opens it and tells it back.
TEST_F(SerialReplugTest, ALostLineThatTheCallerStartsAgainIsReportedBack) {
    auto line = std::make_unique<PtyLine>();
    line->linkAs(kCom);
    ASSERT_TRUE(Start_Ostrel(context, kCom, 1000, 3));
    line->releaseSlave();
    std::filesystem::remove("dev/COM4");
    line.reset();
    ASSERT_EQ(heard.outcomes.waitForKind(OSTREL_LINE_LOST).size(), 1u);

    EXPECT_FALSE(Start_Ostrel(context, kCom, 1000, 3)) << "the device is not back yet";
    PtyLine replugged;
    replugged.linkAs(kCom);
    ASSERT_TRUE(Start_Ostrel(context, kCom, 1000, 3));
    replugged.releaseSlave();
    ASSERT_EQ(heard.outcomes.waitForKind(OSTREL_LINE_REOPENED).size(), 1u);
    terminalIsHeardAndAnswers(replugged, 1);
    EXPECT_EQ(heard.outcomes.ofKind(OSTREL_LINE_REOPENED).size(), 1u) << "told once, whoever opened it";
}

// A line this context never started is not its to watch, though it reads what the line brings: a
// context before it left it open and received.
TEST_F(SerialReplugTest, OnlyTheLinesTheContextStartedAreWatched) {
    constexpr int kOwnCom = kCom + 1;
    auto inherited = std::make_unique<PtyLine>();
    inherited->linkAs(kCom);
    ASSERT_TRUE(Start_Ostrel(context, kCom, 1000, 3));
    inherited->releaseSlave();
    Quit_Ostrel(context);
    context = Init_Ostrel(&heard, &callbacks);
    SetOutcomeCallback(context, &Heard::outcome);
    auto own = std::make_unique<PtyLine>();
    own->linkAs(kOwnCom);
    ASSERT_TRUE(Start_Ostrel(context, kOwnCom, 1000, 3));
    own->releaseSlave();

    std::filesystem::remove_all("dev");
    inherited.reset();
    own.reset();
    ASSERT_EQ(heard.outcomes.waitForKind(OSTREL_LINE_LOST).size(), 1u);
    ASSERT_TRUE(waitUntil([] { return !ostrel::serialPorts()[kCom - 1].isReceiving(); }));
    PtyLine inheritedBack;
    inheritedBack.linkAs(kCom);
    PtyLine ownBack;
    ownBack.linkAs(kOwnCom);
    ASSERT_EQ(heard.outcomes.waitForKind(OSTREL_LINE_REOPENED).size(), 1u);
    EXPECT_EQ(heard.outcomes.all(),
              (std::vector<Outcome>{{OSTREL_LINE_LOST, kOwnCom, kWhole, kWhole, 0, 0, 0, 0},
                                    {OSTREL_LINE_REOPENED, kOwnCom, kWhole, kWhole, 0, 0, 0, 0}}));
    EXPECT_FALSE(ostrel::serialPorts()[kCom - 1].isOpen()) << "the watch that opened COM5 left COM4 alone";
}
