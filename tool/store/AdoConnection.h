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
    // text that follows the first statement is refused, so a value can never smuggle in a second one.
    bool Execute(const QString& statement);

    // The database's own words about the last statement that failed.
    QString LastError() const;
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
};
