#pragma once

#include "ostrel/ostrel.h"
#include "terminals/QueuedFrame.h"

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

// The Ostrel command exports the pages call. The tool always passes header word 0. Each returns the number
// of the frame it queued, by which the frame's outcome is found later, or kNotQueued when Ostrel's queue for
// the port was full (or Ostrel refused the call). Texts are zero-terminated GBK. The main window puts a
// recorder of every command in front of Ostrel's exports; tests put a recorder in their place.
class CommandExports {
public:
    virtual ~CommandExports() = default;

    virtual QueuedFrame TerminalControl(const CommandTarget& target, const char* password, int action,
                                        int zone) = 0;
    virtual QueuedFrame SingleOutput(const CommandTarget& target, int output, int outputState,
                                     int thirdValue) = 0;
    virtual QueuedFrame SingleLight(const CommandTarget& target, int lamp, int lampState) = 0;
    virtual QueuedFrame BuzzerControl(const CommandTarget& target, int totalTime, int soundingTime,
                                      int pauseTime) = 0;
    virtual QueuedFrame LcdDisplay(const CommandTarget& target, int argument, const char* text) = 0;
    virtual QueuedFrame LcdClean(const CommandTarget& target) = 0;
    virtual QueuedFrame Message(const CommandTarget& target, const char* text) = 0;
    virtual QueuedFrame SetupTime(const CommandTarget& target, const char* dateTime) = 0;
    virtual QueuedFrame ConfigName(const CommandTarget& target, const char* password, int selector,
                                   const char* name) = 0;
    // One programming value: master code `firstByte`, sub code `secondByte`, `data` sent by `mode`
    // (OSTREL_DATA_*).
    virtual QueuedFrame ConfigFunction(const CommandTarget& target, const char* password, int firstByte,
                                       int secondByte, const char* data, int mode) = 0;
};

// The exports of the Ostrel library itself.
CommandExports& OstrelCommandExports();
