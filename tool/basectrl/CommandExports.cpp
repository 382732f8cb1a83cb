#include "basectrl/CommandExports.h"

#include "prompt/Prompter.h"
#include "terminals/TerminalEntry.h"

namespace {

constexpr int32_t kHeaderWord = 0;

// The frame a Cmd_ export just queued on this thread, or none when it queued nothing.
QueuedFrame FrameQueued(OstrelContext* context, bool queued) {
    return queued ? GetLastQueuedFrame(context) : kNotQueued;
}

class OstrelExports final : public CommandExports {
public:
    QueuedFrame TerminalControl(const CommandTarget& t, const char* password, int action, int zone) override {
        return FrameQueued(t.context, Cmd_TerminalControl_Send(t.context, t.port, t.addressA, t.addressB,
                                                               kHeaderWord, password, action, zone));
    }
    QueuedFrame SingleOutput(const CommandTarget& t, int output, int outputState, int thirdValue) override {
        return FrameQueued(t.context, Cmd_SingleOutput_Send(t.context, t.port, t.addressA, t.addressB,
                                                            kHeaderWord, output, outputState, thirdValue));
    }
    QueuedFrame SingleLight(const CommandTarget& t, int lamp, int lampState) override {
        return FrameQueued(t.context, Cmd_SingleLight_Send(t.context, t.port, t.addressA, t.addressB,
                                                           kHeaderWord, lamp, lampState));
    }
    QueuedFrame BuzzerControl(const CommandTarget& t, int totalTime, int soundingTime,
                              int pauseTime) override {
        return FrameQueued(t.context,
                           Cmd_BuzzerControl_Send(t.context, t.port, t.addressA, t.addressB, kHeaderWord,
                                                  totalTime, soundingTime, pauseTime));
    }
    QueuedFrame LcdDisplay(const CommandTarget& t, int argument, const char* text) override {
        return FrameQueued(t.context, Cmd_LCDdisplay_Send(t.context, t.port, t.addressA, t.addressB,
                                                          kHeaderWord, argument, text));
    }
    QueuedFrame LcdClean(const CommandTarget& t) override {
        return FrameQueued(t.context,
                           Cmd_LCDcleans_Send(t.context, t.port, t.addressA, t.addressB, kHeaderWord));
    }
    QueuedFrame Message(const CommandTarget& t, const char* text) override {
        return FrameQueued(t.context,
                           Cmd_Message_Send(t.context, t.port, t.addressA, t.addressB, kHeaderWord, text));
    }
    QueuedFrame SetupTime(const CommandTarget& t, const char* dateTime) override {
        return FrameQueued(
            t.context, Cmd_SetupTime_Send(t.context, t.port, t.addressA, t.addressB, kHeaderWord, dateTime));
    }
    QueuedFrame ConfigName(const CommandTarget& t, const char* password, int selector,
                           const char* name) override {
        return FrameQueued(t.context, Cmd_ConfigName_Terminal(t.context, t.port, t.addressA, t.addressB,
                                                              kHeaderWord, password, selector, name));
    }
    QueuedFrame ConfigFunction(const CommandTarget& t, const char* password, int firstByte, int secondByte,
                               const char* data, int mode) override {
        return FrameQueued(t.context, Cmd_ConfigFuncation_Terminal(t.context, t.port, t.addressA, t.addressB,
                                                                   kHeaderWord, password, firstByte,
                                                                   secondByte, data, mode));
    }
};

} // namespace

std::optional<CommandTarget>
SelectedCommandTarget(OstrelContext* context, const std::function<const TerminalEntry*()>& selectedTerminal,
                      Prompter& prompter, const QString& noTerminalText) {
    if (context == nullptr || !selectedTerminal)
        return std::nullopt;
    const TerminalEntry* terminal = selectedTerminal();
    if (terminal == nullptr) {
        prompter.inform(noTerminalText);
        return std::nullopt;
    }
    return CommandTarget{context, terminal->portNumber, terminal->addressA, terminal->addressB};
}

CommandExports& OstrelCommandExports() {
    static OstrelExports exports;
    return exports;
}
