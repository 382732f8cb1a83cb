#include "TestDatabase.h"

#include <QFile>
#include <sqlite3.h>

bool createDatabase(const QString& path, const char* sql) {
    sqlite3* database = nullptr;
    bool made = sqlite3_open_v2(QFile::encodeName(path).constData(), &database,
                                SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    made = made && sqlite3_exec(database, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(database);
    return made;
}

QString builtWorkFile(const QString& relativePath) {
    return QStringLiteral(TARVEX_WORK_DIR "/") + relativePath;
}
