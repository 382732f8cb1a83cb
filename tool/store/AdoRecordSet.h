#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <optional>
#include <vector>

class CAdoConnection;

// The rows of one SELECT, held whole (a static cursor), with a current row that moves forward.
class CAdoRecordSet {
public:
    void SetAdoConnection(CAdoConnection* connection) { m_connection = connection; }

    // Runs the statement on the bound connection and keeps its result; the first row, if any, becomes
    // current. False when there is no open connection or the statement cannot run.
    bool Open(const QString& statement);

    // True when there is no current row before the first one: right after opening an empty result.
    bool IsBOF() const { return m_rows.empty(); }
    // True when the current row has moved past the last one (or there are no rows at all).
    bool IsEOF() const { return m_current >= m_rows.size(); }
    bool MoveFirst();
    bool MoveNext();

    // Read one column of the current row by its name (in any letter case). On false (no such column, no
    // current row, a value that does not convert) the output keeps what it held.
    bool GetCollect(const QString& column, QString& value) const;
    bool GetCollect(const QString& column, std::uint8_t& value) const;
    bool GetCollect(const QString& column, bool& value) const;
    bool GetCollect(const QString& column, std::int32_t& value) const;
    bool GetCollect(const QString& column, std::int64_t& value) const;

private:
    const QVariant* valueOf(const QString& column) const;
    std::optional<std::int64_t> integerOf(const QString& column) const;

    CAdoConnection* m_connection = nullptr;
    QStringList m_columns;
    std::vector<std::vector<QVariant>> m_rows;
    std::size_t m_current = 0;
};
