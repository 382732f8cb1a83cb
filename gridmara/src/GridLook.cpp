#include "GridLook.h"

#include "AlignedText.h"
#include "ListFont.h"
#include "gridmara/CQvHeaderCtrl.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>

namespace gridmara {

namespace {
// Cells paint at most this many characters of their text.
constexpr qsizetype kMaxPaintedText = 255;
// Cells draw in a font this many pixels high until SetFontHW says otherwise.
constexpr int kDefaultFontHeight = 12;
// Above this a row would no longer fit any screen the tool runs on.
constexpr int kMaxRowHeight = 1000;
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

GridLook::GridLook(QTableView& view)
    : m_View(view), m_Header(*new CQvHeaderCtrl(&view)), m_CellFont(MakeListFont(kDefaultFontHeight, 0)) {
    view.setHorizontalHeader(&m_Header);
    QHeaderView& rows = *view.verticalHeader();
    rows.hide();
    rows.setMinimumSectionSize(1);
    // One height for every row: no row is ever measured, however many there are.
    rows.setSectionResizeMode(QHeaderView::Fixed);
    m_StyleRowHeight = rows.defaultSectionSize();
    view.setCornerButtonEnabled(false);

    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    // The view never edits a cell itself: the item list has its bound editors, the model-backed list its
    // model.
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setTabKeyNavigation(false);
    view.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Grid lines are the dialog's choice (setShowGrid), as they are for any report list.
    view.setShowGrid(false);
}

void GridLook::InsertCaption(int column, const QString& caption, int format) {
    m_Header.InsertCaption(column, caption, AlignCodeForFormat(format));
}

bool GridLook::SetTextColor(const QColor& colour) {
    if (!colour.isValid()) {
        return false;
    }
    m_TextColor = colour;
    m_View.viewport()->update();
    return true;
}

void GridLook::SetFontHW(int height, int width) {
    m_CellFont = MakeListFont(height, width);
    m_View.viewport()->update();
}

void GridLook::SetRowHeight(int height) {
    if (height > kMaxRowHeight) {
        return;
    }
    m_RowHeight = height;
    int itemHeight = m_StyleRowHeight;
    MeasureItem(itemHeight);
    m_View.verticalHeader()->setDefaultSectionSize(itemHeight);
}

void GridLook::MeasureItem(int& itemHeight) const {
    if (m_RowHeight > 0) {
        itemHeight = m_RowHeight;
    }
}

void GridLook::SetColColor(int column, const QColor& colour) {
    if (m_ColColors.Append(column, ColourEntries::kWholeColumn, colour)) {
        m_View.viewport()->update();
    }
}

void GridLook::SetColTextColor(int column, const QColor& colour) {
    if (m_ColTextColors.Append(column, ColourEntries::kWholeColumn, colour)) {
        m_View.viewport()->update();
    }
}

bool GridLook::FindColColor(int column, QColor& colour) const {
    return m_ColColors.Find(column, ColourEntries::kWholeColumn, colour);
}

bool GridLook::FindColTextColor(int column, QColor& colour) const {
    return m_ColTextColors.Find(column, ColourEntries::kWholeColumn, colour);
}

int GridLook::FirstSelectedRow() const {
    const QModelIndexList rows = m_View.selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void GridLook::DrawCell(QPainter& painter, const QRect& cell, int column, const QString& text,
                        const CellColours& own, bool selected) const {
    const QWidget& viewport = *m_View.viewport();
    QColor background = viewport.palette().color(viewport.backgroundRole());
    QColor textColour = m_TextColor;
    if (selected) {
        background = kSelectionBackground;
        textColour = kSelectionText;
    } else {
        FindColColor(column, background);
        FindColTextColor(column, textColour);
        if (own.background.isValid()) {
            background = own.background;
        }
        if (own.text.isValid()) {
            textColour = own.text;
        }
    }
    painter.fillRect(cell, background);

    painter.setFont(m_CellFont);
    painter.setPen(textColour);
    // Rows are laid out for the application's font, whatever font the cells draw with.
    const int lineHeight = QFontMetrics(QGuiApplication::font()).height();
    DrawAlignedText(painter, cell, text.left(kMaxPaintedText), m_Header.ColumnAlignment(column), lineHeight);
}

} // namespace gridmara
