#include "config/ValidatedPlainTextEdit.h"

#include <QSignalBlocker>
#include <QValidator>
#include <algorithm>

ValidatedPlainTextEdit::ValidatedPlainTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    connect(this, &QPlainTextEdit::textChanged, this, &ValidatedPlainTextEdit::RefuseUnacceptableChange);
}

void ValidatedPlainTextEdit::setValidator(const QValidator* validator) {
    m_validator = validator;
}

void ValidatedPlainTextEdit::setPlainText(const QString& text) {
    m_accepted = text;
    QPlainTextEdit::setPlainText(text);
}

void ValidatedPlainTextEdit::RefuseUnacceptableChange() {
    QString text = toPlainText();
    if (text == m_accepted)
        return;
    int cursor = textCursor().position();
    if (m_validator == nullptr || m_validator->validate(text, cursor) == QValidator::Acceptable) {
        m_accepted = toPlainText();
        return;
    }
    // The cursor goes back to where the refused change began.
    const qsizetype growth = toPlainText().size() - m_accepted.size();
    const int restoredCursor =
        static_cast<int>(std::clamp<qsizetype>(textCursor().position() - growth, 0, m_accepted.size()));
    const QSignalBlocker quiet(this);
    QPlainTextEdit::setPlainText(m_accepted);
    QTextCursor restored = textCursor();
    restored.setPosition(restoredCursor);
    setTextCursor(restored);
}
