#include "Terminal.h"

#include <algorithm>

namespace sim {

const char* nameOf(Answer answer) {
    switch (answer) {
    case Answer::ReplyNow:
        return "replied";
    case Answer::ReplyLater:
        return "reply later";
    case Answer::Withheld:
        return "withheld";
    case Answer::Silent:
        return "silent";
    case Answer::OffLine:
        return "off line";
    case Answer::AlreadyAnswering:
        return "already answering";
    }
    return "?";
}

Terminal::Terminal(TerminalAddress address, int linkIndex, const TerminalSettings& settings,
                   TerminalHost& host)
    : address_(address), linkIndex_(linkIndex), protocolType_(settings.protocolType),
      reportTries_(std::max(1, settings.reportTries)), resendDelay_(settings.resendDelay), host_(host),
      reportInterval_(settings.reportInterval), reply_(settings.reply) {
    bits_.status = settings.status;
    bits_.longReport = settings.longReports;
}

void Terminal::start(Duration firstReportAfter) {
    schedulePeriodicReport(firstReportAfter);
}

void Terminal::onWake(Wake wake, std::uint32_t token) {
    switch (wake) {
    case Wake::StatusReport:
        if (token != periodicToken_)
            return;
        if (onLine_)
            queueReport(ReportType::Status);
        if (reportInterval_ > Duration::zero())
            host_.wakeAfter(*this, reportInterval_, Wake::StatusReport, token);
        return;
    case Wake::ReportResend:
        if (token == resendToken_ && !reports_.empty())
            resendOrGiveUp();
        return;
    case Wake::LateReply:
        if (token == replyToken_ && answer_ == AnswerState::Scheduled) {
            answer_ = AnswerState::Sent;
            host_.sendReply(*this, lateReplyCode_);
        }
        return;
    }
}

Terminal::CommandOutcome Terminal::onCommand(std::span<const std::uint8_t> frame, std::uint8_t replyCode) {
    // The PC sends an unanswered frame again unchanged: the same bytes once more are its next sending,
    // unless the first was answered, which makes them a new command.
    const bool resent = answer_ != AnswerState::Sent && frame.size() == lastCommandSize_ &&
                        std::equal(frame.begin(), frame.end(), lastCommand_.begin());
    if (!resent) {
        lastCommandSize_ = std::min(frame.size(), lastCommand_.size());
        std::copy_n(frame.begin(), lastCommandSize_, lastCommand_.begin());
        sending_ = 0;
        answer_ = AnswerState::None;
    }
    ++sending_;
    if (!onLine_)
        return {Answer::OffLine, sending_};
    if (answer_ == AnswerState::Scheduled)
        return {Answer::AlreadyAnswering, sending_};
    if (!reply_.answers)
        return {Answer::Silent, sending_};
    if (sending_ < reply_.fromSending)
        return {Answer::Withheld, sending_};
    if (reply_.delay > Duration::zero()) {
        answer_ = AnswerState::Scheduled;
        lateReplyCode_ = replyCode;
        host_.wakeAfter(*this, reply_.delay, Wake::LateReply, ++replyToken_);
        return {Answer::ReplyLater, sending_};
    }
    answer_ = AnswerState::Sent;
    return {Answer::ReplyNow, sending_};
}

bool Terminal::awaitsAcknowledgement(std::uint8_t reportType) const {
    return !reports_.empty() &&
           (reportType == 0 || reportType == static_cast<std::uint8_t>(reports_.front().type));
}

void Terminal::onAcknowledgement() {
    reports_.pop_front();
    ++resendToken_;
    if (!reports_.empty())
        sendFirstReport();
}

void Terminal::setZoneAlarm(int zone, bool on) {
    changeBit(bits_.zoneAlarms, zone - 1, on);
}

void Terminal::setZoneFlag(int zone, bool on) {
    changeBit(bits_.zoneFlags, zone - 1, on);
}

void Terminal::setStatusBit(int bit, bool on) {
    changeBit(bits_.status, bit, on);
}

void Terminal::changeBit(std::uint8_t& bits, int bit, bool on) {
    bits = static_cast<std::uint8_t>(on ? bits | (1u << bit) : bits & ~(1u << bit));
    if (onLine_)
        queueReport(ReportType::Status);
}

void Terminal::report(ReportType type) {
    queueReport(type);
}

void Terminal::goOffLine() {
    onLine_ = false;
    // Nothing said before the sign-off matters any more.
    reports_.clear();
    ++resendToken_;
    queueReport(ReportType::SignOff);
}

void Terminal::goOnLine() {
    onLine_ = true;
    queueReport(ReportType::SignOn);
    queueReport(ReportType::Status);
}

void Terminal::setReplyPolicy(const ReplyPolicy& policy) {
    reply_ = policy;
    // Sendings are counted afresh under the new policy.
    lastCommandSize_ = 0;
    answer_ = AnswerState::None;
    ++replyToken_;
}

void Terminal::setReportInterval(Duration interval, Duration firstAfter) {
    reportInterval_ = interval;
    ++periodicToken_;
    if (interval > Duration::zero())
        schedulePeriodicReport(firstAfter);
}

void Terminal::queueReport(ReportType type) {
    PendingReport report{type, bits_, 0};
    // A status report still waiting its turn is out of date: the newer one takes its place.
    if (type == ReportType::Status && reports_.size() > 1 && reports_.back().type == ReportType::Status) {
        reports_.back() = report;
        return;
    }
    reports_.push_back(report);
    if (reports_.size() == 1)
        sendFirstReport();
}

void Terminal::sendFirstReport() {
    ++reports_.front().sendings;
    host_.sendReport(*this, reports_.front());
    host_.wakeAfter(*this, resendDelay_, Wake::ReportResend, ++resendToken_);
}

void Terminal::resendOrGiveUp() {
    if (reports_.front().sendings < reportTries_) {
        sendFirstReport();
        return;
    }
    const PendingReport givenUp = reports_.front();
    reports_.pop_front();
    host_.reportGivenUp(*this, givenUp);
    if (!reports_.empty())
        sendFirstReport();
}

void Terminal::schedulePeriodicReport(Duration after) {
    host_.wakeAfter(*this, after, Wake::StatusReport, ++periodicToken_);
}

} // namespace sim
