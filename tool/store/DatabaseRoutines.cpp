#include "store/DatabaseRoutines.h"

#include "prompt/Prompter.h"
#include "store/AdoConnection.h"
#include "store/AdoRecordSet.h"

bool ConnectDatabase(CAdoConnection& connection, const QString& path, Prompter& prompter) {
    if (connection.ConnectAccess(path))
        return true;
    prompter.inform(QStringLiteral("连接数据库失败") + path);
    return false;
}

OpenTableResult OpenTable(CAdoRecordSet& records, const QString& statement, Prompter& prompter) {
    if (!records.Open(statement)) {
        prompter.inform(QStringLiteral("打开数据库表失败") + statement);
        return OpenTableResult::Failed;
    }
    return records.IsBOF() ? OpenTableResult::Empty : OpenTableResult::Rows;
}
