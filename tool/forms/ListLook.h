#pragma once

#include <QAbstractItemView>
#include <QColor>

class CGridmara;

// The look every list of the tool shares; the columns, their colours included, are each list's own.

// Grid lines, one whole row selected at a time, and the tool's header and row look; for the item list
// (CGridmara) and the model list (CGridmaraView) alike.
template <typename List> void SetUpList(List& list) {
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setShowGrid(true);
    list.SetHeaderHeight(1.5F);
    list.SetHeaderFontHW(16, 0);
    list.SetHeaderTextColor(QColor(255, 200, 100));
    list.SetRowHeigt(20);
}

// Wide enough for every column and a vertical scroll bar: the list never opens scrolled sideways.
void FitWidthToColumns(CGridmara& list);
