#include "gridmara/CGridmara.h"

#include "CellDelegate.h"
#include "ColourEntries.h"
#include "GridLook.h"
#include "gridmara/CQvHeaderCtrl.h"

#include <QHeaderView>
#include <algorithm>

using gridmara::ColourEntries;

CGridmara::CGridmara(QWidget* parent)
    : QTableWidget(parent), m_Look(std::make_unique<gridmara::GridLook>(*this)),
      m_ItemColors(std::make_unique<ColourEntries>()), m_ItemTextColors(std::make_unique<ColourEntries>()) {
    setItemDelegate(new gridmara::CellDelegate(
        *this, [this](QPainter& painter, const QRect& cell, const QModelIndex& index, bool selected) {
            DrawItem(painter, cell, index.row(), index.column(), selected);
        }));

    // Rows inserted or removed above the cell being edited would send its text to another row.
    connect(model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int) { EndEditIfRowsShift(first); });
    connect(model(), &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int) { EndEditIfRowsShift(first); });
}

CGridmara::~CGridmara() = default;

const CQvHeaderCtrl& CGridmara::Header() const {
    return m_Look->Header();
}

int CGridmara::RowHeight() const {
    return m_Look->RowHeight();
}

int CGridmara::InsertColumn(int column, const QString& caption, int format, int width) {
    if (column < 0) {
        return -1;
    }
    const int position = std::min(column, columnCount());
    m_Look->InsertCaption(position, caption, format);
    insertColumn(position);
    setHorizontalHeaderItem(position, new QTableWidgetItem(caption));
    if (width >= 0) {
        setColumnWidth(position, width);
    }
    return position;
}

void CGridmara::SetHeaderBKColor(int red, int green, int blue, int step) {
    m_Look->Header().SetBkColor(red, green, blue, step);
}

void CGridmara::SetHeaderHeight(float factor) {
    m_Look->Header().SetHeightScale(factor);
    updateGeometries();
}

void CGridmara::SetHeaderFontHW(int height, int width) {
    m_Look->Header().SetFontHW(height, width);
}

void CGridmara::SetHeaderTextColor(const QColor& colour) {
    m_Look->Header().SetTextColor(colour);
}

bool CGridmara::SetTextColor(const QColor& colour) {
    return m_Look->SetTextColor(colour);
}

void CGridmara::SetFontHW(int height, int width) {
    m_Look->SetFontHW(height, width);
}

void CGridmara::SetRowHeigt(int height) {
    m_Look->SetRowHeight(height);
}

void CGridmara::MeasureItem(int& itemHeight) const {
    m_Look->MeasureItem(itemHeight);
}

void CGridmara::SetColColor(int column, const QColor& colour) {
    m_Look->SetColColor(column, colour);
}

void CGridmara::SetColTextColor(int column, const QColor& colour) {
    m_Look->SetColTextColor(column, colour);
}

void CGridmara::SetItemColor(int column, int row, const QColor& colour) {
    if (m_ItemColors->Append(column, row, colour)) {
        viewport()->update();
    }
}

void CGridmara::SetItemTextColor(int column, int row, const QColor& colour) {
    if (m_ItemTextColors->Append(column, row, colour)) {
        viewport()->update();
    }
}

void CGridmara::SetRowTextColor(int row, const QColor& colour) {
    for (int column = 0; column < columnCount(); ++column) {
        SetItemTextColor(column, row, colour);
    }
}

bool CGridmara::FindColColor(int column, QColor& colour) const {
    return m_Look->FindColColor(column, colour);
}

bool CGridmara::FindColTextColor(int column, QColor& colour) const {
    return m_Look->FindColTextColor(column, colour);
}

bool CGridmara::FindItemColor(int column, int row, QColor& colour) const {
    return m_ItemColors->Find(column, row, colour);
}

bool CGridmara::FindItemTextColor(int column, int row, QColor& colour) const {
    return m_ItemTextColors->Find(column, row, colour);
}

int CGridmara::InsertItemToEnd(const QString& text) {
    const int row = rowCount();
    insertRow(row);
    setItem(row, 0, new QTableWidgetItem(text));
    return row;
}

bool CGridmara::DeleteAllItems() {
    setRowCount(0);
    return true;
}

bool CGridmara::IsCell(int row, int column) const {
    return row >= 0 && row < rowCount() && column >= 0 && column < columnCount();
}

QString CGridmara::GetItemText(int row, int column) const {
    const QTableWidgetItem* cell = IsCell(row, column) ? item(row, column) : nullptr;
    return cell != nullptr ? cell->text() : QString();
}

bool CGridmara::SetItemText(int row, int column, const QString& text) {
    if (!IsCell(row, column)) {
        return false;
    }
    if (QTableWidgetItem* cell = item(row, column)) {
        cell->setText(text);
    } else {
        setItem(row, column, new QTableWidgetItem(text));
    }
    return true;
}

int CGridmara::GetFirstSelectedRow() const {
    return m_Look->FirstSelectedRow();
}

void CGridmara::DrawItem(QPainter& painter, const QRect& cell, int row, int column, bool selected) const {
    gridmara::CellColours own;
    FindItemColor(column, row, own.background);
    FindItemTextColor(column, row, own.text);
    m_Look->DrawCell(painter, cell, column, GetItemText(row, column), own, selected);
}
