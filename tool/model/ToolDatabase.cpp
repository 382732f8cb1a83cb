#include "model/ToolDatabase.h"

#include "store/DatabaseRoutines.h"

bool ConnectToolDatabase(CAdoConnection& connection, Prompter& prompter) {
    return ConnectDatabase(connection, QLatin1String(kToolDatabasePath), prompter);
}
