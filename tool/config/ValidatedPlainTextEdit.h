#pragma once

#include <QPlainTextEdit>
#include <QPointer>

class QValidator;

// A box of several lines that keeps to a validator the way a QLineEdit does: a change the user makes,
// typed or pasted, that the validator does not accept is refused, and the box keeps what it held.
class ValidatedPlainTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ValidatedPlainTextEdit(QWidget* parent = nullptr);

    // The box does not own the validator.
    void setValidator(const QValidator* validator);
    // Text set by the program is shown as it is, as QLineEdit::setText does.
    void setPlainText(const QString& text);

private:
    void RefuseUnacceptableChange();

    QPointer<const QValidator> m_validator;
    // What the box held after the last change it kept.
    QString m_accepted;
};
