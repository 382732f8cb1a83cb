#include "basectrl/GbkByteLimitValidator.h"

#include "basectrl/GbkText.h"

GbkByteLimitValidator::GbkByteLimitValidator(int byteLimit, QObject* parent)
    : QValidator(parent), m_byteLimit(byteLimit) {}

QValidator::State GbkByteLimitValidator::validate(QString& input, int&) const {
    const GbkText encoded = GbkText::encode(input);
    return encoded.complete && encoded.bytes.size() <= m_byteLimit ? Acceptable : Invalid;
}
