#include "language/TextTable.h"

#include "store/AdoConnection.h"
#include "store/AdoRecordSet.h"
#include "store/DatabaseRoutines.h"

#include <QtGlobal>

TextTable::TextTable(const TextTableKeys& keys) : m_keys(keys) {
    m_texts.reserve(keys.keys.size());
    for (const TextKey& key : keys.keys)
        m_texts.push_back(QString::fromUtf8(key.chinese));
}

TextTable TextTable::chinese(const TextTableKeys& keys) {
    return TextTable(keys);
}

std::optional<TextTable> TextTable::read(const QString& databasePath, const TextTableKeys& keys,
                                         Prompter& prompter) {
    CAdoConnection connection;
    if (!ConnectDatabase(connection, databasePath, prompter))
        return std::nullopt;
    CAdoRecordSet records;
    records.SetAdoConnection(&connection);
    const QString statement = QStringLiteral("SELECT * FROM ") + QLatin1String(keys.table);
    if (OpenTable(records, statement, prompter) != OpenTableResult::Rows)
        return std::nullopt;
    TextTable table(keys);
    for (std::size_t index = 0; index < keys.keys.size(); ++index)
        records.GetCollect(QLatin1String(keys.keys[index].key), table.m_texts[index]);
    return table;
}

QString TextTable::text(std::string_view key) const {
    for (std::size_t index = 0; index < m_keys.keys.size(); ++index) {
        if (key == m_keys.keys[index].key)
            return m_texts[index];
    }
    Q_ASSERT_X(false, "TextTable::text", "a key of another table");
    return {};
}
