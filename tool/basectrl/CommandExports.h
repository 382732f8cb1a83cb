#pragma once

#include "ostrel/ostrel.h"

// The terminal a command is meant for, and the running context that queues it.
struct CommandTarget {
    OstrelContext* context = nullptr;
    int port = 0;
    int addressA = 0;
    int addressB = 0;
};

// The Ostrel command exports the base control page calls. The tool always passes header word 0 and
// never looks at the result: a full queue is not reported, and delivery failures arrive as callbacks.
// Texts are zero-terminated GBK. Tests put a recorder in place of Ostrel to see every call.
class CommandExports {
public:
    virtual ~CommandExports() = default;

    virtual void TerminalControl(const CommandTarget& target, const char* password, int action, int zone) = 0;
    virtual void SingleOutput(const CommandTarget& target, int output, int outputState, int thirdValue) = 0;
    virtual void SingleLight(const CommandTarget& target, int lamp, int lampState) = 0;
    virtual void BuzzerControl(const CommandTarget& target, int totalTime, int soundingTime,
                               int pauseTime) = 0;
    virtual void LcdDisplay(const CommandTarget& target, int argument, const char* text) = 0;
    virtual void LcdClean(const CommandTarget& target) = 0;
    virtual void Message(const CommandTarget& target, const char* text) = 0;
    virtual void SetupTime(const CommandTarget& target, const char* dateTime) = 0;
    virtual void ConfigName(const CommandTarget& target, const char* password, int selector,
                            const char* name) = 0;
};

// The exports of the Ostrel library itself.
CommandExports& OstrelCommandExports();
