#pragma once

#include <QString>

// Every message box of the tool goes through this interface, so the texts shown and the answers given
// are one place to look at, and tests can read the one and choose the other.
class Prompter {
public:
    virtual ~Prompter() = default;

    // A plain message: the text, an OK button, no icon.
    virtual void inform(const QString& text) = 0;

    // A question with OK and Cancel: true when the user chose OK.
    virtual bool confirm(const QString& text, const QString& caption) = 0;
};
