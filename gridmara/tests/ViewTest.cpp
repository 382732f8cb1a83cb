// The model-backed list: it paints like the item list, sorts through a proxy keeping the selected source row,
// follows its model's changes, and shows a whole address space reading only the rows in sight.
#include "AddressModel.h"
#include "PixelProbe.h"
#include "gridmara/CQvHeaderCtrl.h"

#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTest>
#include <iterator>
#include <memory>

using probe::CellBackground;

namespace {

const QColor kBlue(0, 0, 255);
const QColor kWhite(255, 255, 255);
const QColor kGrey(192, 192, 192);
const QColor kLilac(196, 196, 255);
const QColor kMint(185, 255, 185);
const QColor kNavy(0, 64, 128);
const QColor kRed(200, 0, 0);

struct ColumnSpec {
    const char* caption;
    int format;
    int width;
};
const ColumnSpec kColumns[] = {{"left", 0, 90}, {"right", 1, 110}, {"centre", 2, -1}, {"other", 7, 60}};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));
constexpr int kRows = 6;

// Both kinds of list take the same calls for their look.
template <class List> void SetUpLook(List& list) {
    list.setShowGrid(true);
    list.SetHeaderHeight(1.5F);
    list.SetHeaderFontHW(16, 0);
    list.SetHeaderTextColor(QColor(255, 200, 100));
    list.SetHeaderBKColor(150, 180, 220, 4);
    list.SetRowHeigt(22);
    list.SetFontHW(14, 0);
    list.SetTextColor(kNavy);
    list.SetColColor(0, kGrey);
    list.SetColColor(2, kLilac);
    list.SetColTextColor(2, kRed);
    for (int column = 0; column < kColumnCount; ++column) {
        const ColumnSpec& spec = kColumns[column];
        list.InsertColumn(column, QString::fromUtf8(spec.caption), spec.format, spec.width);
    }
    list.resize(420, 240);
}

// Blocks and real glyphs in turn; one cell is far longer than any cell paints.
QString CellText(int row, int column) {
    if (row == 5 && column == 3) {
        return QStringLiteral("long & longer ").repeated(40);
    }
    return (row + column) % 2 == 0 ? probe::kBlock : QStringLiteral("终端 %1.%2 & x").arg(row).arg(column);
}

std::unique_ptr<CGridmara> MakeItemList() {
    auto list = std::make_unique<CGridmara>();
    SetUpLook(*list);
    for (int row = 0; row < kRows; ++row) {
        list->InsertItemToEnd(CellText(row, 0));
        for (int column = 1; column < kColumnCount; ++column) {
            list->SetItemText(row, column, CellText(row, column));
        }
    }
    list->SetItemColor(1, 1, kMint);
    list->SetItemColor(0, 2, kMint); // on the selected row: not shown
    list->SetRowTextColor(3, kWhite);
    list->SetItemColor(0, 4, kLilac);
    list->selectRow(2);
    list->show();
    return list;
}

// The same rows and cell colours as MakeItemList's, as a model gives them; its header texts are not shown.
std::unique_ptr<QStandardItemModel> MakeModel() {
    auto model = std::make_unique<QStandardItemModel>(kRows, kColumnCount);
    model->setHorizontalHeaderLabels({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumnCount; ++column) {
            model->setItem(row, column, new QStandardItem(CellText(row, column)));
        }
    }
    model->item(1, 1)->setBackground(kMint); // a QBrush
    model->item(2, 0)->setBackground(kMint);
    for (int column = 0; column < kColumnCount; ++column) {
        model->item(3, column)->setForeground(kWhite);
    }
    model->item(4, 0)->setData(kLilac, Qt::BackgroundRole); // a plain QColor
    return model;
}

// Where two grabs first differ, for the failure message; empty when they are the same.
QString FirstDifference(const QImage& expected, const QImage& actual) {
    if (expected.size() != actual.size()) {
        return QStringLiteral("sizes differ");
    }
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if (expected.pixel(x, y) != actual.pixel(x, y)) {
                return QStringLiteral("(%1, %2): %3 instead of %4")
                    .arg(x)
                    .arg(y)
                    .arg(actual.pixelColor(x, y).name(), expected.pixelColor(x, y).name());
            }
        }
    }
    return {};
}

