#include "model/RisingDigitValues.h"

#include "model/ZeroFill.h"

#include <algorithm>

namespace {

// The leading decimal digits of a text without leading zeros; "0" when there are none.
QString DecimalNumber(const QString& text) {
    const auto end = std::find_if(text.cbegin(), text.cend(), [](QChar c) { return c < u'0' || c > u'9'; });
    const auto begin = std::find_if(text.cbegin(), end, [](QChar c) { return c != u'0'; });
    return begin == end ? QStringLiteral("0") : QString(begin, end - begin);
}

// The sum of two decimal numbers as DecimalNumber gives them. Values are added digit by digit: a step of
// 16 digits over hundreds of rows outgrows 64 bits, and a master code may have that many digits.
QString AddDecimal(const QString& left, const QString& right) {
    QString sum;
    int carry = 0;
    for (qsizetype l = left.size() - 1, r = right.size() - 1; l >= 0 || r >= 0 || carry > 0; --l, --r) {
        const int digit = carry + (l >= 0 ? left[l].digitValue() : 0) + (r >= 0 ? right[r].digitValue() : 0);
        sum.prepend(QChar(u'0' + digit % 10));
        carry = digit / 10;
    }
    return sum;
}

} // namespace

std::optional<QStringList> RisingDigitValues(const QString& first, const QString& step, int count,
                                             int digits) {
    const QString increment = DecimalNumber(step);
    QStringList values;
    QString value = DecimalNumber(first);
    for (int index = 0; index < count; ++index) {
        if (index > 0)
            value = AddDecimal(value, increment);
        values.append(value);
    }
    if (!values.isEmpty() && values.last().size() > digits)
        return std::nullopt;
    for (QString& each : values)
        ZeroFill(each, digits);
    return values;
}
