#include "ListFont.h"

#include <QFontMetrics>
#include <algorithm>
#include <cstdlib>

namespace gridmara {

namespace {
// Larger sizes are refused: no list of the tool draws text anywhere near this tall or wide.
constexpr int kMaxPixels = 500;
constexpr int kMaxStretch = 4000; // QFont's own limit
} // namespace

QFont MakeListFont(int height, int width) {
    QFont font(QStringLiteral("SimSun"));
    const int pixels = std::min(std::abs(height), kMaxPixels);
    if (pixels > 0) {
        font.setPixelSize(pixels);
        // A cell height counts the leading too, so the glyphs must shrink until ascent plus descent fit.
        const int cellHeight = QFontMetrics(font).height();
        if (height > 0 && cellHeight > pixels) {
            font.setPixelSize(std::max(1, pixels * pixels / cellHeight));
        }
    }
    const int averageWidth = QFontMetrics(font).averageCharWidth();
    if (width > 0 && averageWidth > 0) {
        font.setStretch(std::clamp(std::min(width, kMaxPixels) * 100 / averageWidth, 1, kMaxStretch));
    }
    return font;
}

} // namespace gridmara