bool ShowsText(const QImage& image, const QTableView& list, int row, int column, const QColor& colour) {
    return !probe::SolidBounds(image, probe::CellInList(list, row, column), colour).isNull();
}

// Whether anything but the cell's background was painted in it: its text, however the font is antialiased.
bool ShowsInk(const QImage& image, const QTableView& list, int row, int column) {
    const QRect cell = probe::CellInList(list, row, column);
    const QColor background = image.pixelColor(cell.topLeft() + QPoint(1, 1));
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x) {
            if (image.pixelColor(x, y) != background) {
                return true;
            }
        }
    }
    return false;
}

void ClickHeader(const CGridmaraView& view, int column) {
    const CQvHeaderCtrl& header = view.Header();
    const QPoint centre(header.sectionViewportPosition(column) + header.sectionSize(column) / 2,
                        header.height() / 2);
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, centre);
}

// The source row shown at a row of the view.
int SourceRow(const QSortFilterProxyModel& proxy, int viewRow) {
    return proxy.mapToSource(proxy.index(viewRow, 0)).row();
}

} // namespace

class ViewTest : public QObject {
    Q_OBJECT

private slots:
    void paintsTheSamePixelsAsTheItemList();
    void headerClickSortsThroughProxyKeepingSelectedSourceRow();
    void followsResetsInsertionsRemovalsAndDataChanges();
    void wholeAddressSpaceShowsAndScrollsToTheEnd();
};

void ViewTest::paintsTheSamePixelsAsTheItemList() {
    const auto list = MakeItemList();
    const auto model = MakeModel();
    CGridmaraView view;
    SetUpLook(view);
    view.setModel(model.get());
    view.selectRow(2);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(list.get()) && QTest::qWaitForWindowExposed(&view));

    for (int column = 0; column < kColumnCount; ++column) {
        QCOMPARE(view.Header().ColumnText(column), list->Header().ColumnText(column));
        QCOMPARE(view.columnWidth(column), list->columnWidth(column));
    }
    QCOMPARE(view.Header().height(), list->Header().height());
    QCOMPARE(view.RowHeight(), 22);
    QCOMPARE(view.rowHeight(kRows - 1), 22);

    const QImage expected = probe::Grab(*list);
    const QImage image = probe::Grab(view);
    QCOMPARE(FirstDifference(expected, image), QString());

    // The same, and not merely both blank: the model's own colours over the column's, the selection over all.
    QCOMPARE(CellBackground(image, view, 0, 0), kGrey);
    QCOMPARE(CellBackground(image, view, 1, 1), kMint);
    QCOMPARE(CellBackground(image, view, 4, 0), kLilac);
    QCOMPARE(CellBackground(image, view, 1, 2), kLilac);
    QVERIFY(ShowsText(image, view, 0, 2, kRed));
    QVERIFY(ShowsText(image, view, 3, 1, kWhite));
    QVERIFY(ShowsText(image, view, 1, 3, kNavy));
    for (int column = 0; column < kColumnCount; ++column) {
        QCOMPARE(CellBackground(image, view, 2, column), kBlue);
    }
    QVERIFY(ShowsText(image, view, 2, 0, kWhite));
    QCOMPARE(view.GetFirstSelectedRow(), 2);

    // A click selects one whole row, as in the item list.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model->index(4, 3)).center());
    list->selectRow(4);
    QCOMPARE(view.GetFirstSelectedRow(), 4);
    QCOMPARE(view.selectionModel()->selectedIndexes().size(), kColumnCount);
    QCOMPARE(FirstDifference(probe::Grab(*list), probe::Grab(view)), QString());
}

