#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <algorithm>
#include <climits>

// A terminal list as the tool's main window keeps one: a row per terminal address, 1.1 to 255.255 for a whole
// UDP address space, with an address and a state column. Addresses sort by number through kSortRole (as text
// "1.10" would come before "1.2"). It remembers the lowest and the highest row a view
// asked about, so a test can tell that a view reads only the rows it shows.
class AddressModel final : public QAbstractTableModel {
public:
    static constexpr int kAddressSpace = 255 * 255;
    enum Column { kAddress, kState, kColumns };
    // The address as a number, for a proxy's setSortRole.
    static constexpr int kSortRole = Qt::UserRole;

    static QString Address(int row) { return QStringLiteral("%1.%2").arg(row / 255 + 1).arg(row % 255 + 1); }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_Rows; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kColumns; }

    QVariant data(const QModelIndex& index, int role) const override {
        m_LowestRowAsked = std::min(m_LowestRowAsked, index.row());
        m_HighestRowAsked = std::max(m_HighestRowAsked, index.row());
        if (role == Qt::DisplayRole) {
            return index.column() == kAddress ? Address(index.row()) : QStringLiteral("on line");
        }
        if (role == kSortRole) {
            return index.row();
        }
        if (role == Qt::BackgroundRole && index.row() == m_MarkedRow) {
            return m_MarkColour;
        }
        return {};
    }

    // Appends the rows in one insertion.
    void Append(int rows) {
        beginInsertRows({}, m_Rows, m_Rows + rows - 1);
        m_Rows += rows;
        endInsertRows();
    }

    // A row the model colours itself, as the tool marks a terminal by its state.
    void Mark(int row, const QColor& colour) {
        m_MarkedRow = row;
        m_MarkColour = colour;
        emit dataChanged(index(row, 0), index(row, kColumns - 1), {Qt::BackgroundRole});
    }

    // INT_MAX and -1 while no row was asked about.
    int LowestRowAsked() const { return m_LowestRowAsked; }
    int HighestRowAsked() const { return m_HighestRowAsked; }
    void ForgetRowsAsked() {
        m_LowestRowAsked = INT_MAX;
        m_HighestRowAsked = -1;
    }

private:
    int m_Rows = 0;
    int m_MarkedRow = -1;
    QColor m_MarkColour;
    mutable int m_LowestRowAsked = INT_MAX;
    mutable int m_HighestRowAsked = -1;
};
