#pragma once

#include "TerminalAddress.h"
#include "WireCodec.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <span>

namespace sim {

using Duration = std::chrono::microseconds;

// How a terminal answers commands.
struct ReplyPolicy {
    bool answers = true;
    int fromSending = 1;   // answers a command only from its n-th sending
    Duration delay{0};     // answers this late
    bool catchAll = false; // answers with 0xFC where the layout allows it (network frames)
};

struct TerminalSettings {
    int protocolType = 1;
    Duration reportInterval = std::chrono::seconds(10); // 0: no periodic status reports
    bool longReports = false;
    std::uint8_t status = 0;
    int reportTries = 3; // sendings of a report before it is given up
    Duration resendDelay = std::chrono::seconds(1);
    ReplyPolicy reply;
};

// A report waiting for the PC's acknowledgement; status reports keep the bits of the moment they were made.
struct PendingReport {
    ReportType type = ReportType::Status;
    StatusBits bits;
    int sendings = 0;
};

enum class Wake { StatusReport, ReportResend, LateReply };

class Terminal;

// What a terminal needs from its surroundings: a way to put frames on its link and an alarm clock.
class TerminalHost {
public:
    virtual ~TerminalHost() = default;
    virtual void sendReport(Terminal& terminal, const PendingReport& report) = 0;
    // A late reply.
    virtual void sendReply(Terminal& terminal, std::uint8_t replyCode) = 0;
    virtual void reportGivenUp(Terminal& terminal, const PendingReport& report) = 0;
    // Calls terminal.onWake(wake, token) after the delay.
    virtual void wakeAfter(Terminal& terminal, Duration delay, Wake wake, std::uint32_t token) = 0;
};

// What a terminal does with a command. ReplyNow: the host sends the reply at once; ReplyLater: the
// terminal asks its host to send it when the delay has passed.
enum class Answer { ReplyNow, ReplyLater, Withheld, Silent, OffLine, AlreadyAnswering };
const char* nameOf(Answer answer);

// One simulated terminal: its status and zone bits, its reports (one at a time on the wire, each resent
// until the PC acknowledges it or the tries run out) and its way of answering commands. It does no I/O
// and keeps no clock: its host sends what it asks and wakes it when asked.
class Terminal {
public:
    Terminal(TerminalAddress address, int linkIndex, const TerminalSettings& settings, TerminalHost& host);
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // The first status report goes out after the delay, then one every report interval.
    void start(Duration firstReportAfter);
    void onWake(Wake wake, std::uint32_t token);

    struct CommandOutcome {
        Answer answer;
        int sending; // 1 for a new command, n for its n-th identical sending
    };
    // replyCode is what a late reply will carry.
    CommandOutcome onCommand(std::span<const std::uint8_t> frame, std::uint8_t replyCode);
    // Whether an acknowledgement of this report type answers the report on the wire; type 0 matches any.
    bool awaitsAcknowledgement(std::uint8_t reportType) const;
    // Lets the next waiting report go; call it only when awaitsAcknowledgement said so.
    void onAcknowledgement();

    void setZoneAlarm(int zone, bool on);
    void setZoneFlag(int zone, bool on);
    void setStatusBit(int bit, bool on);
    void report(ReportType type);
    // Signs off with a type 3 report, then sends no status reports and answers no command.
    void goOffLine();
    // Signs on with a type 4 report and a status report, and carries on as before.
    void goOnLine();
    void setReplyPolicy(const ReplyPolicy& policy);
    // The next status report goes out after firstAfter, then one every interval (0: none).
    void setReportInterval(Duration interval, Duration firstAfter);

    TerminalAddress address() const { return address_; }
    int linkIndex() const { return linkIndex_; }
    int protocolType() const { return protocolType_; }
    bool isOnLine() const { return onLine_; }
    StatusBits bits() const { return bits_; }
    const ReplyPolicy& replyPolicy() const { return reply_; }
    Duration reportInterval() const { return reportInterval_; }
    std::size_t waitingReports() const { return reports_.size(); }

private:
    enum class AnswerState { None, Scheduled, Sent };

    void queueReport(ReportType type);
    void sendFirstReport();
    void resendOrGiveUp();
    void schedulePeriodicReport(Duration after);
    void changeBit(std::uint8_t& bits, int bit, bool on);

    const TerminalAddress address_;
    const int linkIndex_;
    const int protocolType_;
    const int reportTries_;
    const Duration resendDelay_;
    TerminalHost& host_;

    StatusBits bits_;
    bool onLine_ = true;
    Duration reportInterval_;
    std::deque<PendingReport> reports_;

    ReplyPolicy reply_;
    FrameBytes lastCommand_{};
    std::size_t lastCommandSize_ = 0;
    int sending_ = 0;
    AnswerState answer_ = AnswerState::None;
    std::uint8_t lateReplyCode_ = 0;

    // A wake-up counts only when its token is still the current one of its kind.
    std::uint32_t periodicToken_ = 0;
    std::uint32_t resendToken_ = 0;
    std::uint32_t replyToken_ = 0;
};

} // namespace sim
