#pragma once

#include <QByteArray>
#include <QString>
#include <concepts>

// Statements are formatted as text, the way sqlite3_mprintf formats them. Text values go through %q
// inside quotes ('%q'), which doubles every quote in the value: a name such as O'Brien stays one value
// and cannot end the statement early.
//
//     SqlStatement("UPDATE tb_Sound SET WavName='%q' WHERE byOrder=%d", name, order)
//
// Numbers are passed as they are and must match their conversion (%d for int, %lld for long long).

namespace sql_statement_detail {

QString format(const char* format, ...);

inline QByteArray argument(const QString& text) {
    return text.toUtf8();
}
template <typename Number>
requires std::integral<Number> || std::floating_point<Number> Number argument(Number number) {
    return number;
}

inline const char* passed(const QByteArray& text) {
    return text.constData();
}
template <typename Number>
requires std::integral<Number> || std::floating_point<Number> Number passed(Number number) {
    return number;
}

} // namespace sql_statement_detail

template <typename... Values> QString SqlStatement(const char* format, const Values&... values) {
    using namespace sql_statement_detail;
    // The converted texts live until the end of this full expression, past the formatting.
    return sql_statement_detail::format(format, passed(argument(values))...);
}
