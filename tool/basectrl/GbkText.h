#pragma once

#include <QByteArray>
#include <QString>

// Text for a terminal in the terminals' character set, GBK (code page 936): one byte per ASCII
// character, two per Chinese character.
struct GbkText {
    QByteArray bytes;
    // False when some character has no GBK code (or is a zero character); each such character becomes "?".
    bool complete = true;

    static GbkText encode(const QString& text);
};
