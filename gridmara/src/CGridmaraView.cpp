#include "gridmara/CGridmaraView.h"

#include "CellDelegate.h"
#include "GridLook.h"
#include "gridmara/CQvHeaderCtrl.h"

#include <QBrush>
#include <QHeaderView>
#include <algorithm>

namespace {
// Models give a cell's colour as a QColor or, as QStandardItem does, as a QBrush; a brush without a style
// (QBrush's default, black) gives none.
QColor ColourOfRole(const QVariant& value) {
    if (value.typeId() == QMetaType::QColor) {
        return value.value<QColor>();
    }
    if (value.typeId() == QMetaType::QBrush) {
        const auto brush = value.value<QBrush>();
        if (brush.style() != Qt::NoBrush) {
            return brush.color();
        }
    }
    return {};
}
} // namespace

CGridmaraView::CGridmaraView(QWidget* parent)
    : QTableView(parent), m_Look(std::make_unique<gridmara::GridLook>(*this)) {
    setItemDelegate(new gridmara::CellDelegate(
        *this, [this](QPainter& painter, const QRect& cell, const QModelIndex& index, bool selected) {
            DrawItem(painter, cell, index, selected);
        }));

    // The header keeps a column's width only while the model has the column: a new model, or one reset to no
    // columns and back, gets the view's widths again.
    connect(&m_Look->Header(), &QHeaderView::sectionCountChanged, this, [this] { ApplyColumnWidths(); });

    // Rows keep the model's order until a header is clicked; the first click on a column sorts it ascending.
    m_Look->Header().setSectionsClickable(true);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
}

CGridmaraView::~CGridmaraView() = default;

const CQvHeaderCtrl& CGridmaraView::Header() const {
    return m_Look->Header();
}

int CGridmaraView::RowHeight() const {
    return m_Look->RowHeight();
}

int CGridmaraView::InsertColumn(int column, const QString& caption, int format, int width) {
    if (column < 0) {
        return -1;
    }
    const int position = std::min(column, m_Look->Header().CaptionCount());
    m_Look->InsertCaption(position, caption, format);
    m_ColumnWidths.insert(m_ColumnWidths.begin() + position, width);
    ApplyColumnWidths();
    return position;
}

void CGridmaraView::ApplyColumnWidths() {
    QHeaderView& header = m_Look->Header();
    const int columns = std::min(header.count(), static_cast<int>(m_ColumnWidths.size()));
    for (int column = 0; column < columns; ++column) {
        const int width = m_ColumnWidths[static_cast<std::size_t>(column)];
        header.resizeSection(column, width >= 0 ? width : header.defaultSectionSize());
    }
}

void CGridmaraView::SetHeaderBKColor(int red, int green, int blue, int step) {
    m_Look->Header().SetBkColor(red, green, blue, step);
}

void CGridmaraView::SetHeaderHeight(float factor) {
    m_Look->Header().SetHeightScale(factor);
    updateGeometries();
}

void CGridmaraView::SetHeaderFontHW(int height, int width) {
    m_Look->Header().SetFontHW(height, width);
}

void CGridmaraView::SetHeaderTextColor(const QColor& colour) {
    m_Look->Header().SetTextColor(colour);
}

bool CGridmaraView::SetTextColor(const QColor& colour) {
    return m_Look->SetTextColor(colour);
}

void CGridmaraView::SetFontHW(int height, int width) {
    m_Look->SetFontHW(height, width);
}

void CGridmaraView::SetRowHeigt(int height) {
    m_Look->SetRowHeight(height);
}

void CGridmaraView::SetColColor(int column, const QColor& colour) {
    m_Look->SetColColor(column, colour);
}

void CGridmaraView::SetColTextColor(int column, const QColor& colour) {
    m_Look->SetColTextColor(column, colour);
}

bool CGridmaraView::FindColColor(int column, QColor& colour) const {
    return m_Look->FindColColor(column, colour);
}

bool CGridmaraView::FindColTextColor(int column, QColor& colour) const {
    return m_Look->FindColTextColor(column, colour);
}

int CGridmaraView::GetFirstSelectedRow() const {
    return m_Look->FirstSelectedRow();
}

void CGridmaraView::DrawItem(QPainter& painter, const QRect& cell, const QModelIndex& index,
                             bool selected) const {
    const gridmara::CellColours own{ColourOfRole(index.data(Qt::BackgroundRole)),
                                    ColourOfRole(index.data(Qt::ForegroundRole))};
    m_Look->DrawCell(painter, cell, index.column(), index.data(Qt::DisplayRole).toString(), own, selected);
}
