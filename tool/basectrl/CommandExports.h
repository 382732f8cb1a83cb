#pragma once

#include "ostrel/ostrel.h"

#include <functional>
#include <optional>

class Prompter;
class QString;
struct TerminalEntry;

// The terminal a command is meant for, and the running context that queues it.
struct CommandTarget {
    OstrelContext* context = nullptr;
    int port = 0;
    int addressA = 0;
    int addressB = 0;
};

// The terminal of the main window's selected row (given by `selectedTerminal`, which returns null when no
// row is selected), addressed in the running `context`. None while communication is stopped (a null
// context) or without a main window (`selectedTerminal` empty), both silently; none after telling the user
// `noTerminalText` when no row is selected.
std::optional<CommandTarget>
SelectedCommandTarget(OstrelContext* context, const std::function<const TerminalEntry*()>& selectedTerminal,
                      Prompter& prompter, const QString& noTerminalText);

// The Ostrel command exports the pages call. The tool always passes header word 0. Delivery failures
// arrive as callbacks; only the programming page, which queues many commands at once, looks at whether
// Ostrel's queue took them. Texts are zero-terminated GBK. Tests put a recorder in place of Ostrel to see
// every call.
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
    // One programming value: master code `firstByte`, sub code `secondByte`, `data` sent by `mode`
    // (OSTREL_DATA_*). False when Ostrel's queue for the port was full and nothing was queued.
    virtual bool ConfigFunction(const CommandTarget& target, const char* password, int firstByte,
                                int secondByte, const char* data, int mode) = 0;
};

// The exports of the Ostrel library itself.
CommandExports& OstrelCommandExports();
