#include "activity/CsvFile.h"

#include <QAbstractItemModel>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>

namespace {

// Lines end as RFC 4180 has them; a line break inside a quoted field stays as it was.
constexpr char kLineEnd[] = "\r\n";

QString CsvLine(const QStringList& fields) {
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& field : fields)
        quoted.append(CsvField(field));
    return quoted.join(QLatin1Char(','));
}

} // namespace

QString CsvField(const QString& text) {
    static const QString kSpecial = QStringLiteral(",\"\r\n");
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return kSpecial.contains(c); }))
        return text;
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QByteArray CsvOf(const QAbstractItemModel& table) {
    QStringList header;
    for (int column = 0; column < table.columnCount(); ++column)
        header.append(table.headerData(column, Qt::Horizontal).toString());
    QByteArray csv = CsvLine(header).toUtf8() + kLineEnd;
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table.columnCount(); ++column)
            cells.append(table.index(row, column).data().toString());
        csv += CsvLine(cells).toUtf8() + kLineEnd;
    }
    return csv;
}

bool WriteCsvFile(const QAbstractItemModel& table, const QString& path, QString& error) {
    QSaveFile file(path);
    const QByteArray csv = CsvOf(table);
    // Unbuffered, so that a write the disk refuses fails here: left to the buffer, its failure would go
    // unnoticed by commit, which would then put an empty file in place of the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(csv) != csv.size() ||
        !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}
