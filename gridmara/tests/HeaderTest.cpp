// The painted header: gradient rows, the strip right of the last column, captions and the height factor.
#include "PixelProbe.h"
#include "gridmara/CGridmara.h"
#include "gridmara/CQvHeaderCtrl.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {

// A shown list with columns of 80 pixels whose header is exactly `height` pixels high.
std::unique_ptr<CGridmara> MakeList(int height, const QString& caption = QString()) {
    auto list = std::make_unique<CGridmara>();
    list->InsertColumn(0, caption, 0, 80);
    list->InsertColumn(1, caption, 1, 80);
    list->InsertColumn(2, caption, 2, 80);
    const int natural = list->Header().sizeHint().height();
    list->SetHeaderHeight((static_cast<float>(height) + 0.5F) / static_cast<float>(natural));
    list->resize(340, height + 60);
    list->show();
    return list;
}

QPoint HeaderOrigin(const CGridmara& list) {
    return list.Header().mapTo(&list, QPoint(0, 0));
}

QColor GradientRow(const QColor& start, int step, int y) {
    const auto component = [step, y](int value) { return std::clamp(value - step * y, 0, 255); };
    return QColor(component(start.red()), component(start.green()), component(start.blue()));
}

} // namespace

class HeaderTest : public QObject {
    Q_OBJECT

private slots:
    void gradientDropsByStepPerRowAndRestartsPerItem();
    void captionsUseHeaderColourAndAlignment();
    void heightFactorScalesNaturalHeight();
};

void HeaderTest::gradientDropsByStepPerRowAndRestartsPerItem() {
    auto list = MakeList(30);
    QCOMPARE(list->Header().height(), 30);
    QImage image = probe::Grab(*list);
    QPoint origin = HeaderOrigin(*list);
    const QColor start(171, 199, 235); // the header's own start colour, with step 8
    for (int x : {40, 120, 300}) {     // two items and the strip right of the last one
        for (int y = 0; y < 30; ++y) {
            QCOMPARE(image.pixelColor(origin + QPoint(x, y)), GradientRow(start, 8, y));
        }
    }
    QCOMPARE(image.pixelColor(origin + QPoint(40, 29)).blue(), 3); // red is 0 from row 22, blue never
    // The first pixel column of each item and of the strip keeps the plain header colour.
    for (int x : {80, 240}) {
        QVERIFY(image.pixelColor(origin + QPoint(x, 0)) != start);
    }

    list = MakeList(40);                     // only a taller header takes blue down to 0
    list->SetHeaderBKColor(300, -5, 255, 8); // components are kept within a byte
    image = probe::Grab(*list);
    origin = HeaderOrigin(*list);
    QCOMPARE(image.pixelColor(origin + QPoint(40, 0)), QColor(255, 0, 255));
    QCOMPARE(image.pixelColor(origin + QPoint(40, 31)), QColor(7, 0, 7));
    QCOMPARE(image.pixelColor(origin + QPoint(40, 32)), QColor(0, 0, 0));
    QCOMPARE(image.pixelColor(origin + QPoint(40, 39)), QColor(0, 0, 0));
}

void HeaderTest::captionsUseHeaderColourAndAlignment() {
    const QColor captionColour(255, 200, 100);
    auto list = MakeList(36, probe::kBlock);
    list->SetHeaderFontHW(16, 0);
    list->SetHeaderTextColor(captionColour);
    const QImage image = probe::Grab(*list);
    const auto item = [&list](int column) {
        return QRect(HeaderOrigin(*list) + QPoint(80 * column, 0), QSize(80, 36));
    };
    const QRect leftInk = probe::SolidBounds(image, item(0), captionColour);
    const QRect rightInk = probe::SolidBounds(image, item(1), captionColour);
    QVERIFY(leftInk.left() - item(0).left() >= 3 && leftInk.left() - item(0).left() <= 4);
    QVERIFY(item(1).right() - rightInk.right() >= 3 && item(1).right() - rightInk.right() <= 4);
    QVERIFY(qAbs(leftInk.center().y() - item(0).center().y()) <= 3); // the caption line sits in the middle
}

void HeaderTest::heightFactorScalesNaturalHeight() {
    CGridmara list;
    list.InsertColumn(0, QStringLiteral("A"), 0, 80);
    list.resize(200, 200);
    list.show();
    const int natural = list.Header().height();
    list.SetHeaderHeight(1.5F);
    list.SetHeaderHeight(-1.0F); // refused, as is NaN
    list.SetHeaderHeight(std::numeric_limits<float>::quiet_NaN());
    const int scaled = static_cast<int>(std::trunc(natural * 1.5));
    QCOMPARE(list.Header().height(), scaled);
    QCOMPARE(list.viewport()->mapTo(&list, QPoint(0, 0)).y(),
             HeaderOrigin(list).y() + scaled); // rows below it
}

QTEST_MAIN(HeaderTest)
#include "HeaderTest.moc"
