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
