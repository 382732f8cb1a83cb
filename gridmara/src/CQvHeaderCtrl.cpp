#include "gridmara/CQvHeaderCtrl.h"

#include "AlignedText.h"
#include "ListFont.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

using gridmara::AlignmentFromCode;
using gridmara::DrawAlignedText;
using gridmara::MakeListFont;

namespace {
constexpr int kMaxHeaderHeight = 1000;

int ClampByte(int value) {
    return std::clamp(value, 0, 255);
}
} // namespace

CQvHeaderCtrl::CQvHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    // Columns may be as narrow as the tool makes them, down to 0 for a column it hides.
    setMinimumSectionSize(0);
}

CQvHeaderCtrl::~CQvHeaderCtrl() = default;

void CQvHeaderCtrl::InsertCaption(int column, const QString& text, QChar alignCode) {
    const int position = std::clamp(column, 0, CaptionCount());
    m_ColumnTexts.insert(position, text);
    m_AlignCodes.insert(position, alignCode);
    viewport()->update();
}

QString CQvHeaderCtrl::ColumnText(int column) const {
    return column >= 0 && column < CaptionCount() ? m_ColumnTexts.at(column) : QString();
}

Qt::Alignment CQvHeaderCtrl::ColumnAlignment(int column) const {
    return AlignmentFromCode(column >= 0 && column < m_AlignCodes.size() ? m_AlignCodes.at(column) : QChar());
}

void CQvHeaderCtrl::SetBkColor(int red, int green, int blue, int step) {
    m_BkRed = ClampByte(red);
    m_BkGreen = ClampByte(green);
    m_BkBlue = ClampByte(blue);
    m_BkStep = std::clamp(step, -255, 255);
    viewport()->update();
}

void CQvHeaderCtrl::SetHeightScale(float factor) {
    if (!std::isfinite(factor) || factor < 0.0F) {
        return;
    }
    m_HeightScale = factor;
    updateGeometry();
}

void CQvHeaderCtrl::SetFontHW(int height, int width) {
    m_FontHeight = height;
    m_FontWidth = width;
    viewport()->update();
}

void CQvHeaderCtrl::SetTextColor(const QColor& colour) {
    if (!colour.isValid()) {
        return;
    }
    m_TextColor = colour;
    viewport()->update();
}

int CQvHeaderCtrl::OnLayout(int naturalHeight) const {
    const double scaled = std::trunc(static_cast<double>(naturalHeight) * m_HeightScale);
    return static_cast<int>(std::clamp(scaled, 0.0, static_cast<double>(kMaxHeaderHeight)));
}

QSize CQvHeaderCtrl::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.setHeight(OnLayout(size.height()));
    return size;
}

void CQvHeaderCtrl::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    OnPaint(painter);
}

void CQvHeaderCtrl::FillGradient(QPainter& painter, const QRect& area) const {
    if (area.width() <= 0) {
        return;
    }
    int red = m_BkRed;
    int green = m_BkGreen;
    int blue = m_BkBlue;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        painter.fillRect(QRect(area.left(), y, area.width(), 1), QColor(red, green, blue));
        red = ClampByte(red - m_BkStep);
        green = ClampByte(green - m_BkStep);
        blue = ClampByte(blue - m_BkStep);
    }
}

void CQvHeaderCtrl::OnPaint(QPainter& painter) const {
    const QRect client = viewport()->rect();
    // The first pixel column of every item keeps the plain header colour and reads as a separator.
    painter.fillRect(client, palette().button());

    const QFont captionFont = MakeListFont(m_FontHeight, m_FontWidth);
    painter.setFont(captionFont);
    painter.setPen(m_TextColor);
    const int lineHeight = QFontMetrics(captionFont).height();
    for (int column = 0; column < count(); ++column) {
        if (isSectionHidden(column) || sectionSize(column) <= 0) {
            continue;
        }
        const QRect item(sectionViewportPosition(column), client.top(), sectionSize(column), client.height());
        FillGradient(painter, item.adjusted(1, 0, 0, 0));
        DrawAlignedText(painter, item, ColumnText(column), ColumnAlignment(column), lineHeight);
    }

    // The strip right of the last item gets a gradient of its own, again after a separator pixel.
    const int itemsEnd = length() - offset();
    FillGradient(painter, QRect(QPoint(itemsEnd + 1, client.top()), client.bottomRight()));
}
