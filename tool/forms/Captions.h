#pragma once

#include "language/TextTable.h"

#include <vector>

class Prompter;
class QWidget;

// The controls of a window that show a text of its text table, each under the key of its text, so that
// the window shows them in its template's texts and again in the language of its table.
class Captions {
public:
    // `widget` shows its text as a group box's title, as a label's or a button's text (push button, radio
    // button, check box), or as a window's title.
    void add(const char* key, QWidget* widget);

    void apply(const TextTable& texts) const;

    // The texts a window loaded, and whether they came from its language database.
    struct Loaded {
        TextTable texts;
        bool fromDatabase;
    };

    // How every window loads its texts: shows the captions in the Chinese fallbacks of `keys`, then reads
    // their table from the language database at `languageDatabasePath` and shows them in its texts. When
    // the table cannot be read (the user has been told) the captions keep the fallbacks, which are returned.
    Loaded load(const QString& languageDatabasePath, const TextTableKeys& keys, Prompter& prompter) const;

private:
    struct Caption {
        const char* key;
        QWidget* widget;
    };

    std::vector<Caption> m_captions;
};
