#include "terminals/TerminalTableModel.h"

#include "terminals/TerminalAddressKey.h"

#include <algorithm>

TerminalTableModel::TerminalTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void TerminalTableModel::SetStateTexts(const QString& onLine, const QString& offLine) {
    m_onLineText = onLine;
    m_offLineText = offLine;
    if (m_shownRows > 0)
        emit dataChanged(index(0, StateColumn), index(m_shownRows - 1, StateColumn));
}

void TerminalTableModel::Apply(const std::vector<TerminalChange>& changes) {
    int firstChanged = m_shownRows;
    int lastChanged = -1;
    for (const TerminalChange& change : changes) {
        const TerminalList::Applied applied =
            m_terminals.applyEvent(change.port, change.addressA, change.addressB, change.lastCode);
        // Rows this hand-over adds are shown with their newest state as they are inserted.
        if (applied.effect == TerminalList::EventEffect::StateChanged && applied.row < m_shownRows) {
            firstChanged = std::min(firstChanged, applied.row);
            lastChanged = std::max(lastChanged, applied.row);
        }
    }
    ShowNewRows();
    if (lastChanged >= 0)
        emit dataChanged(index(firstChanged, StateColumn), index(lastChanged, StateColumn));
}

TerminalList::AddResult TerminalTableModel::AddByHand(const QString& text) {
    const TerminalList::AddResult result = m_terminals.addByHand(text);
    ShowNewRows();
    return result;
}

void TerminalTableModel::Remove(int row) {
    if (row < 0 || row >= m_shownRows)
        return;
    beginRemoveRows({}, row, row);
    m_terminals.remove(row);
    --m_shownRows;
    endRemoveRows();
}

void TerminalTableModel::ShowNewRows() {
    if (m_terminals.size() == m_shownRows)
        return;
    beginInsertRows({}, m_shownRows, m_terminals.size() - 1);
    m_shownRows = m_terminals.size();
    endInsertRows();
}

int TerminalTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shownRows;
}

int TerminalTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TerminalTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_shownRows)
        return {};
    const TerminalEntry& entry = m_terminals.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == AddressColumn)
            return entry.addressText;
        return entry.onLine ? m_onLineText : m_offLineText;
    case SortRole:
        if (index.column() == AddressColumn)
            return TerminalAddressKey(entry.portNumber, entry.addressA, entry.addressB);
        return entry.onLine ? 1 : 0;
    default:
        return {};
    }
}
