#pragma once

#include <QString>
#include <QStringList>

// Makes a database file at `path` from SQL text; false when the file cannot be made or the SQL fails.
bool createDatabase(const QString& path, const char* sql);

// Makes a tool database at `path` with the shipped schema, holding only the models, master codes and sub
// codes that `sql` inserts (the voice prompt slots stay as shipped).
bool createToolDatabase(const QString& path, const char* sql);

// The rows of a query on the database at `path`, each as its columns joined by "|" (NULL as empty).
QStringList queryRows(const QString& path, const char* sql);

// A file of the working folder that the build prepares.
QString builtWorkFile(const QString& relativePath);

// Copies the build's sound files into the current working folder: the signal tones sWav/0.wav to 9.wav and
// the sample voice files Welcome.wav, Armed.wav and Disarmed.wav of Wave/.
bool copyBuiltSoundFiles();

// Fills the current working folder as a first start finds it: the language databases, the shipped defaults
// and the tool database as their copy, and a Language.ini choosing `language` ("English" or "Chinese").
bool prepareWorkingFolder(const char* language);
