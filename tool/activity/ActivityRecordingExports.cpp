#include "activity/ActivityRecordingExports.h"

#include <QDateTime>

ActivityRecordingExports::ActivityRecordingExports(CommandExports& exports, ActivityLog& log)
    : m_exports(exports), m_log(log) {}

QueuedFrame ActivityRecordingExports::TerminalControl(const CommandTarget& target, const char* password,
                                                      int action, int zone) {
    return Recorded(m_exports.TerminalControl(target, password, action, zone), target,
                    OSTREL_COMMAND_TERMINAL_CONTROL);
}

QueuedFrame ActivityRecordingExports::SingleOutput(const CommandTarget& target, int output, int outputState,
                                                   int thirdValue) {
    return Recorded(m_exports.SingleOutput(target, output, outputState, thirdValue), target,
                    OSTREL_COMMAND_SINGLE_OUTPUT);
}

QueuedFrame ActivityRecordingExports::SingleLight(const CommandTarget& target, int lamp, int lampState) {
    return Recorded(m_exports.SingleLight(target, lamp, lampState), target, OSTREL_COMMAND_SINGLE_LIGHT);
}

QueuedFrame ActivityRecordingExports::BuzzerControl(const CommandTarget& target, int totalTime,
                                                    int soundingTime, int pauseTime) {
    return Recorded(m_exports.BuzzerControl(target, totalTime, soundingTime, pauseTime), target,
                    OSTREL_COMMAND_BUZZER_CONTROL);
}

QueuedFrame ActivityRecordingExports::LcdDisplay(const CommandTarget& target, int argument,
                                                 const char* text) {
    return Recorded(m_exports.LcdDisplay(target, argument, text), target, OSTREL_COMMAND_LCD_DISPLAY);
}

QueuedFrame ActivityRecordingExports::LcdClean(const CommandTarget& target) {
    return Recorded(m_exports.LcdClean(target), target, OSTREL_COMMAND_LCD_CLEAN);
}

QueuedFrame ActivityRecordingExports::Message(const CommandTarget& target, const char* text) {
    return Recorded(m_exports.Message(target, text), target, OSTREL_COMMAND_MESSAGE);
}

QueuedFrame ActivityRecordingExports::SetupTime(const CommandTarget& target, const char* dateTime) {
    return Recorded(m_exports.SetupTime(target, dateTime), target, OSTREL_COMMAND_SETUP_TIME);
}

QueuedFrame ActivityRecordingExports::ConfigName(const CommandTarget& target, const char* password,
                                                 int selector, const char* name) {
    return Recorded(m_exports.ConfigName(target, password, selector, name), target,
                    OSTREL_COMMAND_CONFIG_NAME);
}

QueuedFrame ActivityRecordingExports::ConfigFunction(const CommandTarget& target, const char* password,
                                                     int firstByte, int secondByte, const char* data,
                                                     int mode) {
    return Recorded(m_exports.ConfigFunction(target, password, firstByte, secondByte, data, mode), target,
                    OSTREL_COMMAND_CONFIG_FUNCTION, firstByte, secondByte);
}

QueuedFrame ActivityRecordingExports::Recorded(QueuedFrame frame, const CommandTarget& target,
                                               int commandCode, int masterCode, int subCode) {
    m_log.Record(frame, {target.port, target.addressA, target.addressB, commandCode, masterCode, subCode},
                 QDateTime::currentDateTime());
    return frame;
}