void ViewTest::headerClickSortsThroughProxyKeepingSelectedSourceRow() {
    enum { kAddress, kState, kMark };
    const QList<QPair<QString, QString>> rows{{QStringLiteral("30"), QStringLiteral("c")},
                                              {QStringLiteral("10"), QStringLiteral("e")},
                                              {QStringLiteral("50"), QStringLiteral("a")},
                                              {QStringLiteral("20"), QStringLiteral("d")},
                                              {QStringLiteral("40"), QStringLiteral("b")}};
    QStandardItemModel source;
    for (const auto& [address, state] : rows) {
        source.appendRow(
            {new QStandardItem(address), new QStandardItem(state), new QStandardItem(probe::kBlock)});
    }
    source.item(2, kMark)->setForeground(kRed); // "50" is coloured by the model wherever it goes
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&source);
    CGridmaraView view;
    view.InsertColumn(kAddress, QStringLiteral("Address"), 0, 80);
    view.InsertColumn(kState, QStringLiteral("State"), 0, 80);
    view.InsertColumn(kMark, QStringLiteral("Mark"), 0, 80);
    view.SetRowHeigt(20);
    view.setModel(&proxy);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    // The model's own order until a header is clicked, and a header that says so.
    QCOMPARE(proxy.sortColumn(), -1);
    QCOMPARE(view.Header().sortIndicatorSection(), -1);
    QCOMPARE(SourceRow(proxy, 0), 0);
    view.selectRow(proxy.mapFromSource(source.index(1, 0)).row()); // "10"

    ClickHeader(view, kState); // a first click sorts ascending
    QCOMPARE(proxy.sortColumn(), int(kState));
    QCOMPARE(proxy.sortOrder(), Qt::AscendingOrder);
    QCOMPARE(proxy.index(0, kAddress).data().toString(), QStringLiteral("50"));
    QCOMPARE(view.GetFirstSelectedRow(), 4);
    QCOMPARE(SourceRow(proxy, view.GetFirstSelectedRow()), 1);

    ClickHeader(view, kAddress);
    QCOMPARE(proxy.sortColumn(), int(kAddress));
    QCOMPARE(proxy.sortOrder(), Qt::AscendingOrder);
    QCOMPARE(proxy.index(0, kAddress).data().toString(), QStringLiteral("10"));
    QCOMPARE(proxy.index(4, kAddress).data().toString(), QStringLiteral("50"));
    QCOMPARE(view.GetFirstSelectedRow(), 0);

    ClickHeader(view, kAddress); // the same column again turns the order round
    QCOMPARE(proxy.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(view.GetFirstSelectedRow(), 4);
    QCOMPARE(SourceRow(proxy, view.GetFirstSelectedRow()), 1);
    const QImage image = probe::Grab(view);
    QCOMPARE(CellBackground(image, view, 4, kAddress), kBlue);
    QVERIFY(ShowsText(image, view, 4, kMark, kWhite));
    QVERIFY(ShowsText(image, view, 0, kMark, kRed)); // "50" is first now
    QVERIFY(!ShowsText(image, view, 1, kMark, kRed));

    // A filter that hides rows above the selection leaves the same source row selected.
    proxy.setFilterRegularExpression(QStringLiteral("^[1-3]"));
    QCOMPARE(proxy.rowCount(), 3);
    QCOMPARE(SourceRow(proxy, view.GetFirstSelectedRow()), 1);
    QCOMPARE(view.GetFirstSelectedRow(), 2);
}

