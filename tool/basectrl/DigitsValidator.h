#pragma once

#include <QValidator>
#include <limits>

// A box for decimal digits 0-9 only (no signs, spaces or other scripts' digits), whose number may not
// exceed `maximum`. An empty box is allowed: the send buttons report it.
class DigitsValidator : public QValidator {
    Q_OBJECT
public:
    explicit DigitsValidator(QObject* parent, qulonglong maximum = std::numeric_limits<qulonglong>::max());

    State validate(QString& input, int& position) const override;

private:
    qulonglong m_maximum;
};
