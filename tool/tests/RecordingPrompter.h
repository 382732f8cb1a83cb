#pragma once

#include "prompt/Prompter.h"

#include <QStringList>

// Stands in for the message boxes and file dialogs: keeps every text shown and answers questions as told.
class RecordingPrompter : public Prompter {
public:
    void inform(const QString& text) override { messages.append(text); }
    bool confirm(const QString& text, const QString& caption) override {
        messages.append(caption + QLatin1String(": ") + text);
        return answer;
    }
    // Kept apart from the messages, as "caption: suggested path (filter)".
    QString askSavePath(const QString& caption, const QString& suggestedPath,
                        const QString& filter) override {
        savePathQuestions.append(caption + QLatin1String(": ") + suggestedPath + QLatin1String(" (") +
                                 filter + QLatin1Char(')'));
        return savePath;
    }

    QStringList messages;
    bool answer = true;
    QStringList savePathQuestions;
    // The path chosen; empty: the user cancels.
    QString savePath;
};
