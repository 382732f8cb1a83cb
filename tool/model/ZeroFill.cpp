#include "model/ZeroFill.h"

int ZeroFill(QString& text, int width) {
    const int length = static_cast<int>(text.size());
    if (length >= width)
        return length;
    text.prepend(QString(width - length, QLatin1Char('0')));
    return width;
}
