#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// The records of a CSV text, each a list of its fields, read as a spreadsheet reads them: fields between
// commas, quoted ones with their quotes doubled, records ended by CR LF outside quotes.
inline QList<QStringList> csvRecords(const QString& text) {
    QList<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields.append(std::exchange(field, QString()));
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            fields.append(std::exchange(field, QString()));
            records.append(std::exchange(fields, QStringList()));
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

// A table's header and rows as it displays them, in the shape csvRecords gives.
template <typename Model> QList<QStringList> shownRecords(const Model& table) {
    QList<QStringList> rows;
    QStringList header;
    for (int column = 0; column < table.columnCount(); ++column)
        header.append(table.headerData(column, Qt::Horizontal).toString());
    rows.append(header);
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table.columnCount(); ++column)
            cells.append(table.index(row, column).data().toString());
        rows.append(cells);
    }
    return rows;
}
