#pragma once

#include <QFile>
#include <QString>
#include <sqlite3.h>

// Another program writing to a database: it holds the write lock for as long as it lives, while reading
// stays possible, so the tool still reads the file but a change waits for the lock and then fails.
class DatabaseWriteLock {
public:
    explicit DatabaseWriteLock(const QString& path) {
        m_locked = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_database, SQLITE_OPEN_READWRITE,
                                   nullptr) == SQLITE_OK &&
                   sqlite3_exec(m_database, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~DatabaseWriteLock() { sqlite3_close_v2(m_database); }
    DatabaseWriteLock(const DatabaseWriteLock&) = delete;
    DatabaseWriteLock& operator=(const DatabaseWriteLock&) = delete;

    bool isLocked() const { return m_locked; }

private:
    sqlite3* m_database = nullptr;
    bool m_locked = false;
};
