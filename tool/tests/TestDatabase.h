#pragma once

#include <QString>
#include <QStringList>

// A large site's models for createToolDatabase: 100 models of 60 master codes, numbered from 0, with two
// sub codes each.
inline constexpr int kLargeSiteModels = 100;
inline constexpr int kLargeSiteMasterCodes = kLargeSiteModels * 60;
inline constexpr char kLargeSite[] = R"(
    WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 99)
        INSERT INTO tb_Terminal (TerID, TerName, AdminPsw) SELECT i, 'Model ' || i, '1234' FROM n;
    WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 59)
        INSERT INTO tb_MasterCode (MasterCode, TerID, ProType, Function, lDescribe, CodeNum, Remark)
        SELECT n.i, TerID, 1, 'Function', 'Left', 2, 'Remark' FROM tb_Terminal, n ORDER BY TerID, n.i;
    INSERT INTO tb_SubCode (TerID, MasterCode, SubCode, CodeValue)
        SELECT TerID, MasterCode, SubCode, '0' || SubCode FROM tb_MasterCode, (SELECT 1 AS SubCode UNION SELECT 2)
        ORDER BY TerID, MasterCode, SubCode;
)";

// Makes a database file at `path` from SQL text; false when the file cannot be made or the SQL fails.
bool createDatabase(const QString& path, const char* sql);

// Makes a tool database at `path` with the shipped schema, holding only the models, master codes and sub
// codes that `sql` inserts (the voice prompt slots stay as shipped).
bool createToolDatabase(const QString& path, const char* sql);

// Damages the b-tree of `table` in the database file at `path`, as a failing disk does: the table's root
// page is overwritten with bytes no page holds. The schema still reads; every read that reaches the table's
// rows fails with "database disk image is malformed".
bool damageTable(const QString& path, const char* table);

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
