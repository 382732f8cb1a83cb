#pragma once

#include <QStyledItemDelegate>

class CGridmara;

namespace gridmara {

// Hands the painting of every cell to its list, which owns the colours.
class CellDelegate final : public QStyledItemDelegate {
public:
    explicit CellDelegate(CGridmara& list);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    CGridmara& m_List;
};

} // namespace gridmara
