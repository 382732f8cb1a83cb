#include "store/AdoRecordSet.h"

#include "store/AdoConnection.h"
#include "store/PreparedStatement.h"

#include <QStringDecoder>
#include <algorithm>
#include <sqlite3.h>

namespace {

// A text column as it was stored, every character of it: QString::fromUtf8 would drop a byte order mark
// that begins the value.
QString storedText(const unsigned char* text, int bytes) {
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(text, bytes));
}

QVariant columnValue(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, column));
    case SQLITE_TEXT:
        return QVariant(
            storedText(sqlite3_column_text(statement, column), sqlite3_column_bytes(statement, column)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                                   sqlite3_column_bytes(statement, column)));
    default:
        return QVariant();
    }
}

} // namespace

bool CAdoRecordSet::Open(const QString& statement) {
    m_columns.clear();
    m_rows.clear();
    m_current = 0;
    if (m_connection == nullptr)
        return false;
    PreparedStatement prepared(m_connection->Handle(), statement);
    if (!prepared.isValid())
        return false;
    sqlite3_stmt* handle = prepared.handle();
    const int columnCount = sqlite3_column_count(handle);
    for (int column = 0; column < columnCount; ++column)
        m_columns.append(QString::fromUtf8(sqlite3_column_name(handle, column)));
    int stepped;
    while ((stepped = sqlite3_step(handle)) == SQLITE_ROW) {
        std::vector<QVariant> row;
        row.reserve(static_cast<std::size_t>(columnCount));
        for (int column = 0; column < columnCount; ++column)
            row.push_back(columnValue(handle, column));
        m_rows.push_back(std::move(row));
    }
    if (stepped != SQLITE_DONE) {
        m_columns.clear();
        m_rows.clear();
        return false;
    }
    return true;
}

bool CAdoRecordSet::MoveFirst() {
    m_current = 0;
    return !m_rows.empty();
}

bool CAdoRecordSet::MoveNext() {
    if (IsEOF())
        return false;
    ++m_current;
    return true;
}

const QVariant* CAdoRecordSet::valueOf(const QString& column) const {
    if (IsEOF())
        return nullptr;
    const auto found = std::find_if(m_columns.begin(), m_columns.end(), [&column](const QString& name) {
        return name.compare(column, Qt::CaseInsensitive) == 0;
    });
    if (found == m_columns.end())
        return nullptr;
    return &m_rows[m_current][static_cast<std::size_t>(found - m_columns.begin())];
}

std::optional<std::int64_t> CAdoRecordSet::integerOf(const QString& column) const {
    const QVariant* value = valueOf(column);
    if (value == nullptr || !value->isValid())
        return std::nullopt;
    bool converted = false;
    const qlonglong integer = value->toLongLong(&converted);
    return converted ? std::optional<std::int64_t>(integer) : std::nullopt;
}

bool CAdoRecordSet::GetCollect(const QString& column, QString& value) const {
    const QVariant* stored = valueOf(column);
    if (stored == nullptr)
        return false;
    // An empty field (NULL) reads as the empty text.
    value = stored->toString();
    return true;
}

bool CAdoRecordSet::GetCollect(const QString& column, std::uint8_t& value) const {
    const auto integer = integerOf(column);
    if (integer)
        value = static_cast<std::uint8_t>(*integer);
    return integer.has_value();
}

bool CAdoRecordSet::GetCollect(const QString& column, bool& value) const {
    const auto integer = integerOf(column);
    if (integer)
        value = *integer != 0;
    return integer.has_value();
}

bool CAdoRecordSet::GetCollect(const QString& column, std::int32_t& value) const {
    const auto integer = integerOf(column);
    if (integer)
        value = static_cast<std::int32_t>(*integer);
    return integer.has_value();
}

bool CAdoRecordSet::GetCollect(const QString& column, std::int64_t& value) const {
    const auto integer = integerOf(column);
    if (integer)
        value = *integer;
    return integer.has_value();
}
