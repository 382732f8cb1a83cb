#pragma once

#include "terminals/TerminalEventQueue.h"
#include "terminals/TerminalList.h"

#include <QAbstractTableModel>
#include <vector>

// The terminals as the main window's list shows them: one row per terminal in the order they became known,
// its address and its on-line state. A hand-over of events is one insertion of the new terminals and one
// change of the rows whose state changed, however many events it carries; a sorting and filtering proxy
// sits between this model and the list.
class TerminalTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { AddressColumn, StateColumn, ColumnCount };
    // What the columns sort by: the address by port, A and B as numbers, the state off line first.
    static constexpr int SortRole = Qt::UserRole;

    explicit TerminalTableModel(QObject* parent = nullptr);

    // The texts of the two states, in the window's language.
    void SetStateTexts(const QString& onLine, const QString& offLine);

    const TerminalList& Terminals() const { return m_terminals; }

    // One hand-over of Ostrel's session.
    void Apply(const std::vector<TerminalChange>& changes);
    TerminalList::AddResult AddByHand(const QString& text);
    void Remove(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    // Shows the entries the list has gained since the rows shown.
    void ShowNewRows();

    TerminalList m_terminals;
    // The rows the model's users know of; the list's entries past them are announced by ShowNewRows.
    int m_shownRows = 0;
    QString m_onLineText;
    QString m_offLineText;
};
