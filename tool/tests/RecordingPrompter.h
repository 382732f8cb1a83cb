#pragma once

#include "prompt/Prompter.h"

#include <QStringList>

// Stands in for the message boxes: keeps every text shown and answers questions as told.
class RecordingPrompter : public Prompter {
public:
    void inform(const QString& text) override { messages.append(text); }
    bool confirm(const QString& text, const QString& caption) override {
        messages.append(caption + QLatin1String(": ") + text);
        return answer;
    }

    QStringList messages;
    bool answer = true;
};
