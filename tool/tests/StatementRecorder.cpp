#include "StatementRecorder.h"

#include <QRegularExpression>
#include <cassert>
#include <sqlite3.h>

namespace {

StatementRecorder* recorder = nullptr;

int traceStatement(unsigned, void*, void*, void* text) {
    static const QRegularExpression change(QStringLiteral("^\\s*(INSERT|UPDATE|DELETE)\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QString statement = QString::fromUtf8(static_cast<const char*>(text));
    if (recorder != nullptr && change.match(statement).hasMatch())
        recorder->changes.append(statement);
    return 0;
}

// Runs for every connection as it opens.
int watchConnection(sqlite3* database, const char**, const sqlite3_api_routines*) {
    if (recorder != nullptr)
        ++recorder->connections;
    sqlite3_trace_v2(database, SQLITE_TRACE_STMT, traceStatement, nullptr);
    return SQLITE_OK;
}

void (*entryPoint())() {
    return reinterpret_cast<void (*)()>(watchConnection);
}

} // namespace

StatementRecorder::StatementRecorder() {
    assert(recorder == nullptr);
    recorder = this;
    sqlite3_auto_extension(entryPoint());
}

StatementRecorder::~StatementRecorder() {
    sqlite3_cancel_auto_extension(entryPoint());
    recorder = nullptr;
}
