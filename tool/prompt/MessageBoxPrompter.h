#pragma once

#include "prompt/Prompter.h"

// The prompter of the running tool: modal message boxes and file dialogs over the active window.
class MessageBoxPrompter : public Prompter {
public:
    void inform(const QString& text) override;
    bool confirm(const QString& text, const QString& caption) override;
    QString askSavePath(const QString& caption, const QString& suggestedPath, const QString& filter) override;
};
