#include "store/AdoConnection.h"

#include "store/PreparedStatement.h"

#include <QFile>
#include <sqlite3.h>

namespace {

// How long a statement waits for another program that holds the file's lock.
constexpr int kBusyTimeoutMs = 2000;

} // namespace

CAdoConnection::~CAdoConnection() {
    Close();
}

bool CAdoConnection::ConnectAccess(const QString& path) {
    Close();
    m_connectErrorCode = 0;
    m_connectError.clear();
    sqlite3* database = nullptr;
    const int opened =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &database, SQLITE_OPEN_READWRITE, nullptr);
    // A lock another program holds only for a moment is waited for, from the first read on.
    sqlite3_busy_timeout(database, kBusyTimeoutMs);
    // SQLite reads the file lazily: reading its schema is what tells a database from any other file.
    if (opened != SQLITE_OK || sqlite3_exec(database, "SELECT count(*) FROM sqlite_master", nullptr, nullptr,
                                            nullptr) != SQLITE_OK) {
        m_connectErrorCode = database ? sqlite3_errcode(database) & 0xFF : SQLITE_NOMEM;
        m_connectError =
            QString::fromUtf8(database ? sqlite3_errmsg(database) : sqlite3_errstr(SQLITE_NOMEM));
        sqlite3_close_v2(database);
        return false;
    }
    m_database = database;
    return true;
}

void CAdoConnection::Close() {
    sqlite3_close_v2(m_database);
    m_database = nullptr;
}

bool CAdoConnection::Execute(const QString& statement) {
    PreparedStatement prepared(m_database, statement);
    m_refusal = prepared.refusal();
    if (!prepared.isValid())
        return false;
    int stepped;
    while ((stepped = sqlite3_step(prepared.handle())) == SQLITE_ROW) {
    }
    return stepped == SQLITE_DONE;
}

QString CAdoConnection::LastError() const {
    if (!m_refusal.isEmpty())
        return m_refusal;
    return m_database ? QString::fromUtf8(sqlite3_errmsg(m_database)) : m_connectError;
}

int CAdoConnection::LastErrorCode() const {
    return m_database ? sqlite3_errcode(m_database) & 0xFF : m_connectErrorCode;
}

bool CAdoConnection::IsReadOnly() const {
    return m_database && sqlite3_db_readonly(m_database, "main") == 1;
}

std::int64_t CAdoConnection::LastInsertRowId() const {
    return m_database ? sqlite3_last_insert_rowid(m_database) : 0;
}

int CAdoConnection::RowsChanged() const {
    return m_database ? sqlite3_changes(m_database) : 0;
}
