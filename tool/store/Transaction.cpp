#include "store/Transaction.h"

#include "store/AdoConnection.h"

#include <sqlite3.h>

namespace {

bool Run(CAdoConnection& connection, const char* statement) {
    return connection.IsOpen() &&
           sqlite3_exec(connection.Handle(), statement, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

Transaction::Transaction(CAdoConnection& connection)
    : m_connection(connection), m_begun(Run(connection, "BEGIN IMMEDIATE")) {}

Transaction::~Transaction() {
    if (m_begun && !m_committed)
        Run(m_connection, "ROLLBACK");
}

bool Transaction::Commit() {
    m_committed = m_begun && Run(m_connection, "COMMIT");
    return m_committed;
}
