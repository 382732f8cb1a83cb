// One terminal's reports and answers, driven by hand: its host records what it sends and keeps its
// wake-ups until the test lets them ring.
#include "Terminal.h"

#include <gtest/gtest.h>
#include <vector>

using namespace sim;
using namespace std::chrono_literals;

namespace {

class RecordingHost : public TerminalHost {
public:
    struct Alarm {
        Duration delay;
        Wake wake;
        std::uint32_t token;
    };

    std::vector<PendingReport> reports;
    std::vector<std::uint8_t> replies;
    std::vector<PendingReport> givenUp;
    std::vector<Alarm> alarms;

    void sendReport(Terminal&, const PendingReport& report) override { reports.push_back(report); }
    void sendReply(Terminal&, std::uint8_t code) override { replies.push_back(code); }
    void reportGivenUp(Terminal&, const PendingReport& report) override { givenUp.push_back(report); }
    void wakeAfter(Terminal&, Duration delay, Wake wake, std::uint32_t token) override {
        alarms.push_back({delay, wake, token});
    }

    // Rings every alarm of that kind set so far, oldest first, as time passing would.
    void ring(Terminal& terminal, Wake wake) {
        auto due = std::move(alarms);
        alarms.clear();
        for (const auto& alarm : due) {
            if (alarm.wake == wake)
                terminal.onWake(alarm.wake, alarm.token);
            else
                alarms.push_back(alarm);
        }
    }
};

const std::vector<std::uint8_t> kLightOn{0x0A, 0x01, 0x02, 0x00, 0x00, 0x00, 0x07, 0x03, 0x01, 0x1B};
const std::vector<std::uint8_t> kLightOff{0x0A, 0x01, 0x02, 0x00, 0x00, 0x00, 0x07, 0x03, 0x00, 0x1A};

TerminalSettings settings(ReplyPolicy reply = {}) {
    TerminalSettings s;
    s.reportInterval = 10s;
    s.reportTries = 3;
    s.reply = reply;
    return s;
}

} // namespace

TEST(TerminalTest, AReportIsResentUntilAcknowledgedAndGivenUpAfterItsTries) {
    RecordingHost host;
    Terminal terminal({1, 2}, 0, settings(), host);
    terminal.start(0s);
    host.ring(terminal, Wake::StatusReport);
    ASSERT_EQ(host.reports.size(), 1u);
    host.ring(terminal, Wake::ReportResend);
    host.ring(terminal, Wake::ReportResend);
    EXPECT_EQ(host.reports.size(), 3u);
    EXPECT_EQ(host.reports.back().sendings, 3);
    host.ring(terminal, Wake::ReportResend);
    EXPECT_EQ(host.reports.size(), 3u) << "three tries";
    ASSERT_EQ(host.givenUp.size(), 1u);
    EXPECT_FALSE(terminal.awaitsAcknowledgement(0));

    terminal.report(ReportType::SignOn);
    EXPECT_FALSE(terminal.awaitsAcknowledgement(2)) << "a canonical acknowledgement names its report";
    ASSERT_TRUE(terminal.awaitsAcknowledgement(4));
    terminal.onAcknowledgement();
    host.ring(terminal, Wake::ReportResend);
    EXPECT_EQ(host.reports.size(), 4u) << "acknowledged: not sent again";
    EXPECT_EQ(host.givenUp.size(), 1u);
}

TEST(TerminalTest, ReportsGoOneAtATimeAndAWaitingStatusReportIsReplacedByANewerOne) {
    RecordingHost host;
    Terminal terminal({1, 2}, 0, settings(), host);
    terminal.setZoneAlarm(3, true);
    terminal.report(ReportType::Plain);
    terminal.setZoneAlarm(3, false);
    terminal.setStatusBit(2, true);
    ASSERT_EQ(host.reports.size(), 1u) << "only the first is on the wire";
    EXPECT_EQ(host.reports[0].bits.zoneAlarms, 0x04);
    EXPECT_EQ(terminal.waitingReports(), 3u);

    terminal.onAcknowledgement();
    terminal.onAcknowledgement();
    ASSERT_EQ(host.reports.size(), 3u);
    EXPECT_EQ(host.reports[1].type, ReportType::Plain);
    EXPECT_EQ(host.reports[2].bits.zoneAlarms, 0x00) << "the newest bits";
    EXPECT_EQ(host.reports[2].bits.status, 0x04);
}

TEST(TerminalTest, OffLineItSignsOffAndStaysSilentUntilItSignsOn) {
    RecordingHost host;
    Terminal terminal({1, 2}, 0, settings(), host);
    terminal.start(0s);
    host.ring(terminal, Wake::StatusReport);
    terminal.onAcknowledgement();
    terminal.goOffLine();
    ASSERT_EQ(host.reports.back().type, ReportType::SignOff);
    terminal.onAcknowledgement();
    host.ring(terminal, Wake::StatusReport);
    EXPECT_EQ(host.reports.size(), 2u) << "no status report while off line";
    EXPECT_EQ(terminal.onCommand(kLightOn, 0x87).answer, Answer::OffLine);

    terminal.goOnLine();
    EXPECT_EQ(host.reports.back().type, ReportType::SignOn);
    terminal.onAcknowledgement();
    EXPECT_EQ(host.reports.back().type, ReportType::Status);
    EXPECT_EQ(terminal.onCommand(kLightOn, 0x87).answer, Answer::ReplyNow);
}

TEST(TerminalTest, AnswersFollowTheReplySwitches) {
    RecordingHost host;
    Terminal terminal({1, 2}, 0, settings({true, 3, Duration::zero(), false}), host);
    EXPECT_EQ(terminal.onCommand(kLightOn, 0x87).answer, Answer::Withheld);
    EXPECT_EQ(terminal.onCommand(kLightOn, 0x87).answer, Answer::Withheld);
    const auto third = terminal.onCommand(kLightOn, 0x87);
    EXPECT_EQ(third.answer, Answer::ReplyNow);
    EXPECT_EQ(third.sending, 3);
    EXPECT_EQ(terminal.onCommand(kLightOn, 0x87).sending, 1)
        << "the same bytes after an answer: a new command";
    EXPECT_EQ(terminal.onCommand(kLightOff, 0x87).sending, 1);

    terminal.setReplyPolicy({true, 1, 400ms, false});
    EXPECT_EQ(terminal.onCommand(kLightOn, 0x87).answer, Answer::ReplyLater);
    EXPECT_EQ(terminal.onCommand(kLightOn, 0x87).answer, Answer::AlreadyAnswering);
    EXPECT_TRUE(host.replies.empty()) << "the host sends replies the terminal answers at once";
    ASSERT_EQ(host.alarms.back().delay, 400ms);
    host.ring(terminal, Wake::LateReply);
    EXPECT_EQ(host.replies, (std::vector<std::uint8_t>{0x87}));

    terminal.setReplyPolicy({false, 1, Duration::zero(), false});
    EXPECT_EQ(terminal.onCommand(kLightOff, 0x87).answer, Answer::Silent);
    EXPECT_EQ(terminal.onCommand(kLightOff, 0x87).sending, 2);
}
