// In-place editing: binding editors, opening them over a cell, writing back and cancelling.
#include "gridmara/CGridmara.h"
#include "gridmara/CLcCombox.h"
#include "gridmara/CLcEdit.h"

#include <QAbstractItemView>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <memory>

namespace {

enum Column { kType, kName, kRemark, kNarrow, kPlain };

// A dialog as the tool builds one: the list and the editors are its children; double clicks open editors.
struct Dialog {
    QWidget window;
    CGridmara* list = new CGridmara(&window);
    CLcCombox* combo = new CLcCombox(&window);
    CLcEdit* edit = new CLcEdit(&window);
    CLcEdit* narrowEdit = new CLcEdit(&window);
    QPushButton* elsewhere = new QPushButton(QStringLiteral("elsewhere"), &window);

    Dialog() {
        list->setGeometry(10, 10, 520, 200);
        elsewhere->setGeometry(10, 220, 100, 30);
        list->SetRowHeigt(20);
        const int widths[] = {80, 120, 150, 4, 100};
        for (int column = kType; column <= kPlain; ++column) {
            list->InsertColumn(column, QStringLiteral("C%1").arg(column), 0, widths[column]);
        }
        const QStringList names{QStringLiteral("beta"), QStringLiteral("zzz"), QString()};
        for (int row = 0; row < 3; ++row) {
            list->InsertItemToEnd(QStringLiteral("type %1").arg(row));
            list->SetItemText(row, kName, names.at(row));
            list->SetItemText(row, kRemark, QStringLiteral("remark %1").arg(row));
            list->SetItemText(row, kNarrow, QStringLiteral("n"));
        }
        combo->addItems({QStringLiteral("Alpha"), QStringLiteral("BETA two"), QStringLiteral("Gamma")});
        list->UnionLcCtrls(combo, EditTypeCombox, kName);
        list->UnionLcCtrls(edit, EditTypeEdit, kRemark);
        list->UnionLcCtrls(narrowEdit, EditTypeEdit, kNarrow);
        QObject::connect(list, &QAbstractItemView::doubleClicked, list, &CGridmara::OpenEditMode);
        window.resize(560, 270);
        window.show();
    }

    QRect CellInViewport(int row, int column) const {
        return list->visualRect(list->model()->index(row, column));
    }

    void DoubleClick(int row, int column) const {
        // A double click begins with a click; QTest's double click sends only its second half.
        const QPoint centre = CellInViewport(row, column).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    }

    // An editor sits over its cell as wide as the column, 1 pixel to the right, from 1 above the row to 2
    // below.
    QRect EditorGeometry(int row, int column) const {
        const QRect cell = CellInViewport(row, column);
        const QPoint topLeft = list->viewport()->mapTo(&window, QPoint(cell.left() + 1, cell.top() - 1));
        return QRect(topLeft, QSize(list->columnWidth(column), list->rowHeight(row) + 3));
    }
};

std::unique_ptr<Dialog> ShowDialog() {
    auto dialog = std::make_unique<Dialog>();
    return QTest::qWaitForWindowActive(&dialog->window) ? std::move(dialog) : nullptr;
}

} // namespace

class EditorsTest : public QObject {
    Q_OBJECT

private slots:
    void bindingCoversColumnsUpToTheHighestBound();
    void doubleClickOutsideEditableColumnsDoesNothing();
    void dropDownOpensOnMatchingEntryAndWritesChoiceAtOnce();
    void editBoxWritesBackOnlyAnEditInProgress();
    void cellLeftOfViewIsScrolledIntoView();
    void badRequestsAndShiftedRowsEndNothingOrTheEdit();
};

void EditorsTest::bindingCoversColumnsUpToTheHighestBound() {
    QWidget dialog;
    CGridmara list(&dialog);
    CLcEdit edit(&dialog);
    dialog.show();
    list.UnionLcCtrls(&edit, EditTypeEdit, CGridmara::kMaxEditColumns);
    list.UnionLcCtrls(&edit, EditTypeCombox, 0); // an edit box is not a drop-down
    QCOMPARE(list.EditCtrlCount(), 0);
    QVERIFY(edit.isVisible());

    list.UnionLcCtrls(&edit, EditTypeEdit, 3);
    QCOMPARE(list.EditCtrlCount(), 4);
    QVERIFY(edit.isHidden());
    for (int column = 0; column < 4; ++column) {
        list.InsertColumn(column, QStringLiteral("C"), 0, 60);
    }
    list.InsertItemToEnd(QStringLiteral("row"));
    list.ShowLcCtrls(0, 2);
    QVERIFY(!list.HaveEditItem());
    list.ShowLcCtrls(0, 3);
    QVERIFY(list.HaveEditItem() && edit.isVisible());

    // An editor that goes away before the list is forgotten, not used.
    auto doomed = std::make_unique<CLcEdit>(&dialog);
    list.UnionLcCtrls(doomed.get(), EditTypeEdit, 0);
    doomed.reset();
    list.ShowLcCtrls(0, 0);
    QCOMPARE(list.EditCol(), 3);
}

void EditorsTest::doubleClickOutsideEditableColumnsDoesNothing() {
    auto dialog = ShowDialog();
    QVERIFY(dialog);
    for (int column : {kType, kPlain, kNarrow}) { // no editor, no editor, 4 pixels wide
        dialog->DoubleClick(1, column);
        QCOMPARE(dialog->list->GetFirstSelectedRow(), 1);
        QVERIFY(!dialog->list->HaveEditItem());
        QVERIFY(dialog->narrowEdit->isHidden());
    }
}

