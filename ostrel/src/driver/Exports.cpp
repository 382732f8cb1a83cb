// The C interface. Every export checks its context and does nothing with a null one.
#include "OstrelContext.h"
#include "core/CommandFrame.h"
#include "ostrel/ostrel.h"

#include <cstdio>
#include <exception>

namespace {

// Ports as callers number them: 1..10 are COM1..COM10, 11 is the UDP port.
bool toPortIndex(int32_t port, int& portIndex) {
    if (port < 1 || port > ostrel::kPortCount)
        return false;
    portIndex = port - 1;
    return true;
}

// Builds a command frame on the stack and queues a copy for the port; false when nothing was queued. The
// frame's number is kept for GetLastQueuedFrame.
template <class Frame, class... Args>
bool queueCommand(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                  int32_t headerWord, OstrelCommandCode code, Args... args) {
    int portIndex;
    if (!context || !toPortIndex(port, portIndex))
        return false;
    Frame frame;
    frame.setAddress(addressA, addressB, headerWord);
    frame.setCommand(static_cast<int>(code));
    if (!frame.fill(args...))
        return false;
    frame.finalize();
    return context->queue(portIndex, frame) != 0;
}

} // namespace

extern "C" {

OstrelContext* Init_Ostrel(void* userValue, const OstrelCallbacks* callbacks) {
    if (!callbacks)
        return nullptr;
    try {
        return OstrelContext::create(userValue, *callbacks).release();
    } catch (const std::exception& failure) {
        // The only report the library ever writes: it could not get memory or a thread.
        std::printf("%s\n", failure.what());
        std::fflush(stdout);
        return nullptr;
    }
}

bool SetOutcomeCallback(OstrelContext* context, OstrelOutcomeCallback callback) {
    if (!context)
        return false;
    context->setOutcomeCallback(callback);
    return true;
}

uint32_t GetLastQueuedFrame(OstrelContext* context) {
    return context ? context->lastQueuedFrame() : 0;
}

bool Start_Ostrel(OstrelContext* context, int32_t portNumber, int32_t replyTimeout, int32_t retryLimit) {
    return context && context->start(portNumber, replyTimeout, retryLimit);
}

bool Start_Translib(OstrelContext* context, const char* forwardHost, int32_t, int32_t forwardPort) {
    return context && context->startTranslib(forwardHost, forwardPort);
}

int32_t Stop_Ostrel(OstrelContext* context) {
    return context ? context->stop() : -1;
}

void Quit_Ostrel(OstrelContext* context) {
    if (!context)
        return;
    context->quit();
    delete context;
}

uint8_t GetTerminalState(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                         int32_t* state) {
    int portIndex;
    if (!context || !state || !toPortIndex(port, portIndex))
        return 0;
    return context->table().terminalState(portIndex, static_cast<std::uint8_t>(addressA),
                                          static_cast<std::uint8_t>(addressB), *state);
}

uint8_t GetAlarmState(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB, int32_t zone,
                      int32_t* zoneState) {
    int portIndex;
    if (!context || !zoneState || !toPortIndex(port, portIndex))
        return 0;
    return context->table().alarmState(portIndex, static_cast<std::uint8_t>(addressA),
                                       static_cast<std::uint8_t>(addressB), zone & 0xFF, *zoneState);
}

void GetTerminalProperty(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                         int32_t* timeout, int32_t* udpPort, char* addressText) {
    int portIndex;
    if (!context || !timeout || !udpPort || !addressText || !toPortIndex(port, portIndex))
        return;
    context->table().terminalProperty(portIndex, static_cast<std::uint8_t>(addressA),
                                      static_cast<std::uint8_t>(addressB), *timeout, *udpPort, addressText);
}

void SetTerminalProperty(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                         int32_t timeout, int32_t, int32_t) {
    int portIndex;
    if (!context || !toPortIndex(port, portIndex))
        return;
    context->setTerminalProperty(portIndex, static_cast<std::uint8_t>(addressA),
                                 static_cast<std::uint8_t>(addressB), timeout);
}

bool Cmd_TerminalControl_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                              int32_t headerWord, const char* password, int32_t action, int32_t zone) {
    return queueCommand<ostrel::TerminalControlFrame>(context, port, addressA, addressB, headerWord,
                                                      OSTREL_COMMAND_TERMINAL_CONTROL, password, action,
                                                      zone);
}

