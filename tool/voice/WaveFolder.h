#pragma once

#include <QString>
#include <QStringList>

// The voice files in Wave/ of the working folder, as the voice page lists, imports, records and deletes
// them. Every change either happens whole or is reported with its reason: a file is never half written,
// and a failure leaves the folder as it was.

inline constexpr char kWaveFolder[] = "Wave";

// The names of the .wav files (in any letter case), sorted by name without regard to case.
QStringList ListWaveFiles();

// The path of the voice file `name`, relative to the working folder.
QString WaveFilePath(const QString& name);

// Whether `path` is the very file Wave/`name` (the same file, by whatever path).
bool IsWaveFile(const QString& path, const QString& name);

// Copies the file at `source` to Wave/`name`, making the folder when it is missing. With `replace` an
// existing file is replaced only once the copy is complete; without it an existing file is refused.
bool CopyIntoWaveFolder(const QString& source, const QString& name, bool replace, QString& error);

// Deletes Wave/`name`.
bool DeleteWaveFile(const QString& name, QString& error);
