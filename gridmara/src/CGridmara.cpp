#include "gridmara/CGridmara.h"

#include "AlignedText.h"
#include "CellDelegate.h"
#include "ListFont.h"
#include "gridmara/CQvHeaderCtrl.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPainter>
#include <algorithm>

using gridmara::DrawAlignedText;
using gridmara::MakeListFont;

namespace {
// Cells paint at most this many characters of their text.
constexpr qsizetype kMaxPaintedText = 255;
// Above this a row would no longer fit any screen the tool runs on.
constexpr int kMaxRowHeight = 1000;
// Column colour entries carry no row.
constexpr int kWholeColumn = -1;
const QColor kSelectionBackground(0, 0, 255);
const QColor kSelectionText(255, 255, 255);

QChar AlignCodeForFormat(int format) {
    switch (format) {
    case 0:
        return u'0';
    case 1:
        return u'2';
    default:
        return u'1';
    }
}
} // namespace

CGridmara::CGridmara(QWidget* parent) : QTableWidget(parent), m_Header(new CQvHeaderCtrl(this)) {
    setHorizontalHeader(m_Header);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_StyleRowHeight = verticalHeader()->defaultSectionSize();
    setCornerButtonEnabled(false);

    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Cells change only through the bound editors.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Grid lines are the dialog's choice (setShowGrid), as they are for any report list.
    setShowGrid(false);
    setItemDelegate(new gridmara::CellDelegate(*this));

    // Rows inserted or removed above the cell being edited would send its text to another row.
    connect(model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int) { EndEditIfRowsShift(first); });
    connect(model(), &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int) { EndEditIfRowsShift(first); });
}

CGridmara::~CGridmara() = default;

int CGridmara::InsertColumn(int column, const QString& caption, int format, int width) {
    if (column < 0) {
        return -1;
    }
    const int position = std::min(column, columnCount());
    m_Header->InsertCaption(position, caption, AlignCodeForFormat(format));
    insertColumn(position);
    setHorizontalHeaderItem(position, new QTableWidgetItem(caption));
    if (width >= 0) {
        setColumnWidth(position, width);
    }
    return position;
}

void CGridmara::SetHeaderBKColor(int red, int green, int blue, int step) {
    m_Header->SetBkColor(red, green, blue, step);
}

void CGridmara::SetHeaderHeight(float factor) {
    m_Header->SetHeightScale(factor);
    updateGeometries();
}

void CGridmara::SetHeaderFontHW(int height, int width) {
    m_Header->SetFontHW(height, width);
}

void CGridmara::SetHeaderTextColor(const QColor& colour) {
    m_Header->SetTextColor(colour);
}

bool CGridmara::SetTextColor(const QColor& colour) {
    if (!colour.isValid()) {
        return false;
    }
    m_TextColor = colour;
    viewport()->update();
    return true;
}

void CGridmara::SetFontHW(int height, int width) {
    m_FontHeight = height;
    m_FontWidth = width;
    viewport()->update();
}

void CGridmara::SetRowHeigt(int height) {
    if (height > kMaxRowHeight) {
        return;
    }
    m_RowHeight = height;
    int itemHeight = m_StyleRowHeight;
    MeasureItem(itemHeight);
    verticalHeader()->setDefaultSectionSize(itemHeight);
}

void CGridmara::MeasureItem(int& itemHeight) const {
    if (m_RowHeight > 0) {
        itemHeight = m_RowHeight;
    }
}

void CGridmara::AppendColor(std::vector<ColorEntry>& entries, int column, int row, const QColor& colour) {
    if (!colour.isValid()) {
        return;
    }
    entries.push_back({row, column, colour});
    viewport()->update();
}

void CGridmara::SetColColor(int column, const QColor& colour) {
    AppendColor(m_ColColors, column, kWholeColumn, colour);
}

void CGridmara::SetColTextColor(int column, const QColor& colour) {
    AppendColor(m_ColTextColors, column, kWholeColumn, colour);
}

void CGridmara::SetItemColor(int column, int row, const QColor& colour) {
    AppendColor(m_ItemColors, column, row, colour);
}

void CGridmara::SetItemTextColor(int column, int row, const QColor& colour) {
    AppendColor(m_ItemTextColors, column, row, colour);
}

void CGridmara::SetRowTextColor(int row, const QColor& colour) {
    for (int column = 0; column < columnCount(); ++column) {
        SetItemTextColor(column, row, colour);
    }
}

bool CGridmara::FindFirst(const std::vector<ColorEntry>& entries, int column, int row, QColor& colour) {
    const auto match = std::find_if(entries.begin(), entries.end(), [column, row](const ColorEntry& entry) {
        return entry.column == column && entry.row == row;
    });
    if (match == entries.end()) {
        return false;
    }
    colour = match->colour;
    return true;
}

bool CGridmara::FindColColor(int column, QColor& colour) const {
    return FindFirst(m_ColColors, column, kWholeColumn, colour);
}

bool CGridmara::FindColTextColor(int column, QColor& colour) const {
    return FindFirst(m_ColTextColors, column, kWholeColumn, colour);
}

bool CGridmara::FindItemColor(int column, int row, QColor& colour) const {
    return FindFirst(m_ItemColors, column, row, colour);
}

bool CGridmara::FindItemTextColor(int column, int row, QColor& colour) const {
    return FindFirst(m_ItemTextColors, column, row, colour);
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
    // The list selects one whole row at most.
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CGridmara::DrawItem(QPainter& painter, const QRect& cell, int row, int column, bool selected) const {
    QColor background = viewport()->palette().color(viewport()->backgroundRole());
    QColor textColour = m_TextColor;
    if (selected) {
        background = kSelectionBackground;
        textColour = kSelectionText;
    } else {
        FindColColor(column, background);
        FindItemColor(column, row, background);
        FindColTextColor(column, textColour);
        FindItemTextColor(column, row, textColour);
    }
    painter.fillRect(cell, background);

    painter.setFont(MakeListFont(m_FontHeight, m_FontWidth));
    painter.setPen(textColour);
    // Rows are laid out for the application's font, whatever font the cells draw with.
    const int lineHeight = QFontMetrics(QGuiApplication::font()).height();
    DrawAlignedText(painter, cell, GetItemText(row, column).left(kMaxPaintedText),
                    m_Header->ColumnAlignment(column), lineHeight);
}
