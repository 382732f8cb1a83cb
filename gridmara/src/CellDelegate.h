#pragma once

#include <QStyledItemDelegate>
#include <functional>

namespace gridmara {

// Hands the painting of every cell to its list, which owns the colours: the list is given the cell's
// rectangle, its index and whether its row is selected.
class CellDelegate final : public QStyledItemDelegate {
public:
    using PaintCell =
        std::function<void(QPainter& painter, const QRect& cell, const QModelIndex& index, bool selected)>;

    CellDelegate(QObject& list, PaintCell paintCell);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    PaintCell m_PaintCell;
};

} // namespace gridmara
