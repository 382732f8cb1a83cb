#pragma once

#include "gridmara/CGridmara.h"
#include "gridmara/CGridmaraView.h"

#include <QImage>
#include <QPixmap>

// Reading pixels back from a grab of a whole list, item based (CGridmara) or model backed (CGridmaraView).
namespace probe {

// Texts made of full blocks paint solid runs of the text colour, whatever the font and its antialiasing.
inline const QString kBlock = QStringLiteral("\u2588\u2588");

inline QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QRect CellInList(const QTableView& list, int row, int column) {
    return list.visualRect(list.model()->index(row, column))
        .translated(list.viewport()->mapTo(&list, QPoint()));
}

// A cell's text keeps clear of its top left corner.
inline QColor CellBackground(const QImage& image, const QTableView& list, int row, int column) {
    return image.pixelColor(CellInList(list, row, column).topLeft() + QPoint(1, 1));
}

// The bounding rectangle of the pixels of exactly that colour in the area (null when there are none).
inline QRect SolidBounds(const QImage& image, const QRect& area, const QColor& colour) {
    QRect bounds;
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

} // namespace probe
