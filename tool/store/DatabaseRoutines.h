#pragma once

#include <QString>

class CAdoConnection;
class CAdoRecordSet;
class Prompter;

// How opening a table turned out. Callers read rows only on Rows; an empty table and a failed open both
// lead to the same nothing-to-read path.
enum class OpenTableResult { Rows = 0, Empty = 1, Failed = 2 };

// Connects to the database file at `path` (relative to the working folder). On failure the user is told
// "连接数据库失败" followed by the path, and the result is false.
bool ConnectDatabase(CAdoConnection& connection, const QString& path, Prompter& prompter);

// Opens a SELECT on a record set that is already bound to a connection. A failed open tells the user
// "打开数据库表失败" followed by the statement; an empty result is silent.
OpenTableResult OpenTable(CAdoRecordSet& records, const QString& statement, Prompter& prompter);
