#pragma once

#include <QChar>
#include <QRect>
#include <QString>
#include <Qt>

class QPainter;

namespace gridmara {

// Column alignment codes as the header keeps them: '0' left, '2' right, anything else centred.
Qt::Alignment AlignmentFromCode(QChar code);

// Draws one caption or cell text the way both the header and the cells place it: the text rectangle is moved
// down by (area height - lineHeight) / 2 so a line of that height sits in the middle, and kept 3 pixels off
// the edge it is aligned to. Nothing is drawn outside the area.
void DrawAlignedText(QPainter& painter, const QRect& area, const QString& text, Qt::Alignment alignment,
                     int lineHeight);

} // namespace gridmara
