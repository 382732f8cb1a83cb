#pragma once

#include <QString>
#include <cstdint>

struct sqlite3;

// One open connection to one database file. Every operation makes its own, connects, works and lets it
// go; no connection lives between user actions.
class CAdoConnection {
public:
    CAdoConnection() = default;
    ~CAdoConnection();
    CAdoConnection(const CAdoConnection&) = delete;
    CAdoConnection& operator=(const CAdoConnection&) = delete;

    // Opens an existing database file. A missing file, or a file that is not a database, is a failed
    // connect: nothing is ever created.
    bool ConnectAccess(const QString& path);
    void Close();

    // Runs exactly one INSERT, UPDATE or DELETE statement (Access's "DELETE * FROM" is understood);
    // text that follows the first statement is refused, so a value can never smuggle in a second one, and
    // so is a statement with a value the database cannot hold as it is (see PreparedStatement).
    bool Execute(const QString& statement);

    // Why the last Execute refused its statement unseen; else the database's own words about the last
    // statement that failed, or about the connect that failed.
    QString LastError() const;
    // SQLite's result code (the primary one) of the same failure: tells a file another program holds
    // (SQLITE_BUSY) from a damaged one (SQLITE_CORRUPT, SQLITE_NOTADB), say.
    int LastErrorCode() const;
    // True when the file could only be opened for reading: every change will fail.
    bool IsReadOnly() const;
    // How many rows the last INSERT, UPDATE or DELETE changed.
    int RowsChanged() const;
    // The row the last successful INSERT wrote.
    std::int64_t LastInsertRowId() const;

    bool IsOpen() const { return m_database != nullptr; }
    sqlite3* Handle() const { return m_database; }

private:
    sqlite3* m_database = nullptr;
    // Why the last connect failed; the open connection answers for itself.
    int m_connectErrorCode = 0;
    QString m_connectError;
    // Why the last Execute refused its statement before the database saw it; empty when it did not.
    QString m_refusal;
};
