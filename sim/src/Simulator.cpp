#include "Simulator.h"

#include "CommandFields.h"
#include "SerialLink.h"
#include "UdpLink.h"

#include <asio/ip/udp.hpp>
#include <cstdio>

namespace sim {

namespace {

using asio::ip::udp;

constexpr std::size_t kAddressCount = 256 * 256;

std::size_t keyOf(TerminalAddress address) {
    return std::size_t{address.a} << 8 | address.b;
}

// Throws std::system_error when the host is unknown.
udp::endpoint endpointOf(asio::io_context& io, const std::string& host, std::uint16_t port) {
    udp::resolver resolver(io);
    return *resolver.resolve(udp::v4(), host, std::to_string(port)).begin();
}

std::string linkName(const LinkOptions& options, int index) {
    static constexpr const char* kKinds[] = {"udp", "serial", "pty"};
    return kKinds[static_cast<int>(options.kind)] + std::to_string(index + 1);
}

std::string replyPolicyText(const ReplyPolicy& policy) {
    if (!policy.answers)
        return "never";
    std::string text =
        policy.fromSending > 1 ? "from sending " + std::to_string(policy.fromSending) : "at once";
    if (policy.delay > Duration::zero())
        text += ", " + std::to_string(policy.delay.count() / 1000) + " ms late";
    if (policy.catchAll)
        text += ", with 0xFC";
    return text;
}

} // namespace

Simulator::Simulator(asio::io_context& io, FrameLog& log) : io_(io), log_(log), scheduler_(io) {}

Simulator::~Simulator() = default;

void Simulator::open(const Options& options) {
    for (std::size_t i = 0; i < options.links.size(); ++i)
        openLink(options.links[i], static_cast<int>(i), options.workFolder);
}

void Simulator::openLink(const LinkOptions& options, int index, const std::filesystem::path& workFolder) {
    const int type = options.settings.protocolType;
    const auto name = linkName(options, index);
    LinkListener& listener = *this;
    TerminalHost& host = *this;
    LinkTerminals entry;
    switch (options.kind) {
    case LinkOptions::Kind::Udp: {
        const auto pc = endpointOf(io_, options.pcHost, options.pcPort);
        const auto local = options.localHost.empty() ? udp::endpoint(udp::v4(), options.localPort)
                                                     : endpointOf(io_, options.localHost, options.localPort);
        entry.link = std::make_unique<UdpLink>(io_, name, type, pc, local, listener);
        break;
    }
    case LinkOptions::Kind::Serial:
        entry.link =
            std::make_unique<SerialLink>(io_, name, type, SerialLine::openDevice(options.device), listener);
        break;
    case LinkOptions::Kind::Pty: {
        auto line = SerialLine::createPseudoTerminal();
        if (options.comNumber != 0)
            line.placeDeviceLink(workFolder, options.comNumber);
        entry.link = std::make_unique<SerialLink>(io_, name, type, std::move(line), listener);
        break;
    }
    }
    entry.byAddress.assign(kAddressCount, nullptr);
    for (const auto& pattern : options.terminals) {
        for (const auto address : pattern.addresses()) {
            Terminal*& slot = entry.byAddress[keyOf(address)];
            if (slot)
                continue; // named twice
            terminals_.push_back(std::make_unique<Terminal>(address, index, options.settings, host));
            slot = terminals_.back().get();
            entry.all.push_back(slot);
        }
    }
    links_.push_back(std::move(entry));
}

void Simulator::start() {
    for (auto& entry : links_)
        entry.link->start();
}

std::vector<std::string> Simulator::linkDescriptions() const {
    std::vector<std::string> lines;
    for (const auto& entry : links_) {
        lines.push_back(entry.link->name() + " " + entry.link->description() + " " +
                        nameOf(entry.link->layout()) + " frames, " + std::to_string(entry.all.size()) +
                        " terminals");
    }
    return lines;
}

Simulator::LinkTerminals& Simulator::linkOf(const Link& link) {
    for (auto& entry : links_)
        if (entry.link.get() == &link)
            return entry;
    throw std::logic_error("a link the simulator does not know");
}

Terminal* Simulator::terminalAt(const Link& link, TerminalAddress address) {
    return linkOf(link).byAddress[keyOf(address)];
}

LogRecord Simulator::record(std::string_view kind, const Link& link, const char* direction) const {
    LogRecord r(kind);
    r.add("link", link.name());
    if (direction)
        r.add("dir", direction);
    return r;
}

void Simulator::logError(const Link& link, std::span<const std::uint8_t> bytes, std::string_view why) {
    ++stats_.errors;
    if (log_.wants("error"))
        log_.write(record("error", link, "in").add("error", why).addHex("bytes", bytes));
}

// ---- What comes in ----

void Simulator::lineUp(Link& link) {
    auto& entry = linkOf(link);
    if (log_.wants("line"))
        log_.write(record("line", link, nullptr).add("state", "up"));
    if (entry.started)
        return;
    entry.started = true;
    Duration offset{};
    for (auto* terminal : entry.all) {
        terminal->start(offset);
        offset += kStartSpacing;
    }
}

void Simulator::lineDown(Link& link) {
    if (log_.wants("line"))
        log_.write(record("line", link, nullptr).add("state", "down"));
}

void Simulator::noise(Link& link, std::span<const std::uint8_t> bytes, std::string_view why) {
    logError(link, bytes, why);
}

void Simulator::received(Link& link, std::span<const std::uint8_t> bytes) {
    const auto decoded =
        link.kind() == LinkKind::Udp ? decodeDatagram(bytes) : decodeLineFrame(bytes, link.layout());
    if (!decoded.frame) {
        logError(link, bytes, decoded.error);
        return;
    }
    if (decoded.frame->layout != link.layout()) {
        logError(link, bytes,
                 std::string("a ") + nameOf(decoded.frame->layout) + " frame, but the terminals here speak " +
                     nameOf(link.layout()) + " frames");
        return;
    }
    handleFrame(link, *decoded.frame);
}

void Simulator::handleFrame(Link& link, const PcFrame& frame) {
    Terminal* terminal = terminalAt(link, frame.address);
    switch (frame.kind) {
    case PcFrame::Kind::Command:
        handleCommand(link, frame, terminal);
        return;
    case PcFrame::Kind::Acknowledgement:
        handleAcknowledgement(link, frame, terminal);
        return;
    case PcFrame::Kind::Unknown: {
        ++stats_.errors;
        if (!log_.wants("error"))
            return;
        char why[64];
        std::snprintf(why, sizeof why, "code 0x%02X is no command a terminal takes", frame.wireCode);
        log_.write(record("error", link, "in")
                       .add("terminal", frame.address.text())
                       .add("error", why)
                       .addHex("bytes", frame.bytes));
        return;
    }
    }
}

void Simulator::handleCommand(Link& link, const PcFrame& frame, Terminal* terminal) {
    ++stats_.commands;
    // A network frame may be answered with the catch-all code; every other reply repeats the code sent.
    const bool catchAll = terminal && terminal->replyPolicy().catchAll && frame.layout == WireLayout::Network;
    const std::uint8_t replyCode = catchAll ? kCatchAllReply : replyCodeOf(frame);
    const auto outcome = terminal ? terminal->onCommand(frame.bytes, replyCode) : Terminal::CommandOutcome{};
    if (log_.wants("command")) {
        auto r = record("command", link, "in");
        r.add("terminal", frame.address.text())
            .add("layout", nameOf(frame.layout))
            .add("code", frame.code)
            .add("wireCode", frame.wireCode);
        if (const auto name = commandName(frame.code))
            r.add("command", *name);
        describeCommand(frame.code, frame.payload, r);
        r.addHex("payload", frame.payload);
        if (terminal)
            r.add("sending", outcome.sending).add("answer", nameOf(outcome.answer));
        else
            r.add("answer", "no such terminal here");
        log_.write(r.addHex("bytes", frame.bytes));
    }
    if (terminal && outcome.answer == Answer::ReplyNow)
        sendReply(*terminal, replyCode);
}

void Simulator::handleAcknowledgement(Link& link, const PcFrame& frame, Terminal* terminal) {
    const bool awaited = terminal && terminal->awaitsAcknowledgement(frame.code);
    if (log_.wants("ack")) {
        auto r = record("ack", link, "in");
        r.add("terminal", frame.address.text()).add("layout", nameOf(frame.layout));
        if (frame.code != 0)
            r.add("type", frame.code);
        r.add("outcome", awaited ? "report acknowledged" : "no report waits for it");
        log_.write(r.addHex("bytes", frame.bytes));
    }
    if (awaited) {
        ++stats_.acknowledged;
        terminal->onAcknowledgement();
    }
}

// ---- What goes out ----

void Simulator::sendReport(Terminal& terminal, const PendingReport& report) {
    Link& link = *linkOf(terminal).link;
    const auto frame =
        encodeReport(link.layout(), terminal.address(), report.type, report.bits, link.senderAddress());
    const bool sent = link.send(frame.view());
    ++(report.sendings == 1 ? stats_.reports : stats_.resends);
    if (!log_.wants("report"))
        return;
    auto r = record("report", link, "out");
    r.add("terminal", terminal.address().text())
        .add("layout", nameOf(link.layout()))
        .add("type", static_cast<int>(report.type))
        .add("sending", report.sendings);
    if (report.type == ReportType::Status) {
        r.add("zoneAlarms", report.bits.zoneAlarms).add("status", report.bits.status);
        if (report.bits.longReport)
            r.add("zoneFlags", report.bits.zoneFlags);
    }
    if (!sent)
        r.add("note", "not sent: the link is down");
    log_.write(r.addHex("bytes", frame.view()));
}

void Simulator::sendReply(Terminal& terminal, std::uint8_t replyCode) {
    Link& link = *linkOf(terminal).link;
    const auto frame = encodeReply(link.layout(), terminal.address(), replyCode, link.senderAddress());
    const bool sent = link.send(frame.view());
    ++stats_.replies;
    if (!log_.wants("reply"))
        return;
    auto r = record("reply", link, "out");
    r.add("terminal", terminal.address().text())
        .add("layout", nameOf(link.layout()))
        .add("wireCode", replyCode);
    if (!sent)
        r.add("note", "not sent: the link is down");
    log_.write(r.addHex("bytes", frame.view()));
}

void Simulator::reportGivenUp(Terminal& terminal, const PendingReport& report) {
    ++stats_.givenUp;
    if (log_.wants("gave-up"))
        log_.write(record("gave-up", *linkOf(terminal).link, nullptr)
                       .add("terminal", terminal.address().text())
                       .add("type", static_cast<int>(report.type))
                       .add("sendings", report.sendings));
}

void Simulator::wakeAfter(Terminal& terminal, Duration delay, Wake wake, std::uint32_t token) {
    scheduler_.wakeAt(scheduler_.now() + delay, terminal, wake, token);
}

// ---- Control ----

void Simulator::execute(const ControlCommand& command, std::ostream& out) {
    using Verb = ControlCommand::Verb;
    if (command.verb == Verb::Stats) {
        out << LogRecord("stats")
                   .add("terminals", static_cast<long long>(terminals_.size()))
                   .add("commands", stats_.commands)
                   .add("replies", stats_.replies)
                   .add("reports", stats_.reports)
                   .add("resends", stats_.resends)
                   .add("acknowledged", stats_.acknowledged)
                   .add("givenUp", stats_.givenUp)
                   .add("errors", stats_.errors)
                   .json(log_.seconds())
            << "\nok" << std::endl;
        return;
    }
    int matched = 0;
    for (const auto& terminal : terminals_) {
        if (!command.terminals.matches(terminal->address()))
            continue;
        if (command.verb == Verb::List)
            out << describe(*terminal) << '\n';
        else
            apply(command, *terminal, matched * kStartSpacing);
        ++matched;
    }
    if (matched == 0 && command.verb != Verb::List)
        out << "error: no terminal matches " << command.selector << std::endl;
    else
        out << "ok" << std::endl;
}

void Simulator::apply(const ControlCommand& command, Terminal& terminal, Duration startOffset) {
    using Verb = ControlCommand::Verb;
    using Change = ControlCommand::ReplyChange;
    ReplyPolicy policy = terminal.replyPolicy();
    switch (command.verb) {
    case Verb::Alarm:
        terminal.setZoneAlarm(command.number, command.on);
        return;
    case Verb::Flag:
        terminal.setZoneFlag(command.number, command.on);
        return;
    case Verb::Status:
        terminal.setStatusBit(command.number, command.on);
        return;
    case Verb::Report:
        terminal.report(static_cast<ReportType>(command.number));
        return;
    case Verb::OffLine:
        terminal.goOffLine();
        return;
    case Verb::OnLine:
        terminal.goOnLine();
        return;
    case Verb::Silent:
        policy.answers = false;
        terminal.setReplyPolicy(policy);
        return;
    case Verb::Reply:
        policy.answers = true;
        if (command.replyChange == Change::AtOnce)
            policy = ReplyPolicy{};
        else if (command.replyChange == Change::FromSending)
            policy.fromSending = command.number;
        else if (command.replyChange == Change::Late)
            policy.delay = std::chrono::milliseconds(command.number);
        else
            policy.catchAll = true;
        terminal.setReplyPolicy(policy);
        return;
    case Verb::Interval:
        terminal.setReportInterval(command.interval, command.interval + startOffset);
        return;
    case Verb::List:
    case Verb::Stats:
    case Verb::Help:
    case Verb::Quit:
    case Verb::None:
        return;
    }
}

std::string Simulator::describe(const Terminal& terminal) const {
    const auto bits = terminal.bits();
    char text[160];
    std::snprintf(
        text, sizeof text,
        "%s %s type %d %s status 0x%02X alarms 0x%02X flags 0x%02X interval %.3g s, reports waiting %zu, "
        "answers ",
        terminal.address().text().c_str(), links_[terminal.linkIndex()].link->name().c_str(),
        terminal.protocolType(), terminal.isOnLine() ? "on line" : "off line", bits.status, bits.zoneAlarms,
        bits.zoneFlags, std::chrono::duration<double>(terminal.reportInterval()).count(),
        terminal.waitingReports());
    return text + replyPolicyText(terminal.replyPolicy());
}

} // namespace sim
