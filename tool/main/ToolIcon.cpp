#include "main/ToolIcon.h"

#include <QPainter>
#include <QPixmap>

namespace {

QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 64, 128));
    painter.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(size * 3 / 4);
    painter.setFont(font);
    painter.setPen(QColor(255, 200, 100));
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("Z"));
    return pixmap;
}

} // namespace

QIcon ToolIcon() {
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addPixmap(drawIcon(size));
    return icon;
}
