#include "terminals/TerminalTableModel.h"

#include "QStringPrinting.h"
#include "ostrel/ostrel.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <gtest/gtest.h>

namespace {

TerminalChange Change(int port, int a, int b, int code) {
    return {std::uint8_t(port), std::uint8_t(a), std::uint8_t(b), std::uint8_t(code), 0};
}

// The model as the main window shows it: checked for the item model rules, sorted and filtered by a proxy.
class TerminalTableModelTest : public ::testing::Test {
protected:
    TerminalTableModelTest() {
        model.SetStateTexts(QStringLiteral("Online"), QStringLiteral("Offline"));
        proxy.setSourceModel(&model);
        proxy.setSortRole(TerminalTableModel::SortRole);
        proxy.setFilterKeyColumn(-1);
        proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
    }

    QStringList shown() const {
        QStringList rows;
        for (int row = 0; row < proxy.rowCount(); ++row)
            rows << proxy.index(row, 0).data().toString() + QLatin1Char(' ') +
                        proxy.index(row, 1).data().toString();
        return rows;
    }

    TerminalTableModel model;
    QAbstractItemModelTester modelRules{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
    QSortFilterProxyModel proxy;
    QAbstractItemModelTester proxyRules{&proxy, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(TerminalTableModelTest, AHandOverIsOneInsertionAndOneChange) {
    model.Apply({Change(OSTREL_PORT_UDP, 1, 1, OSTREL_EVENT_TERMINAL_ON_LINE),
                 Change(OSTREL_PORT_UDP, 1, 2, OSTREL_EVENT_TERMINAL_ON_LINE),
                 Change(OSTREL_PORT_UDP, 1, 3, OSTREL_EVENT_TERMINAL_ON_LINE)});
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.Apply({Change(OSTREL_PORT_UDP, 1, 3, OSTREL_EVENT_TERMINAL_OFF_LINE),
                 Change(OSTREL_PORT_UDP, 2, 1, OSTREL_EVENT_TERMINAL_OFF_LINE),
                 Change(OSTREL_PORT_UDP, 1, 1, OSTREL_EVENT_TERMINAL_OFF_LINE),
                 Change(OSTREL_PORT_UDP, 2, 2, OSTREL_EVENT_TERMINAL_ON_LINE),
                 Change(OSTREL_PORT_UDP, 1, 2, OSTREL_EVENT_ZONE_ALARM_SET),
                 Change(OSTREL_PORT_UDP, OSTREL_WHOLE_BLOCK, 1, OSTREL_EVENT_BLOCK_OFF_LINE)});
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 3);
    EXPECT_EQ(inserted[0][2].toInt(), 4);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
    EXPECT_EQ(changed[0][1].toModelIndex().row(), 2);
    EXPECT_EQ(shown(), QStringList({"11.1.1 Offline", "11.1.2 Online", "11.1.3 Offline", "11.2.1 Offline",
                                    "11.2.2 Online"}));
}

TEST_F(TerminalTableModelTest, ColumnsSortByNumberAndStateAndTheFilterNarrowsByEither) {
    for (const std::array<int, 3>& address :
         {std::array{int(OSTREL_PORT_UDP), 10, 1}, std::array{int(OSTREL_PORT_UDP), 2, 30},
          std::array{int(OSTREL_PORT_COM1) + 1, 9, 9}, std::array{int(OSTREL_PORT_UDP), 2, 4}})
        model.Apply({Change(address[0], address[1], address[2], OSTREL_EVENT_TERMINAL_ON_LINE)});
    model.Apply({Change(OSTREL_PORT_UDP, 2, 30, OSTREL_EVENT_TERMINAL_OFF_LINE)});

    proxy.sort(TerminalTableModel::AddressColumn);
    EXPECT_EQ(shown(), QStringList({"2.9.9 Online", "11.2.4 Online", "11.2.30 Offline", "11.10.1 Online"}))
        << "by port, A and B as numbers, not as text";
    proxy.sort(TerminalTableModel::StateColumn, Qt::AscendingOrder);
    EXPECT_EQ(shown().first(), QStringLiteral("11.2.30 Offline"));

    proxy.setFilterFixedString(QStringLiteral("11.2."));
    EXPECT_EQ(proxy.rowCount(), 2);
    proxy.setFilterFixedString(QStringLiteral("offline"));
    EXPECT_EQ(shown(), QStringList{"11.2.30 Offline"});
    // A terminal that comes back on line leaves the filtered list as it happens.
    model.Apply({Change(OSTREL_PORT_UDP, 2, 30, OSTREL_EVENT_TERMINAL_ON_LINE)});
    EXPECT_EQ(proxy.rowCount(), 0);
}

TEST_F(TerminalTableModelTest, TheSelectionStaysOnItsTerminalWhateverTheOrder) {
    for (int b = 1; b <= 5; ++b)
        model.Apply({Change(OSTREL_PORT_UDP, 1, b, OSTREL_EVENT_TERMINAL_ON_LINE)});
    proxy.sort(TerminalTableModel::AddressColumn, Qt::DescendingOrder);
    QItemSelectionModel selection(&proxy);
    selection.setCurrentIndex(proxy.index(1, 0),
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const auto selectedTerminal = [&] {
        return model.Terminals().at(proxy.mapToSource(selection.currentIndex()).row()).addressText;
    };
    ASSERT_EQ(selectedTerminal(), QStringLiteral("11.1.4"));

    proxy.sort(TerminalTableModel::AddressColumn, Qt::AscendingOrder);
    model.Apply({Change(OSTREL_PORT_UDP, 1, 0, OSTREL_EVENT_TERMINAL_ON_LINE),
                 Change(OSTREL_PORT_UDP, 1, 4, OSTREL_EVENT_TERMINAL_OFF_LINE)});
    model.Remove(0);
    EXPECT_EQ(selectedTerminal(), QStringLiteral("11.1.4"));
    EXPECT_EQ(selection.selectedRows().size(), 1);
}

TEST_F(TerminalTableModelTest, HandAddedEntriesAndRemovalKeepTheRowsInStep) {
    EXPECT_EQ(model.AddByHand(QStringLiteral("11.1.1")), TerminalList::AddResult::Added);
    EXPECT_EQ(model.AddByHand(QStringLiteral("x")), TerminalList::AddResult::BadFormat);
    model.Apply({Change(OSTREL_PORT_UDP, 1, 1, OSTREL_EVENT_TERMINAL_ON_LINE),
                 Change(OSTREL_PORT_UDP, 1, 2, OSTREL_EVENT_TERMINAL_ON_LINE)});
    EXPECT_EQ(shown(), QStringList({"11.1.1 Online", "11.1.2 Online"}));
    model.Remove(0);
    model.Remove(7);
    model.Apply({Change(OSTREL_PORT_UDP, 1, 1, OSTREL_EVENT_TERMINAL_OFF_LINE)});
    EXPECT_EQ(shown(), QStringList({"11.1.2 Online", "11.1.1 Offline"}));
    EXPECT_EQ(model.rowCount(), model.Terminals().size());
}

TEST_F(TerminalTableModelTest, AWholeUdpAddressSpaceSignsOnAndOffInOneHandOverEach) {
    proxy.sort(TerminalTableModel::AddressColumn);
    std::vector<TerminalChange> burst;
    for (int a = 0; a < 255; ++a)
        for (int b = 0; b < 255; ++b)
            burst.push_back(Change(OSTREL_PORT_UDP, a, b, OSTREL_EVENT_TERMINAL_ON_LINE));
    model.Apply(burst);
    ASSERT_EQ(proxy.rowCount(), 65025);
    for (TerminalChange& change : burst)
        change.lastCode = OSTREL_EVENT_TERMINAL_OFF_LINE;
    model.Apply(burst);
    proxy.setFilterFixedString(QStringLiteral("Online"));
    EXPECT_EQ(proxy.rowCount(), 0) << "every terminal shows off line";
}

} // namespace
