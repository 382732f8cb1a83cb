#include "forms/ListLook.h"

#include "gridmara/CGridmara.h"

#include <QHeaderView>
#include <QScrollBar>

void SetUpList(CGridmara& list) {
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setShowGrid(true);
    list.SetHeaderHeight(1.5F);
    list.SetHeaderFontHW(16, 0);
    list.SetHeaderTextColor(QColor(255, 200, 100));
    list.SetRowHeigt(20);
}

void FitWidthToColumns(CGridmara& list) {
    list.setMinimumWidth(list.horizontalHeader()->length() + list.verticalScrollBar()->sizeHint().width() +
                         2 * list.frameWidth());
}
