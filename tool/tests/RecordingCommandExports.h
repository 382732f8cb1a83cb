#pragma once

#include "basectrl/CommandExports.h"

#include <QList>
#include <QStringList>
#include <limits>

// Stands in for Ostrel's command exports: keeps every call as one line, "Command port.A.B arguments",
// texts in quotes with their bytes as sent (one Latin-1 character per byte), the contexts passed and the
// frame numbers given, which count from 1 as Ostrel's do. Programming values take room in a queue like
// Ostrel's: once `queueRoom` is used up, they are refused (and not kept in `calls`) as a full queue
// refuses them.
class RecordingCommandExports : public CommandExports {
public:
    QueuedFrame TerminalControl(const CommandTarget& t, const char* password, int action, int zone) override {
        return record(t, "TerminalControl", quoted(password), action, zone);
    }
    QueuedFrame SingleOutput(const CommandTarget& t, int output, int outputState, int thirdValue) override {
        return record(t, "SingleOutput", output, outputState, thirdValue);
    }
    QueuedFrame SingleLight(const CommandTarget& t, int lamp, int lampState) override {
        return record(t, "SingleLight", lamp, lampState);
    }
    QueuedFrame BuzzerControl(const CommandTarget& t, int totalTime, int soundingTime,
                              int pauseTime) override {
        return record(t, "BuzzerControl", totalTime, soundingTime, pauseTime);
    }
    QueuedFrame LcdDisplay(const CommandTarget& t, int argument, const char* text) override {
        return record(t, "LcdDisplay", argument, quoted(text));
    }
    QueuedFrame LcdClean(const CommandTarget& t) override { return record(t, "LcdClean"); }
    QueuedFrame Message(const CommandTarget& t, const char* text) override {
        return record(t, "Message", quoted(text));
    }
    QueuedFrame SetupTime(const CommandTarget& t, const char* dateTime) override {
        return record(t, "SetupTime", quoted(dateTime));
    }
    QueuedFrame ConfigName(const CommandTarget& t, const char* password, int selector,
                           const char* name) override {
        return record(t, "ConfigName", quoted(password), selector, quoted(name));
    }
    QueuedFrame ConfigFunction(const CommandTarget& t, const char* password, int firstByte, int secondByte,
                               const char* data, int mode) override {
        if (queueRoom == 0) {
            ++refused;
            return kNotQueued;
        }
        --queueRoom;
        return record(t, "ConfigFunction", quoted(password), firstByte, secondByte, quoted(data), mode);
    }

    QStringList calls;
    QList<OstrelContext*> contexts;
    // The frame number each call in `calls` was given.
    QList<QueuedFrame> frames;
    qsizetype queueRoom = std::numeric_limits<qsizetype>::max();
    int refused = 0;

private:
    static QString quoted(const char* text) { return QLatin1Char('"') + QString::fromLatin1(text) + '"'; }

    template <typename... Arguments>
    QueuedFrame record(const CommandTarget& t, const char* command, const Arguments&... arguments) {
        QStringList words{QLatin1String(command),
                          QStringLiteral("%1.%2.%3").arg(t.port).arg(t.addressA).arg(t.addressB)};
        (words.append(QStringLiteral("%1").arg(arguments)), ...);
        calls.append(words.join(QLatin1Char(' ')));
        contexts.append(t.context);
        frames.append(++m_lastFrame);
        return m_lastFrame;
    }

    QueuedFrame m_lastFrame = 0;
};
