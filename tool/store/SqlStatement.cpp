#include "store/SqlStatement.h"

#include <QtGlobal>
#include <cstring>

QString sql_statement_detail::format(const char* format, std::initializer_list<Value> values) {
    QString statement;
    auto value = values.begin();
    auto next = [&](bool text) -> const Value& {
        if (value == values.end() || (value->text != nullptr) != text)
            qFatal("SqlStatement: the values do not match \"%s\"", format);
        return *value++;
    };
    const char* literal = format;
    for (const char* at = std::strchr(format, '%'); at != nullptr; at = std::strchr(literal, '%')) {
        statement += QString::fromUtf8(literal, at - literal);
        const char* conversion = at + 1;
        if (*conversion == '%') {
            statement += QLatin1Char('%');
        } else if (*conversion == 'q') {
            statement += QString(*next(true).text).replace(QLatin1Char('\''), QLatin1String("''"));
        } else if (*conversion == 'd') {
            statement += QString::number(next(false).number);
        } else if (std::strncmp(conversion, "lld", 3) == 0) {
            statement += QString::number(next(false).number);
            conversion += 2;
        } else {
            qFatal("SqlStatement: \"%s\" has a conversion other than %%d, %%lld, %%q and %%%%", format);
        }
        literal = conversion + 1;
    }
    statement += QString::fromUtf8(literal);
    if (value != values.end())
        qFatal("SqlStatement: \"%s\" has fewer conversions than values", format);
    return statement;
}
