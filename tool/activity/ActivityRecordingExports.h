#pragma once

#include "activity/ActivityLog.h"
#include "basectrl/CommandExports.h"

// The command exports the main window hands to every page: each command goes on to the exports behind it
// and is then recorded in the activity log with the frame it was queued as (or as not queued), so that the
// log holds every page's commands without any page knowing of it.
class ActivityRecordingExports final : public CommandExports {
public:
    ActivityRecordingExports(CommandExports& exports, ActivityLog& log);

    QueuedFrame TerminalControl(const CommandTarget& target, const char* password, int action,
                                int zone) override;
    QueuedFrame SingleOutput(const CommandTarget& target, int output, int outputState,
                             int thirdValue) override;
    QueuedFrame SingleLight(const CommandTarget& target, int lamp, int lampState) override;
    QueuedFrame BuzzerControl(const CommandTarget& target, int totalTime, int soundingTime,
                              int pauseTime) override;
    QueuedFrame LcdDisplay(const CommandTarget& target, int argument, const char* text) override;
    QueuedFrame LcdClean(const CommandTarget& target) override;
    QueuedFrame Message(const CommandTarget& target, const char* text) override;
    QueuedFrame SetupTime(const CommandTarget& target, const char* dateTime) override;
    QueuedFrame ConfigName(const CommandTarget& target, const char* password, int selector,
                           const char* name) override;
    QueuedFrame ConfigFunction(const CommandTarget& target, const char* password, int firstByte,
                               int secondByte, const char* data, int mode) override;

private:
    // Records the command and passes its frame on.
    QueuedFrame Recorded(QueuedFrame frame, const CommandTarget& target, int commandCode, int masterCode = -1,
                         int subCode = -1);

    CommandExports& m_exports;
    ActivityLog& m_log;
};
