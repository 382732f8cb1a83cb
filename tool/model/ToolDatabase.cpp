#include "model/ToolDatabase.h"

#include "store/AdoConnection.h"
#include "store/DatabaseRoutines.h"

#include <QFileInfo>
#include <sqlite3.h>

bool ConnectToolDatabase(CAdoConnection& connection, Prompter& prompter) {
    return ConnectDatabase(connection, QLatin1String(kToolDatabasePath), prompter);
}

ToolDatabaseFault FaultOf(const CAdoConnection& connection) {
    switch (connection.LastErrorCode()) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ToolDatabaseFault::InUse;
    case SQLITE_CANTOPEN:
        if (!QFileInfo::exists(QLatin1String(kToolDatabasePath)))
            return ToolDatabaseFault::Missing;
        return ToolDatabaseFault::Unreadable;
    default:
        return ToolDatabaseFault::Unreadable;
    }
}
