#include "OstrelLink.h"

#include "LocalTime.h"
#include "WireCommand.h"

#include <stdexcept>

namespace tarvex::cli {

namespace {

constexpr std::int32_t kHeaderWord = 0;
// Start_Ostrel keeps a reply time-out that nothing reads.
constexpr std::int32_t kReplyTimeout = 1000;
constexpr std::int32_t kDisplayArgument = 0;
constexpr int kZoneCount = 8;

std::int32_t dataModeCode(ProgramDataMode mode) {
    switch (mode) {
    case ProgramDataMode::Digits:
        return OSTREL_DATA_DECIMAL_DIGITS;
    case ProgramDataMode::Address:
        return OSTREL_DATA_DOTTED_ADDRESS;
    case ProgramDataMode::Hex:
        return OSTREL_DATA_HEX_DIGITS;
    case ProgramDataMode::Text:
        break;
    }
    return OSTREL_DATA_TEXT;
}

// Each command through its Cmd_ export, its texts in GBK already; false when the queue was full.
class CommandQueuer {
public:
    CommandQueuer(OstrelContext* context, std::int32_t port, TerminalAddress to)
        : c_(context), port_(port), a_(to.addressA), b_(to.addressB) {}

    bool operator()(const ArmCommand& command) {
        return Cmd_TerminalControl_Send(c_, port_, a_, b_, kHeaderWord, command.password.c_str(),
                                        command.arm ? 1 : 0, command.zone);
    }
    bool operator()(const OutputCommand& command) {
        return Cmd_SingleOutput_Send(c_, port_, a_, b_, kHeaderWord, command.output, command.state,
                                     command.value);
    }
    bool operator()(const LampCommand& command) {
        return Cmd_SingleLight_Send(c_, port_, a_, b_, kHeaderWord, command.lamp, command.state);
    }
    bool operator()(const BuzzerCommand& command) {
        return Cmd_BuzzerControl_Send(c_, port_, a_, b_, kHeaderWord, command.total, command.sounding,
                                      command.pause);
    }
    bool operator()(const DisplayCommand& command) {
        return Cmd_LCDdisplay_Send(c_, port_, a_, b_, kHeaderWord, kDisplayArgument, command.text.c_str());
    }
    bool operator()(const ClearCommand&) { return Cmd_LCDcleans_Send(c_, port_, a_, b_, kHeaderWord); }
    bool operator()(const MessageCommand& command) {
        return Cmd_Message_Send(c_, port_, a_, b_, kHeaderWord, command.text.c_str());
    }
    bool operator()(const OutputsCommand& command) {
        const auto bitMap = outputBitMap(command);
        return Cmd_One_Equiment_All_Output(c_, port_, a_, b_, kHeaderWord,
                                           static_cast<std::int32_t>(command.outputs.size()), bitMap.data());
    }
    bool operator()(const ClockCommand& command) {
        const ClockTime time = command.time.value_or(localClockTime(std::chrono::system_clock::now()));
        return Cmd_SetupTime_Send(c_, port_, a_, b_, kHeaderWord, clockText(time).c_str());
    }
    bool operator()(const NameCommand& command) {
        return Cmd_ConfigName_Terminal(c_, port_, a_, b_, kHeaderWord, command.password.c_str(), command.zone,
                                       command.name.c_str());
    }
    bool operator()(const ProgramCommand& command) {
        return Cmd_ConfigFuncation_Terminal(c_, port_, a_, b_, kHeaderWord, command.password.c_str(),
                                            command.master, command.sub, command.data.c_str(),
                                            dataModeCode(command.mode));
    }
    bool operator()(const PowerupCommand&) {
        return Cmd_One_Equiment_Powerup(c_, port_, a_, b_, kHeaderWord);
    }

private:
    OstrelContext* c_;
    std::int32_t port_, a_, b_;
};

OstrelLink* self(void* user) {
    return static_cast<OstrelLink*>(user);
}

} // namespace

OstrelLink::OstrelLink(Sink sink) : sink_(std::move(sink)) {
    callbacks_.onTerminalEvent = &OstrelLink::onTerminalEvent;
    callbacks_.onConnectionLost = &OstrelLink::onConnectionLost;
    context_ = Init_Ostrel(this, &callbacks_);
    if (!context_)
        throw std::runtime_error("Ostrel cannot start a communication context");
    SetOutcomeCallback(context_, &OstrelLink::onOutcome);
}

OstrelLink::~OstrelLink() {
    Quit_Ostrel(context_);
}

bool OstrelLink::open(const PortSpec& port, int retryLimit, std::string& error) {
    if (retryLimit < 1 || retryLimit > OSTREL_RETRY_LIMIT_MAX) {
        error = "the retry limit must be 1 to " + std::to_string(OSTREL_RETRY_LIMIT_MAX);
        return false;
    }
    if (Start_Ostrel(context_, port.startNumber, kReplyTimeout, retryLimit))
        return true;
    if (port.isSerial())
        error = "cannot open " + portLabel(port) + " (the device link dev/COM" +
                std::to_string(port.startNumber) + " of this folder, else /dev/ttyS" +
                std::to_string(port.startNumber - 1) + ")";
    else
        error = "cannot bind " + portLabel(port) + " (in use, or not permitted)";
    return false;
}

IssueResult OstrelLink::issue(std::int32_t ostrelPort, TerminalAddress terminal,
                              const CommandRequest& request) {
    if (ostrelPort < OSTREL_PORT_COM1 || ostrelPort > OSTREL_PORT_UDP)
        return {0, false, "no port " + std::to_string(ostrelPort)};
    std::string error;
    const auto wire = toWireCommand(request, error);
    if (!wire)
        return {0, false, error};
    if (!std::visit(CommandQueuer(context_, ostrelPort, terminal), wire->request))
        return {0, true, "queue full"};
    return {GetLastQueuedFrame(context_), false, {}};
}

std::int32_t OstrelLink::terminalState(std::int32_t ostrelPort, TerminalAddress terminal) const {
    std::int32_t state = OSTREL_STATE_NEVER_HEARD;
    GetTerminalState(context_, ostrelPort, terminal.addressA, terminal.addressB, &state);
    return state;
}

std::int32_t OstrelLink::zoneState(std::int32_t ostrelPort, TerminalAddress terminal, int zone) const {
    std::int32_t state = OSTREL_ZONE_NONE;
    GetAlarmState(context_, ostrelPort, terminal.addressA, terminal.addressB, zone, &state);
    return state;
}

bool OstrelLink::zoneFlag(std::int32_t ostrelPort, TerminalAddress terminal, int zone) const {
    if (zone < 1 || zone > kZoneCount)
        return false;
    std::int32_t state = OSTREL_ZONE_NONE;
    const bool flagClear =
        GetAlarmState(context_, ostrelPort, terminal.addressA, terminal.addressB, zone, &state);
    return !flagClear && sendsZoneFlags(ostrelPort, terminal);
}

bool OstrelLink::sendsZoneFlags(std::int32_t ostrelPort, TerminalAddress terminal) const {
    // Ostrel reads a flag as set until a long report says it is clear, and leaves a quiet zone "none"
    // after a short report: a terminal with any zone normal or any flag clear sends long reports.
    for (int zone = 1; zone <= kZoneCount; ++zone) {
        std::int32_t state = OSTREL_ZONE_NONE;
        const bool flagClear =
            GetAlarmState(context_, ostrelPort, terminal.addressA, terminal.addressB, zone, &state);
        if (flagClear || state == OSTREL_ZONE_NORMAL)
            return true;
    }
    return false;
}

void OstrelLink::onTerminalEvent(void* user, std::int32_t port, std::int32_t a, std::int32_t b,
                                 std::int32_t index, std::int32_t code, const char* text) {
    self(user)->sink_(TerminalEvent{std::chrono::system_clock::now(), port, a & 0xFF, b & 0xFF, index & 0xFF,
                                    code & 0xFF, text ? text : ""});
}

void OstrelLink::onConnectionLost(void* user, const char* text) {
    self(user)->sink_(ConnectionLost{text ? text : ""});
}

void OstrelLink::onOutcome(void* user, const OstrelOutcome* outcome) {
    self(user)->sink_(FrameOutcome{std::chrono::system_clock::now(), *outcome});
}

} // namespace tarvex::cli
