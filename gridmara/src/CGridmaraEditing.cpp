// In-place editing of a CGridmara: binding editors to columns, opening them over a cell, writing back.
#include "gridmara/CGridmara.h"
#include "gridmara/CLcCombox.h"
#include "gridmara/CLcEdit.h"

#include <QScrollBar>
#include <algorithm>

namespace {
// A column this narrow or narrower is not worth an editor.
constexpr int kMinEditableWidth = 5;
// A drop-down editor leaves room below the cell for this many more rows of its list.
constexpr int kDropDownRows = 11;

int FindPrefixEntry(const QComboBox& combo, const QString& prefix) {
    for (int entry = 0; entry < combo.count(); ++entry) {
        if (combo.itemText(entry).startsWith(prefix, Qt::CaseInsensitive)) {
            return entry;
        }
    }
    return -1;
}
} // namespace

void CGridmara::UnionLcCtrls(QWidget* editor, EnumEditType type, int column) {
    if (editor == nullptr || column < 0 || column >= kMaxEditColumns) {
        return;
    }
    auto* edit = qobject_cast<CLcEdit*>(editor);
    auto* combo = qobject_cast<CLcCombox*>(editor);
    if ((type == EditTypeEdit && edit == nullptr) || (type == EditTypeCombox && combo == nullptr)) {
        return;
    }
    m_EditCtrls.at(column) = {editor, type};
    editor->hide();
    if (type == EditTypeEdit) {
        edit->SetEditListCtrl(this);
    } else if (type == EditTypeCombox) {
        combo->SetEditListCtrl(this);
    }
    m_EditCtrlCount = std::max(m_EditCtrlCount, column + 1);
}

bool CGridmara::GetItemPos(const QModelIndex& activated, int& row, int& column) const {
    if (!activated.isValid() || activated.model() != model() || GetFirstSelectedRow() < 0) {
        return false;
    }
    row = activated.row();
    column = activated.column();
    return true;
}

bool CGridmara::OpenEditMode(const QModelIndex& activated) {
    int row = -1;
    int column = -1;
    if (!GetItemPos(activated, row, column)) {
        return false;
    }
    ShowLcCtrls(row, column);
    return true;
}

QRect CGridmara::RevealEditorRect(int row, int column) {
    int x = 0;
    for (int left = 0; left < column; ++left) {
        x += columnWidth(left);
    }
    const int clientRight = viewport()->width();
    int itemLeft = -horizontalOffset();
    if (x + itemLeft < 0 || x + itemLeft > clientRight) {
        // Bring the cell's left edge to the left of the view; near the end the scroll bar may stop short, so
        // the item's edge is read back rather than assumed.
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + x + itemLeft);
        itemLeft = -horizontalOffset();
    }
    const int left = itemLeft + x + 1;
    const int right = std::min(left + columnWidth(column), clientRight);
    const int top = rowViewportPosition(row);
    return QRect(QPoint(left, top), QPoint(right - 1, top + rowHeight(row) - 1));
}

void CGridmara::PlaceEditor(QWidget& editor, const QRect& inViewport) const {
    const QRect outer = inViewport.adjusted(0, -1, 0, 2);
    QPoint topLeft = viewport()->mapToGlobal(outer.topLeft());
    if (QWidget* parent = editor.parentWidget()) {
        topLeft = parent->mapFromGlobal(topLeft);
    }
    editor.setGeometry(QRect(topLeft, outer.size()));
    editor.show();
    editor.raise();
    editor.setFocus(Qt::OtherFocusReason);
}

void CGridmara::ShowLcCtrls(int row, int column) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= m_EditCtrlCount) {
        return;
    }
    const EditSlot& slot = m_EditCtrls.at(column);
    if (slot.editor == nullptr || slot.type == EditTypeNone || column >= columnCount() ||
        columnWidth(column) < kMinEditableWidth) {
        return;
    }
    const QRect cell = RevealEditorRect(row, column);
    const QString text = GetItemText(row, column);
    if (slot.type == EditTypeEdit) {
        auto& edit = static_cast<CLcEdit&>(*slot.editor);
        edit.setText(text);
        PlaceEditor(edit, cell);
        edit.selectAll();
    } else if (slot.type == EditTypeCombox) {
        auto& combo = static_cast<CLcCombox&>(*slot.editor);
        combo.setCurrentIndex(FindPrefixEntry(combo, text));
        combo.setMaxVisibleItems(kDropDownRows);
        PlaceEditor(combo, cell);
    } else {
        return;
    }
    m_EditRow = row;
    m_EditCol = column;
}

void CGridmara::OnChangeItemText(const QString& text) {
    if (m_EditRow < 0 || m_EditRow >= rowCount() || m_EditCol < 0 || m_EditCol >= m_EditCtrlCount) {
        return;
    }
    SetItemText(m_EditRow, m_EditCol, text);
    EndEdit();
}

void CGridmara::EndEdit() {
    const int column = m_EditCol;
    m_EditRow = -1;
    m_EditCol = -1;
    if (column >= 0 && column < kMaxEditColumns) {
        if (QWidget* editor = m_EditCtrls.at(column).editor) {
            editor->hide();
        }
    }
}

void CGridmara::EndEditIfRowsShift(int firstChangedRow) {
    if (HaveEditItem() && firstChangedRow <= m_EditRow) {
        EndEdit();
    }
}
