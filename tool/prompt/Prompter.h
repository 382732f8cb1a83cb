#pragma once

#include <QString>

// Every message box and file question of the tool goes through this interface, so the texts shown and the
// answers given are one place to look at, and tests can read the one and choose the other.
class Prompter {
public:
    virtual ~Prompter() = default;

    // A plain message: the text, an OK button, no icon.
    virtual void inform(const QString& text) = 0;

    // A question with OK and Cancel: true when the user chose OK.
    virtual bool confirm(const QString& text, const QString& caption) = 0;

    // Where to save a new file: `caption` above the question, `suggestedPath` offered first, `filter` the
    // kinds of file listed ("CSV (*.csv)"). The path chosen, or the empty text when the user cancelled.
    virtual QString askSavePath(const QString& caption, const QString& suggestedPath,
                                const QString& filter) = 0;
};
