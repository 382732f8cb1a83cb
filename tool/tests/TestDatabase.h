#pragma once

#include <QString>

// Makes a database file at `path` from SQL text; false when the file cannot be made or the SQL fails.
bool createDatabase(const QString& path, const char* sql);

// A file of the working folder that the build prepares.
QString builtWorkFile(const QString& relativePath);
