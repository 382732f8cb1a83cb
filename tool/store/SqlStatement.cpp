#include "store/SqlStatement.h"

#include <cstdarg>
#include <sqlite3.h>

QString sql_statement_detail::format(const char* format, ...) {
    va_list values;
    va_start(values, format);
    char* formatted = sqlite3_vmprintf(format, values);
    va_end(values);
    const QString statement = QString::fromUtf8(formatted);
    sqlite3_free(formatted);
    return statement;
}
