#pragma once

#include <QValidator>

// Keeps a text box to what a terminal can take: characters that GBK can encode, and no more than
// `byteLimit` bytes once encoded, so a limit of 32 holds 32 Latin characters or 16 Chinese ones.
// Longer or unencodable input is refused as it is typed or pasted.
class GbkByteLimitValidator : public QValidator {
    Q_OBJECT
public:
    GbkByteLimitValidator(int byteLimit, QObject* parent);

    State validate(QString& input, int& position) const override;

private:
    int m_byteLimit;
};
