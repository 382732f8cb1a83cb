#pragma once

#include "gridmara/GridmaraExport.h"

#include <QColor>
#include <QTableView>
#include <memory>
#include <vector>

class CQvHeaderCtrl;
class QPainter;

namespace gridmara {
class GridLook;
} // namespace gridmara

// A Gridmara list over a model the caller owns, for lists too long for an item per row: it looks exactly like
// a CGridmara set up the same way (painted header, colours, fonts, row height, one whole row selected), and
// costs only what its model costs, since it paints just the rows in sight and every row has the same fixed
// height.
//
// The model supplies the rows and the columns; the captions, their alignment and the column widths are the
// view's (InsertColumn), and the model's own header data is not shown. Each cell shows the model's
// Qt::DisplayRole text, aligned as its column's format says. Its background is the list's, then its column's
// (SetColColor), then the model's Qt::BackgroundRole for the cell when that holds a QColor or a QBrush with a
// style; its text colour is SetTextColor's, then the column's (SetColTextColor), then the model's
// Qt::ForegroundRole. A selected row is pure blue with white text.
//
// A click on a column's header sorts by that column, ascending first, a second click descending, through the
// model's sort(): give the view a QSortFilterProxyModel over the caller's table to sort and filter it (the
// order within a column is the proxy's: its sortRole, or its lessThan). Until the first click the view leaves
// the model's order alone. The selection is kept through the model's persistent indexes, so after a sort or a
// filter change the same source row stays selected; map a selected row back with the proxy's mapToSource.
class GRIDMARA_API CGridmaraView : public QTableView {
    Q_OBJECT

public:
    explicit CGridmaraView(QWidget* parent = nullptr);
    ~CGridmaraView() override;

    // Inserts a column caption; format 0 aligns the caption and the column's cells left, 1 right, 2 (and any
    // other value) centre. The model's column at that position gets the width, as soon as the model has it; a
    // negative width gives it the header's default width. Returns the caption's index, or -1 for a negative
    // position.
    int InsertColumn(int column, const QString& caption, int format = 0, int width = -1);

    void SetHeaderBKColor(int red, int green, int blue, int step);
    void SetHeaderHeight(float factor);
    void SetHeaderFontHW(int height, int width);
    void SetHeaderTextColor(const QColor& colour);
    // False, changing nothing, for an invalid colour.
    bool SetTextColor(const QColor& colour);
    void SetFontHW(int height, int width);
    // Every row, present and future, gets this height; 0 (or less) gives rows the style's own height.
    void SetRowHeigt(int height);

    // Colours are looked up first entry first, so setting one again for the same column changes nothing.
    void SetColColor(int column, const QColor& colour);
    void SetColTextColor(int column, const QColor& colour);
    // True and the colour of the first matching entry; false, with colour untouched, when there is none.
    bool FindColColor(int column, QColor& colour) const;
    bool FindColTextColor(int column, QColor& colour) const;

    // The first selected row of the view's model (of the proxy, when the view shows one), or -1.
    int GetFirstSelectedRow() const;

    const CQvHeaderCtrl& Header() const;
    int RowHeight() const;

private:
    // Paints one cell from the model's roles.
    void DrawItem(QPainter& painter, const QRect& cell, const QModelIndex& index, bool selected) const;
    // Gives every column the model has the width InsertColumn asked for.
    void ApplyColumnWidths();

    std::unique_ptr<gridmara::GridLook> m_Look;
    // By caption index; negative for the header's default width.
    std::vector<int> m_ColumnWidths;
};
