#include "basectrl/CommandExports.h"

#include "prompt/Prompter.h"
#include "terminals/TerminalEntry.h"

namespace {

constexpr int32_t kHeaderWord = 0;

class OstrelExports final : public CommandExports {
public:
    void TerminalControl(const CommandTarget& t, const char* password, int action, int zone) override {
        Cmd_TerminalControl_Send(t.context, t.port, t.addressA, t.addressB, kHeaderWord, password, action,
                                 zone);
    }
    void SingleOutput(const CommandTarget& t, int output, int outputState, int thirdValue) override {
        Cmd_SingleOutput_Send(t.context, t.port, t.addressA, t.addressB, kHeaderWord, output, outputState,
                              thirdValue);
    }
    void SingleLight(const CommandTarget& t, int lamp, int lampState) override {
        Cmd_SingleLight_Send(t.context, t.port, t.addressA, t.addressB, kHeaderWord, lamp, lampState);
    }
    void BuzzerControl(const CommandTarget& t, int totalTime, int soundingTime, int pauseTime) override {
        Cmd_BuzzerControl_Send(t.context, t.port, t.addressA, t.addressB, kHeaderWord, totalTime,
                               soundingTime, pauseTime);
    }
    void LcdDisplay(const CommandTarget& t, int argument, const char* text) override {
        Cmd_LCDdisplay_Send(t.context, t.port, t.addressA, t.addressB, kHeaderWord, argument, text);
    }
    void LcdClean(const CommandTarget& t) override {
        Cmd_LCDcleans_Send(t.context, t.port, t.addressA, t.addressB, kHeaderWord);
    }
    void Message(const CommandTarget& t, const char* text) override {
        Cmd_Message_Send(t.context, t.port, t.addressA, t.addressB, kHeaderWord, text);
    }
    void SetupTime(const CommandTarget& t, const char* dateTime) override {
        Cmd_SetupTime_Send(t.context, t.port, t.addressA, t.addressB, kHeaderWord, dateTime);
    }
    void ConfigName(const CommandTarget& t, const char* password, int selector, const char* name) override {
        Cmd_ConfigName_Terminal(t.context, t.port, t.addressA, t.addressB, kHeaderWord, password, selector,
                                name);
    }
    bool ConfigFunction(const CommandTarget& t, const char* password, int firstByte, int secondByte,
                        const char* data, int mode) override {
        return Cmd_ConfigFuncation_Terminal(t.context, t.port, t.addressA, t.addressB, kHeaderWord, password,
                                            firstByte, secondByte, data, mode);
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
