#include "CellDelegate.h"

#include "gridmara/CGridmara.h"

namespace gridmara {

CellDelegate::CellDelegate(CGridmara& list) : QStyledItemDelegate(&list), m_List(list) {}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    m_List.DrawItem(*painter, option.rect, index.row(), index.column(),
                    option.state.testFlag(QStyle::State_Selected));
}

} // namespace gridmara
