#pragma once

#include "gridmara/GridmaraExport.h"

#include <QColor>
#include <QHeaderView>
#include <QString>
#include <QStringList>

class QPainter;

// The header of a CGridmara: every column caption is painted over its own vertical colour gradient, which
// starts from one colour and darkens by a fixed step per pixel row.
class GRIDMARA_API CQvHeaderCtrl : public QHeaderView {
    Q_OBJECT

public:
    explicit CQvHeaderCtrl(QWidget* parent = nullptr);
    ~CQvHeaderCtrl() override;

    // Captions and alignment codes ('0' left, '1' centre, '2' right) follow the columns they belong to.
    void InsertCaption(int column, const QString& text, QChar alignCode);
    QString ColumnText(int column) const;
    Qt::Alignment ColumnAlignment(int column) const;
    int CaptionCount() const { return static_cast<int>(m_ColumnTexts.size()); }

    // Components and step are kept within a byte so the gradient can neither wrap nor overflow.
    void SetBkColor(int red, int green, int blue, int step);
    void SetHeightScale(float factor);
    void SetFontHW(int height, int width);
    void SetTextColor(const QColor& colour); // an invalid colour is refused

    QColor StartColor() const { return QColor(m_BkRed, m_BkGreen, m_BkBlue); }
    int Step() const { return m_BkStep; }
    float HeightScale() const { return m_HeightScale; }

    // The header's height for a given natural height: scaled by m_HeightScale and truncated toward zero.
    int OnLayout(int naturalHeight) const;
    // Paints the gradients and captions over the whole header.
    void OnPaint(QPainter& painter) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void FillGradient(QPainter& painter, const QRect& area) const;

    QStringList m_ColumnTexts;
    QString m_AlignCodes;
    int m_BkRed = 171;
    int m_BkGreen = 199;
    int m_BkBlue = 235;
    int m_BkStep = 8;
    float m_HeightScale = 1.0F;
    int m_FontHeight = 15;
    int m_FontWidth = 0;
    QColor m_TextColor{Qt::black};
};
