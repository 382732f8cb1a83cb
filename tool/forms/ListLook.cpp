#include "forms/ListLook.h"

#include "gridmara/CGridmara.h"

#include <QHeaderView>
#include <QScrollBar>

void FitWidthToColumns(CGridmara& list) {
    list.setMinimumWidth(list.horizontalHeader()->length() + list.verticalScrollBar()->sizeHint().width() +
                         2 * list.frameWidth());
}
