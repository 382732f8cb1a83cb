#pragma once

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

// Replaces the text of `box` as a user types it, one character at a time: ASCII on the keyboard, anything
// else committed by an input method, the way Chinese text arrives.
inline void typeIntoBox(QLineEdit* box, const QString& text) {
    box->clear();
    for (const char32_t character : text.toStdU32String()) {
        if (character < 0x80) {
            QTest::keyClick(box, static_cast<char>(character));
            continue;
        }
        QInputMethodEvent commit;
        commit.setCommitString(QString::fromUcs4(&character, 1));
        QCoreApplication::sendEvent(box, &commit);
    }
}
