#include "AlignedText.h"

#include <QPainter>

namespace gridmara {

namespace {
constexpr int kEdgeInset = 3;
}

Qt::Alignment AlignmentFromCode(QChar code) {
    if (code == u'0') {
        return Qt::AlignLeft;
    }
    if (code == u'2') {
        return Qt::AlignRight;
    }
    return Qt::AlignHCenter;
}

void DrawAlignedText(QPainter& painter, const QRect& area, const QString& text, Qt::Alignment alignment,
                     int lineHeight) {
    QRect textRect = area.translated(0, (area.height() - lineHeight) / 2);
    if (alignment & Qt::AlignLeft) {
        textRect.setLeft(textRect.left() + kEdgeInset);
    } else if (alignment & Qt::AlignRight) {
        textRect.setRight(textRect.right() - kEdgeInset);
    }
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    // Texts are shown as they are: an '&' is a character, not a mnemonic marker.
    painter.drawText(textRect, static_cast<int>(alignment | Qt::AlignTop), text);
    painter.restore();
}

} // namespace gridmara
