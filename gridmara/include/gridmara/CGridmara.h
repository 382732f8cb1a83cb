#pragma once

#include "gridmara/EnumEditType.h"
#include "gridmara/GridmaraExport.h"

#include <QColor>
#include <QPointer>
#include <QTableWidget>
#include <array>
#include <memory>

class CQvHeaderCtrl;
class QPainter;

namespace gridmara {
class ColourEntries;
class GridLook;
} // namespace gridmara

// A report list with a single, full-row selection that paints every cell itself: the background comes from
// the list, then its column, then the cell; the text colour from the list, then the column, then the cell.
// A selected row is always pure blue with white text. Columns can be edited in place with a CLcEdit or a
// CLcCombox bound to them.
class GRIDMARA_API CGridmara : public QTableWidget {
    Q_OBJECT

public:
    // Editors can be bound to columns 0 to kMaxEditColumns - 1.
    static constexpr int kMaxEditColumns = 32;

    explicit CGridmara(QWidget* parent = nullptr);
    ~CGridmara() override;

    // Inserts a column; format 0 aligns its caption and cells left, 1 right, 2 (and any other value) centre.
    // A negative width keeps the default width. Returns the new column's index, or -1 for a negative
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

    // Colours are looked up first entry first, so setting one again for the same column or cell changes
    // nothing.
    void SetColColor(int column, const QColor& colour);
    void SetColTextColor(int column, const QColor& colour);
    void SetItemColor(int column, int row, const QColor& colour);
    void SetItemTextColor(int column, int row, const QColor& colour);
    // A cell text colour for every column the list has now.
    void SetRowTextColor(int row, const QColor& colour);
    // True and the colour of the first matching entry; false, with colour untouched, when there is none.
    bool FindColColor(int column, QColor& colour) const;
    bool FindColTextColor(int column, QColor& colour) const;
    bool FindItemColor(int column, int row, QColor& colour) const;
    bool FindItemTextColor(int column, int row, QColor& colour) const;

    // Appends a row with the given text in column 0 and returns its index.
    int InsertItemToEnd(const QString& text);
    bool DeleteAllItems();
    int GetItemCount() const { return rowCount(); }
    QString GetItemText(int row, int column) const;
    // False, changing nothing, for a cell outside the list.
    bool SetItemText(int row, int column, const QString& text);
    // The first selected row, or -1.
    int GetFirstSelectedRow() const;

    // Replaces the style's row height with m_RowHeight when that is above 0.
    void MeasureItem(int& itemHeight) const;
    // Paints one cell; the view calls it for every visible cell.
    void DrawItem(QPainter& painter, const QRect& cell, int row, int column, bool selected) const;

    // In-place editing. The editors belong to the dialog; the list only points at them.
    // Binds an editor to a column; an editor whose class does not match the type, a null editor and a column
    // outside 0 to kMaxEditColumns - 1 are refused.
    void UnionLcCtrls(QWidget* editor, EnumEditType type, int column);
    // For the dialog's activation handler (the tool uses doubleClicked): opens the editor of the activated
    // cell. False when the index is invalid or no row is selected.
    bool OpenEditMode(const QModelIndex& activated);
    bool GetItemPos(const QModelIndex& activated, int& row, int& column) const;
    // Shows the column's editor over the cell, filled with its text and focused.
    void ShowLcCtrls(int row, int column);
    bool HaveEditItem() const { return m_EditRow >= 0 && m_EditCol >= 0; }
    // Writes an editor's text into the cell being edited and ends the edit; does nothing when no edit is in
    // progress.
    void OnChangeItemText(const QString& text);

    const CQvHeaderCtrl& Header() const;
    int RowHeight() const;
    int EditCtrlCount() const { return m_EditCtrlCount; }
    int EditRow() const { return m_EditRow; }
    int EditCol() const { return m_EditCol; }

private:
    struct EditSlot {
        QPointer<QWidget> editor;
        EnumEditType type = EditTypeNone;
    };

    bool IsCell(int row, int column) const;
    // Scrolls a cell lying left of or beyond the view to the view's left edge, then returns where its editor
    // goes, in viewport coordinates.
    QRect RevealEditorRect(int row, int column);
    void PlaceEditor(QWidget& editor, const QRect& inViewport) const;
    // Leaves the editing state and hides the editor; the state goes first, so that a focused edit box being
    // hidden finds no edit in progress to write back.
    void EndEdit();
    void EndEditIfRowsShift(int firstChangedRow);

    // The header, the list and column colours, the fonts and the row height: the look CGridmaraView has too.
    std::unique_ptr<gridmara::GridLook> m_Look;
    // Cell colours are an item list's own; a model-backed list takes them from its model.
    std::unique_ptr<gridmara::ColourEntries> m_ItemColors;
    std::unique_ptr<gridmara::ColourEntries> m_ItemTextColors;

    std::array<EditSlot, kMaxEditColumns> m_EditCtrls;
    int m_EditCtrlCount = 0;
    int m_EditRow = -1;
    int m_EditCol = -1;
};
