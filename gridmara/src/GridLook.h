#pragma once

#include "ColourEntries.h"

#include <QColor>
#include <QFont>
#include <QString>

class CQvHeaderCtrl;
class QPainter;
class QRect;
class QTableView;

namespace gridmara {

// A cell's own colours, laid over its column's; an invalid colour leaves the column's in place.
struct CellColours {
    QColor background;
    QColor text;
};

// What makes a table view a Gridmara list, whoever holds its rows: the painted header and its captions, the
// list's and the columns' colours, the cell font, the row height, and the cells painted from them. The item
// list and the model-backed view each own one, so the two always look alike.
class GridLook {
public:
    // Installs a CQvHeaderCtrl on the view, and the behaviour every Gridmara list has: one whole row selected
    // at a time, rows of one fixed height and no row header, no editing by the view itself, no grid lines
    // until the dialog asks for them. Painting the cells through DrawCell is the owner's to wire.
    explicit GridLook(QTableView& view);

    CQvHeaderCtrl& Header() const { return m_Header; }
    // Format 0 aligns the column's caption and cells left, 1 right, 2 (and any other value) centre.
    void InsertCaption(int column, const QString& caption, int format);

    // False, changing nothing, for an invalid colour.
    bool SetTextColor(const QColor& colour);
    void SetFontHW(int height, int width);
    // Every row, present and future, gets this height; 0 (or less) gives rows the style's own height.
    void SetRowHeight(int height);
    int RowHeight() const { return m_RowHeight; }
    // Replaces the style's row height with the list's own when that is above 0.
    void MeasureItem(int& itemHeight) const;

    void SetColColor(int column, const QColor& colour);
    void SetColTextColor(int column, const QColor& colour);
    bool FindColColor(int column, QColor& colour) const;
    bool FindColTextColor(int column, QColor& colour) const;

    // The first selected row, or -1; the list selects one whole row at most.
    int FirstSelectedRow() const;

    // Paints one cell: the background from the list, then the column, then the cell's own; the text colour
    // likewise, the text aligned as its column's caption. A selected cell is pure blue with white text.
    void DrawCell(QPainter& painter, const QRect& cell, int column, const QString& text,
                  const CellColours& own, bool selected) const;

private:
    QTableView& m_View;
    CQvHeaderCtrl& m_Header;
    int m_RowHeight = 0;
    int m_StyleRowHeight = 0;
    ColourEntries m_ColColors;
    ColourEntries m_ColTextColors;
    // Made once per SetFontHW: every painted cell uses it.
    QFont m_CellFont;
    QColor m_TextColor{Qt::black};
};

} // namespace gridmara
