#pragma once

#include <QString>
#include <concepts>
#include <initializer_list>

// Statements are formatted as text. Text values go through %q inside quotes ('%q'), which doubles every
// quote in the value as sqlite3_mprintf does: a name such as O'Brien stays one value and cannot end the
// statement early. Every character of a value goes in as it is, none is cut or changed; a value the
// database cannot hold as it is (one with a zero character, say) is refused when the statement is prepared
// (PreparedStatement), with the reason.
//
//     SqlStatement("UPDATE tb_Sound SET WavName='%q' WHERE byOrder=%d", name, order)
//
// Conversions: %d and %lld take an integer, %q a QString, %% writes a percent sign. A format that does not
// match its values is a fault in the code: it stops the program at once.

namespace sql_statement_detail {

// One value of a statement, a text or an integer; a text is read where it lies, during the formatting.
struct Value {
    Value(const QString& value) : text(&value) {}
    template <std::integral Number> Value(Number value) : number(value) {}

    const QString* text = nullptr;
    long long number = 0;
};

QString format(const char* format, std::initializer_list<Value> values);

} // namespace sql_statement_detail

template <typename... Values> QString SqlStatement(const char* format, const Values&... values) {
    return sql_statement_detail::format(format, {sql_statement_detail::Value(values)...});
}
