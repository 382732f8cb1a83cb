#pragma once

#include <QFile>
#include <QString>
#include <sqlite3.h>

// Another program writing to a database, for as long as the object lives. While it is Writing, reading
// stays possible: the tool still reads the file, but a change waits for the lock and then fails. While it
// is Committing (its changes going into the file) it holds the file exclusively, and even a read waits
// and then fails.
class DatabaseWriteLock {
public:
    enum class Stage { Writing, Committing };

    explicit DatabaseWriteLock(const QString& path, Stage stage = Stage::Writing) {
        m_locked = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_database, SQLITE_OPEN_READWRITE,
                                   nullptr) == SQLITE_OK &&
                   sqlite3_exec(m_database, stage == Stage::Writing ? "BEGIN IMMEDIATE" : "BEGIN EXCLUSIVE",
                                nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~DatabaseWriteLock() { sqlite3_close_v2(m_database); }
    DatabaseWriteLock(const DatabaseWriteLock&) = delete;
    DatabaseWriteLock& operator=(const DatabaseWriteLock&) = delete;

    bool isLocked() const { return m_locked; }

private:
    sqlite3* m_database = nullptr;
    bool m_locked = false;
};
