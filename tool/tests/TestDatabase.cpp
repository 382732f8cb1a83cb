#include "TestDatabase.h"

#include <QDir>
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

bool createToolDatabase(const QString& path, const char* sql) {
    return QFile::copy(builtWorkFile(QStringLiteral("DB/Default.mdb")), path) &&
           QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner) &&
           createDatabase(path,
                          "DELETE FROM tb_SubCode; DELETE FROM tb_MasterCode; DELETE FROM tb_Terminal;") &&
           createDatabase(path, sql);
}

bool damageTable(const QString& path, const char* table) {
    const QStringList pageSize = queryRows(path, "PRAGMA page_size");
    const QStringList rootPage =
        queryRows(path, QByteArray("SELECT rootpage FROM sqlite_master WHERE type = 'table' AND name = '") +
                            table + "'");
    if (pageSize.size() != 1 || rootPage.size() != 1 || rootPage[0].toInt() < 2)
        return false;
    const qint64 size = pageSize[0].toInt();
    QFile file(path);
    return size > 0 && file.open(QIODevice::ReadWrite) && file.seek((rootPage[0].toInt() - 1) * size) &&
           file.write(QByteArray(size, char(0xFF))) == size;
}

QStringList queryRows(const QString& path, const char* sql) {
    QStringList rows;
    sqlite3* database = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &database, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK &&
        sqlite3_prepare_v2(database, sql, -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList columns;
            for (int column = 0; column < sqlite3_column_count(statement); ++column)
                columns.append(
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column))));
            rows.append(columns.join(QLatin1Char('|')));
        }
    } else {
        rows.append(QStringLiteral("query failed: ") + QString::fromUtf8(sqlite3_errmsg(database)));
    }
    sqlite3_finalize(statement);
    sqlite3_close_v2(database);
    return rows;
}

QString builtWorkFile(const QString& relativePath) {
    return QStringLiteral(TARVEX_WORK_DIR "/") + relativePath;
}

bool copyBuiltSoundFiles() {
    QStringList files;
    for (int digit = 0; digit < 10; ++digit)
        files << QStringLiteral("sWav/%1.wav").arg(digit);
    files << QStringLiteral("Wave/Welcome.wav") << QStringLiteral("Wave/Armed.wav")
          << QStringLiteral("Wave/Disarmed.wav");
    if (!QDir().mkpath(QStringLiteral("sWav")) || !QDir().mkpath(QStringLiteral("Wave")))
        return false;
    for (const QString& file : files)
        if (!QFile::copy(builtWorkFile(file), file))
            return false;
    return true;
}

bool prepareWorkingFolder(const char* language) {
    for (const QString& name : {QStringLiteral("DB/Chinese.mdb"), QStringLiteral("DB/English.mdb"),
                                QStringLiteral("DB/Default.mdb")})
        if (!QFile::copy(builtWorkFile(name), name))
            return false;
    if (!QFile::copy(QStringLiteral("DB/Default.mdb"), QStringLiteral("DB/VaZeraVI.mdb")))
        return false;
    QFile ini(QStringLiteral("Language.ini"));
    const bool english = qstrcmp(language, "English") == 0;
    return ini.open(QIODevice::WriteOnly) &&
           ini.write(english ? "[Language]\nFlag=1\nName=English.mdb\n"
                             : "[Language]\nFlag=0\nName=Chinese.mdb\n") > 0;
}
