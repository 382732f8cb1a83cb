#include "CellDelegate.h"

#include <utility>

namespace gridmara {

CellDelegate::CellDelegate(QObject& list, PaintCell paintCell)
    : QStyledItemDelegate(&list), m_PaintCell(std::move(paintCell)) {}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    m_PaintCell(*painter, option.rect, index, option.state.testFlag(QStyle::State_Selected));
}

} // namespace gridmara
