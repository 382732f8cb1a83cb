#pragma once

#include <QString>

class CAdoConnection;
class Prompter;

// The tool database, read at start and written on every change, and its shipped copy; both relative to
// the working folder.
inline constexpr char kToolDatabasePath[] = "DB/VaZeraVI.mdb";
inline constexpr char kDefaultDatabasePath[] = "DB/Default.mdb";

// Connects to the tool database; a failure tells the user "连接数据库失败" with the path.
bool ConnectToolDatabase(CAdoConnection& connection, Prompter& prompter);

// Why the tool database cannot be used, judged by the last failure of a connection to it.
enum class ToolDatabaseFault {
    Missing,   // there is no file at its path
    InUse,     // another program holds it, longer than a statement waits
    Unreadable // any other failure: a damaged file, a file that is no database, a folder in its place
};
ToolDatabaseFault FaultOf(const CAdoConnection& connection);