void ViewTest::followsResetsInsertionsRemovalsAndDataChanges() {
    QStandardItemModel model(3, 3);
    CGridmaraView view;
    view.setModel(&model); // columns may come before or after the model
    view.InsertColumn(0, QStringLiteral("A"), 0, 70);
    view.InsertColumn(1, QStringLiteral("B"), 1);
    QCOMPARE(view.InsertColumn(0, QStringLiteral("front"), 2, 40), 0);
    QCOMPARE(view.InsertColumn(9, QStringLiteral("end"), 0, 30), 3); // past the end: appended
    QCOMPARE(view.InsertColumn(-1, QStringLiteral("refused"), 0, 30), -1);
    const int defaultWidth = view.Header().defaultSectionSize();
    const auto widths = [&view] {
        return QList<int>{view.columnWidth(0), view.columnWidth(1), view.columnWidth(2)};
    };
    QCOMPARE(widths(), (QList<int>{40, 70, defaultWidth}));
    QCOMPARE(view.Header().ColumnText(1), QStringLiteral("A"));
    QCOMPARE(view.Header().ColumnAlignment(0), Qt::AlignHCenter);
    QCOMPARE(view.Header().ColumnAlignment(2), Qt::AlignRight);

    // A reset that takes the columns away and brings them back gives them the view's widths again.
    model.clear();
    QCOMPARE(view.Header().count(), 0);
    model.setColumnCount(3);
    QCOMPARE(widths(), (QList<int>{40, 70, defaultWidth}));

    for (const char* text : {"a", "b", "c"}) {
        model.appendRow(new QStandardItem(QString::fromUtf8(text)));
    }
    view.SetRowHeigt(20);
    view.resize(240, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.selectRow(1);
    model.insertRow(0, new QStandardItem(QStringLiteral("above")));
    QCOMPARE(view.GetFirstSelectedRow(), 2); // still "b"
    QCOMPARE(view.rowHeight(0), 20);
    model.removeRow(2); // as in any single-selection list, the next row takes the selection
    QCOMPARE(view.GetFirstSelectedRow(), 2);
    QCOMPARE(model.item(2)->text(), QStringLiteral("c"));

    // Data changed in the model shows at once; a selected row still hides the model's colours.
    const QColor listBackground = view.viewport()->palette().color(view.viewport()->backgroundRole());
    QCOMPARE(CellBackground(probe::Grab(view), view, 1, 0), listBackground);
    model.item(1, 0)->setBackground(kMint);
    QCOMPARE(CellBackground(probe::Grab(view), view, 1, 0), kMint);
    model.item(1, 0)->setBackground(QBrush()); // a brush with no style is no colour, not black
    QCOMPARE(CellBackground(probe::Grab(view), view, 1, 0), listBackground);
    model.item(1, 0)->setBackground(kMint);
    view.selectRow(1);
    QCOMPARE(CellBackground(probe::Grab(view), view, 1, 0), kBlue);

    // After a reset the new rows are shown, with nothing selected.
    model.clear();
    model.appendRow(new QStandardItem(probe::kBlock));
    QCOMPARE(view.GetFirstSelectedRow(), -1);
    QCOMPARE(view.model()->rowCount(), 1);
    const QImage image = probe::Grab(view);
    QVERIFY(ShowsText(image, view, 0, 0, QColor(Qt::black)));
    QCOMPARE(view.columnWidth(0), 40);
}

void ViewTest::wholeAddressSpaceShowsAndScrollsToTheEnd() {
    AddressModel model;
    CGridmaraView view;
    view.InsertColumn(AddressModel::kAddress, QStringLiteral("Address"), 0, 100);
    view.InsertColumn(AddressModel::kState, QStringLiteral("State"), 0, 100);
    view.SetRowHeigt(20);
    view.setModel(&model);
    view.resize(240, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const int rowsInSight = view.viewport()->height() / 20 + 1;

    model.Append(AddressModel::kAddressSpace);
    QImage image = probe::Grab(view);
    QCOMPARE(view.model()->rowCount(), 65025);
    // Only the rows in sight were read: nothing measures or visits every row.
    QCOMPARE(model.LowestRowAsked(), 0);
    QVERIFY2(model.HighestRowAsked() < rowsInSight, qPrintable(QString::number(model.HighestRowAsked())));
    QVERIFY(ShowsInk(image, view, 0, AddressModel::kAddress));

    model.ForgetRowsAsked();
    view.scrollToBottom();
    const int last = AddressModel::kAddressSpace - 1;
    model.Mark(last, kMint);
    image = probe::Grab(view);
    QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    QVERIFY(view.viewport()->rect().contains(view.visualRect(model.index(last, AddressModel::kAddress))));
    QCOMPARE(view.indexAt(QPoint(5, view.viewport()->height() - 5)).row(), last);
    QCOMPARE(CellBackground(image, view, last, AddressModel::kState), kMint);
    QCOMPARE(model.HighestRowAsked(), last);
    QVERIFY2(model.LowestRowAsked() > last - rowsInSight,
             qPrintable(QString::number(model.LowestRowAsked())));

    view.selectRow(last);
    QCOMPARE(view.GetFirstSelectedRow(), last);
    QCOMPARE(CellBackground(probe::Grab(view), view, last, AddressModel::kAddress), kBlue);
}

QTEST_MAIN(ViewTest)
#include "ViewTest.moc"