bool Cmd_SingleOutput_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                           int32_t headerWord, int32_t output, int32_t outputState, int32_t thirdValue) {
    return queueCommand<ostrel::SingleOutputFrame>(context, port, addressA, addressB, headerWord,
                                                   OSTREL_COMMAND_SINGLE_OUTPUT, output, outputState,
                                                   thirdValue);
}

bool Cmd_SingleLight_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                          int32_t headerWord, int32_t lamp, int32_t lampState) {
    return queueCommand<ostrel::SingleLightFrame>(context, port, addressA, addressB, headerWord,
                                                  OSTREL_COMMAND_SINGLE_LIGHT, lamp, lampState);
}

bool Cmd_BuzzerControl_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                            int32_t headerWord, int32_t totalTime, int32_t soundingTime, int32_t pauseTime) {
    return queueCommand<ostrel::BuzzerControlFrame>(context, port, addressA, addressB, headerWord,
                                                    OSTREL_COMMAND_BUZZER_CONTROL, totalTime, soundingTime,
                                                    pauseTime);
}

bool Cmd_LCDdisplay_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                         int32_t headerWord, int32_t argument, const char* text) {
    return queueCommand<ostrel::LcdDisplayFrame>(context, port, addressA, addressB, headerWord,
                                                 OSTREL_COMMAND_LCD_DISPLAY, argument, text);
}

bool Cmd_LCDcleans_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                        int32_t headerWord) {
    return queueCommand<ostrel::LcdCleanFrame>(context, port, addressA, addressB, headerWord,
                                               OSTREL_COMMAND_LCD_CLEAN);
}

bool Cmd_Message_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                      int32_t headerWord, const char* text) {
    return queueCommand<ostrel::MessageFrame>(context, port, addressA, addressB, headerWord,
                                              OSTREL_COMMAND_MESSAGE, text);
}

bool Cmd_One_Equiment_All_Output(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                 int32_t headerWord, int32_t count, const unsigned char* bitMap) {
    return queueCommand<ostrel::AllOutputFrame>(context, port, addressA, addressB, headerWord,
                                                OSTREL_COMMAND_ALL_OUTPUT, count, bitMap);
}

bool Cmd_SetupTime_Send(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                        int32_t headerWord, const char* dateTime) {
    return queueCommand<ostrel::SetupTimeFrame>(context, port, addressA, addressB, headerWord,
                                                OSTREL_COMMAND_SETUP_TIME, dateTime);
}

bool Cmd_ConfigName_Terminal(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                             int32_t headerWord, const char* password, int32_t selector, const char* name) {
    return queueCommand<ostrel::ConfigNameFrame>(context, port, addressA, addressB, headerWord,
                                                 OSTREL_COMMAND_CONFIG_NAME, password, selector, name);
}

bool Cmd_ConfigFuncation_Terminal(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                                  int32_t headerWord, const char* password, int32_t firstByte,
                                  int32_t secondByte, const char* data, int32_t mode) {
    return queueCommand<ostrel::ConfigFuncationFrame>(context, port, addressA, addressB, headerWord,
                                                      OSTREL_COMMAND_CONFIG_FUNCTION, password, firstByte,
                                                      secondByte, data, mode);
}

bool Cmd_One_Equiment_Powerup(OstrelContext* context, int32_t port, int32_t addressA, int32_t addressB,
                              int32_t headerWord) {
    return queueCommand<ostrel::PowerupFrame>(context, port, addressA, addressB, headerWord,
                                              OSTREL_COMMAND_POWERUP);
}

} // extern "C"
