#include "basectrl/DigitsValidator.h"

#include <algorithm>

DigitsValidator::DigitsValidator(QObject* parent, qulonglong maximum)
    : QValidator(parent), m_maximum(maximum) {}

QValidator::State DigitsValidator::validate(QString& input, int&) const {
    if (input.isEmpty())
        return Acceptable;
    const bool digitsOnly =
        std::all_of(input.cbegin(), input.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    bool converted = false;
    const qulonglong value = digitsOnly ? input.toULongLong(&converted) : 0;
    return converted && value <= m_maximum ? Acceptable : Invalid;
}
