#pragma once

#include <QString>

class QAbstractItemModel;

// A table as comma-separated values: UTF-8, the header row first, then one line per row, each cell as the
// model displays it. A field that holds a comma, a quote or a line break is quoted, its quotes doubled.
QString CsvField(const QString& text);
QByteArray CsvOf(const QAbstractItemModel& table);

// Writes the table to `path` whole or not at all: the file appears, or an old one is replaced, only once
// every byte is on disk. False, with the system's reason in `error`, when it could not be written.
bool WriteCsvFile(const QAbstractItemModel& table, const QString& path, QString& error);
