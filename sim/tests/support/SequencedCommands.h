#pragma once

#include "ostrel/ostrel.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Every kind of command, queued through Ostrel's C interface, each carrying a sequence number where its
// fields have room for one, so that the simulator's frame log shows which command arrived: a loss, a
// duplicate or a command out of its turn shows as a number out of step.
struct SequencedCommand {
    std::string_view name;  // as the simulator's log names it
    int code;               // as onSendFailed reports it (OstrelCommandCode)
    std::string_view field; // the log field that shows the number; empty when the command has no room
    bool lowSixteenBits;    // the field holds only the number's low 16 bits
    bool (*queue)(OstrelContext* context, int addressA, int addressB, unsigned sequence);

    // The number as the simulator's log shows it in the field.
    std::string shown(unsigned sequence) const {
        return std::to_string(lowSixteenBits ? sequence & 0xFFFF : sequence);
    }
};

namespace sequenced {

constexpr int kPort = OSTREL_PORT_UDP;

inline bool lcdDisplay(OstrelContext* c, int a, int b, unsigned n) {
    return Cmd_LCDdisplay_Send(c, kPort, a, b, 0, 0, std::to_string(n).c_str());
}
inline bool message(OstrelContext* c, int a, int b, unsigned n) {
    return Cmd_Message_Send(c, kPort, a, b, 0, std::to_string(n).c_str());
}
inline bool configName(OstrelContext* c, int a, int b, unsigned n) {
    return Cmd_ConfigName_Terminal(c, kPort, a, b, 0, "1234", 0, std::to_string(n).c_str());
}
inline bool configFunction(OstrelContext* c, int a, int b, unsigned n) {
    return Cmd_ConfigFuncation_Terminal(c, kPort, a, b, 0, "1234", 7, 9, std::to_string(n).c_str(),
                                        OSTREL_DATA_TEXT);
}
inline bool singleOutput(OstrelContext* c, int a, int b, unsigned n) {
    return Cmd_SingleOutput_Send(c, kPort, a, b, 0, 2, 1, static_cast<int32_t>(n & 0xFFFF));
}
inline bool buzzer(OstrelContext* c, int a, int b, unsigned n) {
    return Cmd_BuzzerControl_Send(c, kPort, a, b, 0, static_cast<int32_t>(n & 0xFFFF), 25, 10);
}
inline bool terminalControl(OstrelContext* c, int a, int b, unsigned n) {
    return Cmd_TerminalControl_Send(c, kPort, a, b, 0, "1234", static_cast<int32_t>(n % 2), 0);
}
inline bool singleLight(OstrelContext* c, int a, int b, unsigned n) {
    return Cmd_SingleLight_Send(c, kPort, a, b, 0, 1, static_cast<int32_t>(n % 2));
}
inline bool lcdClean(OstrelContext* c, int a, int b, unsigned) {
    return Cmd_LCDcleans_Send(c, kPort, a, b, 0);
}
inline bool allOutput(OstrelContext* c, int a, int b, unsigned n) {
    const unsigned char bitMap[] = {static_cast<unsigned char>(n), 0x0F};
    return Cmd_One_Equiment_All_Output(c, kPort, a, b, 0, 12, bitMap);
}
inline bool setupTime(OstrelContext* c, int a, int b, unsigned) {
    return Cmd_SetupTime_Send(c, kPort, a, b, 0, "24-05-17 08:05:00");
}
inline bool powerUp(OstrelContext* c, int a, int b, unsigned) {
    return Cmd_One_Equiment_Powerup(c, kPort, a, b, 0);
}

} // namespace sequenced

// The mix, in the order a stream of commands takes its kinds.
inline const std::array<SequencedCommand, 12>& commandMix() {
    static const std::array<SequencedCommand, 12> kinds{{
        {"LcdDisplay", OSTREL_COMMAND_LCD_DISPLAY, "text", false, sequenced::lcdDisplay},
        {"SingleOutput", OSTREL_COMMAND_SINGLE_OUTPUT, "value", true, sequenced::singleOutput},
        {"TerminalControl", OSTREL_COMMAND_TERMINAL_CONTROL, "", false, sequenced::terminalControl},
        {"Message", OSTREL_COMMAND_MESSAGE, "text", false, sequenced::message},
        {"SingleLight", OSTREL_COMMAND_SINGLE_LIGHT, "", false, sequenced::singleLight},
        {"BuzzerControl", OSTREL_COMMAND_BUZZER_CONTROL, "total", true, sequenced::buzzer},
        {"LcdClean", OSTREL_COMMAND_LCD_CLEAN, "", false, sequenced::lcdClean},
        {"ConfigName", OSTREL_COMMAND_CONFIG_NAME, "name", false, sequenced::configName},
        {"AllOutput", OSTREL_COMMAND_ALL_OUTPUT, "", false, sequenced::allOutput},
        {"ConfigFunction", OSTREL_COMMAND_CONFIG_FUNCTION, "value", false, sequenced::configFunction},
        {"SetupTime", OSTREL_COMMAND_SETUP_TIME, "", false, sequenced::setupTime},
        {"Powerup", OSTREL_COMMAND_POWERUP, "", false, sequenced::powerUp},
    }};
    return kinds;
}
