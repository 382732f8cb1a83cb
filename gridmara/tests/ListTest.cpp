// The list's columns, colour entries and rows, and how its cells are painted.
#include "PixelProbe.h"
#include "gridmara/CQvHeaderCtrl.h"

#include <QHeaderView>
#include <QTest>
#include <initializer_list>
#include <memory>

using probe::CellBackground;

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kGrey(192, 192, 192);
const QColor kLilac(196, 196, 255);
const QColor kMint(185, 255, 185);
const QColor kNavy(0, 64, 128);
const QColor kRed(200, 0, 0);

// A shown list of columns 100 pixels wide with the given alignment formats, rows 20 high, blocks in every
// cell.
std::unique_ptr<CGridmara> MakeList(std::initializer_list<int> formats, int rows) {
    auto list = std::make_unique<CGridmara>();
    for (int format : formats) {
        list->InsertColumn(list->columnCount(), QStringLiteral("C"), format, 100);
    }
    list->SetRowHeigt(20);
    for (int row = 0; row < rows; ++row) {
        list->InsertItemToEnd(probe::kBlock);
        for (int column = 1; column < list->columnCount(); ++column) {
            list->SetItemText(row, column, probe::kBlock);
        }
    }
    list->resize(100 * list->columnCount() + 40, 60 + 20 * rows);
    list->show();
    return list;
}

bool ShowsText(const QImage& image, const CGridmara& list, int row, int column, const QColor& colour) {
    return !probe::SolidBounds(image, probe::CellInList(list, row, column), colour).isNull();
}

} // namespace

class ListTest : public QObject {
    Q_OBJECT

private slots:
    void columnsAndColourEntries();
    void cellsLayerListColumnCellAndSelectionColours();
    void rowHeightAppliesToEveryRow();
};

void ListTest::columnsAndColourEntries() {
    CGridmara list;
    QColor colour;
    list.SetRowTextColor(0, kRed); // no columns yet: no entries
    QVERIFY(!list.FindItemTextColor(0, 0, colour));
    QCOMPARE(list.InsertColumn(0, QStringLiteral("left"), 0, 50), 0);
    QCOMPARE(list.InsertColumn(5, QStringLiteral("odd"), 7, 50), 1); // past the end: appended
    QCOMPARE(list.InsertColumn(-1, QStringLiteral("refused"), 0, 50), -1);
    // A column put in front brings its own caption and alignment; the others keep theirs.
    QCOMPARE(list.InsertColumn(0, QStringLiteral("front"), 1, 50), 0);
    QCOMPARE(list.Header().ColumnAlignment(0), Qt::AlignRight);
    QCOMPARE(list.Header().ColumnText(1), QStringLiteral("left"));
    QCOMPARE(list.Header().ColumnAlignment(1), Qt::AlignLeft);
    QCOMPARE(list.Header().ColumnAlignment(2), Qt::AlignHCenter);

    list.SetRowTextColor(0, kNavy);
    QVERIFY(list.FindItemTextColor(2, 0, colour) && colour == kNavy);
    QVERIFY(!list.FindItemTextColor(3, 0, colour));
    QVERIFY(list.DeleteAllItems());
    QVERIFY(list.FindItemTextColor(2, 0, colour)); // colour entries outlive the rows
    QCOMPARE(list.InsertItemToEnd(QStringLiteral("first")), 0);
    QVERIFY(!list.SetItemText(1, 0, QStringLiteral("x")) && !list.SetItemText(0, 3, QStringLiteral("x")));
}

void ListTest::cellsLayerListColumnCellAndSelectionColours() {
    auto list = MakeList({0, 0, 0, 0, 0, 1}, 7);
    const QColor listBackground = list->viewport()->palette().color(list->viewport()->backgroundRole());
    QImage image = probe::Grab(*list);
    QCOMPARE(CellBackground(image, *list, 0, 0), listBackground);
    QVERIFY(ShowsText(image, *list, 0, 0, kBlack));

    list->SetTextColor(kRed);
    list->SetColColor(1, kGrey);
    list->SetColColor(1, kMint); // a second colour for the same column changes nothing
    list->SetItemColor(1, 2, kLilac);
    list->SetItemColor(2, 5, kMint); // column 2, row 5
    list->SetColTextColor(1, kNavy);
    list->SetItemTextColor(1, 3, kWhite);
    list->SetItemText(3, 1, QString(100000, u'\u2588')); // shown as far as the cell goes
    list->selectRow(6);
    image = probe::Grab(*list);
    QCOMPARE(CellBackground(image, *list, 0, 1), kGrey);
    QCOMPARE(CellBackground(image, *list, 2, 1), kLilac);
    QCOMPARE(CellBackground(image, *list, 2, 0), listBackground);
    QCOMPARE(CellBackground(image, *list, 5, 2), kMint);
    QCOMPARE(CellBackground(image, *list, 2, 5), listBackground);
    QVERIFY(ShowsText(image, *list, 0, 1, kNavy));
    QVERIFY(ShowsText(image, *list, 3, 1, kWhite) && !ShowsText(image, *list, 3, 1, kNavy));
    for (int column = 0; column < 6; ++column) { // the selection overrides every colour
        QCOMPARE(CellBackground(image, *list, 6, column), QColor(0, 0, 255));
        QVERIFY(ShowsText(image, *list, 6, column, kWhite));
    }

    // Text keeps 3 pixels from the edge it is aligned to; antialiasing may soften the glyph's first pixel.
    const QRect left = probe::CellInList(*list, 0, 0);
    const QRect right = probe::CellInList(*list, 0, 5);
    const QRect leftInk = probe::SolidBounds(image, left, kRed);
    const QRect rightInk = probe::SolidBounds(image, right, kRed);
    QVERIFY(leftInk.left() - left.left() >= 3 && leftInk.left() - left.left() <= 4);
    QVERIFY(right.right() - rightInk.right() >= 3 && right.right() - rightInk.right() <= 4);
    QVERIFY(leftInk.top() > left.top() && leftInk.bottom() < left.bottom());
}

void ListTest::rowHeightAppliesToEveryRow() {
    const int styleHeight = CGridmara().verticalHeader()->defaultSectionSize();
    auto list = MakeList({0}, 1);
    list->SetItemColor(0, 0, kMint);
    list->SetItemColor(0, 1, kLilac);
    list->InsertItemToEnd(QStringLiteral("after"));
    const QImage image = probe::Grab(*list);
    const QPoint origin = list->viewport()->mapTo(list.get(), QPoint(90, 0));
    QCOMPARE(image.pixelColor(origin + QPoint(0, 19)), kMint);
    QCOMPARE(image.pixelColor(origin + QPoint(0, 20)), kLilac);
    QCOMPARE(image.pixelColor(origin + QPoint(0, 39)), kLilac);

    list->SetRowHeigt(0);
    list->InsertItemToEnd(QStringLiteral("later"));
    QCOMPARE(list->rowHeight(0), styleHeight);
    QCOMPARE(list->rowHeight(2), styleHeight);
    list->SetRowHeigt(100000); // refused
    QCOMPARE(list->RowHeight(), 0);
}

QTEST_MAIN(ListTest)
#include "ListTest.moc"