void EditorsTest::dropDownOpensOnMatchingEntryAndWritesChoiceAtOnce() {
    auto dialog = ShowDialog();
    QVERIFY(dialog);
    CLcCombox& combo = *dialog->combo;
    dialog->DoubleClick(0, kName);
    QVERIFY(combo.isVisible());
    QCOMPARE(combo.currentIndex(), 1); // "BETA two" begins with the cell's "beta"
    QCOMPARE(combo.geometry(), dialog->EditorGeometry(0, kName));
    QCOMPARE(combo.maxVisibleItems(), 11);
    QTRY_VERIFY(combo.hasFocus());
    QTest::keyClick(&combo, Qt::Key_Down);
    QCOMPARE(dialog->list->GetItemText(0, kName), QStringLiteral("Gamma"));
    QVERIFY(combo.isHidden());
    QVERIFY(!dialog->list->HaveEditItem());

    // Closing the drop-down without a choice hides it and leaves the cell and the edit position alone.
    dialog->DoubleClick(1, kName);
    QCOMPARE(combo.currentIndex(), -1); // nothing begins with "zzz"
    combo.showPopup();
    QTRY_VERIFY(combo.view()->isVisible());
    QTest::keyClick(combo.view(), Qt::Key_Escape);
    QTRY_VERIFY(combo.isHidden());
    QCOMPARE(dialog->list->GetItemText(1, kName), QStringLiteral("zzz"));
    QCOMPARE(dialog->list->EditRow(), 1);

    dialog->DoubleClick(2, kName); // every entry begins with an empty text
    QCOMPARE(combo.currentIndex(), 0);
    QCOMPARE(dialog->list->EditRow(), 2);
}

void EditorsTest::editBoxWritesBackOnlyAnEditInProgress() {
    auto dialog = ShowDialog();
    QVERIFY(dialog);
    CLcEdit& edit = *dialog->edit;
    dialog->DoubleClick(1, kRemark);
    QCOMPARE(edit.geometry(), dialog->EditorGeometry(1, kRemark));
    QTRY_VERIFY(edit.hasFocus());
    QCOMPARE(edit.selectedText(), QStringLiteral("remark 1"));
    QTest::keyClicks(&edit, QStringLiteral("changed"));
    QTest::mouseClick(dialog->elsewhere, Qt::LeftButton);
    QTRY_VERIFY(edit.isHidden());
    QCOMPARE(dialog->list->GetItemText(1, kRemark), QStringLiteral("changed"));
    QVERIFY(!dialog->list->HaveEditItem());

    // Focus leaving the box with no edit in progress writes nothing.
    edit.show();
    edit.setFocus();
    QTRY_VERIFY(edit.hasFocus());
    QTest::keyClicks(&edit, QStringLiteral("stray"));
    dialog->elsewhere->setFocus();
    QTRY_VERIFY(!edit.hasFocus());
    QCOMPARE(dialog->list->GetItemText(0, kRemark), QStringLiteral("remark 0"));
    QCOMPARE(dialog->list->GetItemText(1, kRemark), QStringLiteral("changed"));

    // A text written back directly is not overwritten by the focused box as it hides.
    dialog->DoubleClick(0, kRemark);
    QTRY_VERIFY(edit.hasFocus());
    QTest::keyClicks(&edit, QStringLiteral("typed"));
    dialog->list->OnChangeItemText(QStringLiteral("chosen"));
    QCOMPARE(dialog->list->GetItemText(0, kRemark), QStringLiteral("chosen"));
    QVERIFY(edit.isHidden());
}

void EditorsTest::cellLeftOfViewIsScrolledIntoView() {
    auto dialog = ShowDialog();
    QVERIFY(dialog);
    CGridmara& list = *dialog->list;
    list.setGeometry(10, 10, 100, 200); // narrower than the drop-down's column
    QScrollBar& bar = *list.horizontalScrollBar();
    QTRY_VERIFY(bar.maximum() > 0);
    bar.setValue(bar.maximum());
    QVERIFY(dialog->CellInViewport(0, kName).left() < 0);

    list.ShowLcCtrls(0, kName);
    QCOMPARE(dialog->CellInViewport(0, kName).left(), 0);
    const QPoint viewport = list.viewport()->mapTo(&dialog->window, QPoint(0, 0));
    QCOMPARE(dialog->combo->geometry().left(), viewport.x() + 1);
    QCOMPARE(dialog->combo->geometry().right(),
             viewport.x() + list.viewport()->width() - 1); // cut at the edge
}

void EditorsTest::badRequestsAndShiftedRowsEndNothingOrTheEdit() {
    auto dialog = ShowDialog();
    QVERIFY(dialog);
    CGridmara& list = *dialog->list;
    list.ShowLcCtrls(3, kRemark);
    list.ShowLcCtrls(0, 40);
    QVERIFY(!list.HaveEditItem());
    QVERIFY(!list.OpenEditMode(QModelIndex()));
    QVERIFY(!list.OpenEditMode(list.model()->index(0, kRemark))); // no row selected

    list.selectRow(1);
    QVERIFY(list.OpenEditMode(list.model()->index(1, kRemark)));
    list.InsertItemToEnd(QStringLiteral("below")); // rows after the edited one change nothing
    QVERIFY(list.HaveEditItem());
    // Clearing the rows ends the edit, so a late write-back cannot land on a new row.
    list.DeleteAllItems();
    QVERIFY(!list.HaveEditItem() && dialog->edit->isHidden());
    list.InsertItemToEnd(QStringLiteral("new 0"));
    list.InsertItemToEnd(QStringLiteral("new 1"));
    list.OnChangeItemText(QStringLiteral("late"));
    QCOMPARE(list.GetItemText(1, kRemark), QString());
}

QTEST_MAIN(EditorsTest)
#include "EditorsTest.moc"
