#pragma once

#include "basectrl/CommandExports.h"

#include <QList>
#include <QStringList>
#include <limits>

// Stands in for Ostrel's command exports: keeps every call as one line, "Command port.A.B arguments",
// texts in quotes with their bytes as sent (one Latin-1 character per byte), and the contexts passed.
// Programming values take room in a queue like Ostrel's: once `queueRoom` is used up, they are refused
// (and not kept in `calls`) as a full queue refuses them.
class RecordingCommandExports : public CommandExports {
public:
    void TerminalControl(const CommandTarget& t, const char* password, int action, int zone) override {
        record(t, "TerminalControl", quoted(password), action, zone);
    }
    void SingleOutput(const CommandTarget& t, int output, int outputState, int thirdValue) override {
        record(t, "SingleOutput", output, outputState, thirdValue);
    }
    void SingleLight(const CommandTarget& t, int lamp, int lampState) override {
        record(t, "SingleLight", lamp, lampState);
    }
    void BuzzerControl(const CommandTarget& t, int totalTime, int soundingTime, int pauseTime) override {
        record(t, "BuzzerControl", totalTime, soundingTime, pauseTime);
    }
    void LcdDisplay(const CommandTarget& t, int argument, const char* text) override {
        record(t, "LcdDisplay", argument, quoted(text));
    }
    void LcdClean(const CommandTarget& t) override { record(t, "LcdClean"); }
    void Message(const CommandTarget& t, const char* text) override { record(t, "Message", quoted(text)); }
    void SetupTime(const CommandTarget& t, const char* dateTime) override {
        record(t, "SetupTime", quoted(dateTime));
    }
    void ConfigName(const CommandTarget& t, const char* password, int selector, const char* name) override {
        record(t, "ConfigName", quoted(password), selector, quoted(name));
    }
    bool ConfigFunction(const CommandTarget& t, const char* password, int firstByte, int secondByte,
                        const char* data, int mode) override {
        if (queueRoom == 0) {
            ++refused;
            return false;
        }
        --queueRoom;
        record(t, "ConfigFunction", quoted(password), firstByte, secondByte, quoted(data), mode);
        return true;
    }

    QStringList calls;
    QList<OstrelContext*> contexts;
    qsizetype queueRoom = std::numeric_limits<qsizetype>::max();
    int refused = 0;

private:
    static QString quoted(const char* text) { return QLatin1Char('"') + QString::fromLatin1(text) + '"'; }

    template <typename... Arguments>
    void record(const CommandTarget& t, const char* command, const Arguments&... arguments) {
        QStringList words{QLatin1String(command),
                          QStringLiteral("%1.%2.%3").arg(t.port).arg(t.addressA).arg(t.addressB)};
        (words.append(QStringLiteral("%1").arg(arguments)), ...);
        calls.append(words.join(QLatin1Char(' ')));
        contexts.append(t.context);
    }
};
