// Renders the sub code list of the programming page, with the tool's header and column colours, to a PNG, and
// optionally a model-backed terminal list with the same look to a second one:
//   gridmara_gallery <file.png> [<terminals.png>]
#include "gridmara/CGridmara.h"
#include "gridmara/CGridmaraView.h"

#include <QApplication>
#include <QHeaderView>
#include <QPixmap>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <cstdio>

namespace {

struct SubCodeRow {
    int subCode;
    const char* function;
    int digits;
    const char* value;
};

// The look of the tool's lists, for the item list and the model list alike.
template <typename List> void ApplyToolLook(List& list) {
    list.setShowGrid(true);
    list.SetHeaderHeight(1.5F);
    list.SetHeaderFontHW(16, 0);
    list.SetHeaderTextColor(QColor(255, 200, 100));
    list.SetRowHeigt(20);
    list.SetColColor(0, QColor(192, 192, 192));
}

void ConfigureLikeProgrammingPage(CGridmara& list) {
    ApplyToolLook(list);
    for (int column = 1; column <= 3; ++column) {
        list.SetColColor(column, QColor(196, 196, 255));
    }
    list.SetColColor(4, QColor(185, 255, 185));
    list.SetColTextColor(4, QColor(0, 64, 128));

    list.InsertColumn(0, QStringLiteral("行号"), 0, 45);
    list.InsertColumn(1, QStringLiteral("从码"), 0, 45);
    list.InsertColumn(2, QStringLiteral("功能"), 0, 150);
    list.InsertColumn(3, QStringLiteral("编程位数"), 2, 75);
    list.InsertColumn(4, QStringLiteral("编程值"), 2, 150);
}

struct TerminalRow {
    const char* address;
    const char* name;
    bool online;
};

// The terminals come from a model, as in the main window: it greys out the terminals off line and marks one
// in alarm; the list sorts them by name through a proxy.
bool RenderTerminalList(const QString& path) {
    const TerminalRow terminals[] = {
        {"192.168.1.20", "大门", true},          {"192.168.1.3", "仓库", false},
        {"192.168.1.101", "Office & lab", true}, {"192.168.2.7", "车库", true},
        {"192.168.2.18", "财务室", false},
    };
    QStandardItemModel model;
    for (const TerminalRow& terminal : terminals) {
        QList<QStandardItem*> row{
            new QStandardItem(QString::fromUtf8(terminal.address)),
            new QStandardItem(QString::fromUtf8(terminal.name)),
            new QStandardItem(terminal.online ? QStringLiteral("在线") : QStringLiteral("离线"))};
        for (QStandardItem* cell : row) {
            cell->setForeground(terminal.online ? QColor(0, 0, 0) : QColor(128, 128, 128));
        }
        model.appendRow(row);
    }
    model.item(3, 2)->setText(QStringLiteral("报警"));
    for (int column = 0; column < 3; ++column) {
        model.item(3, column)->setBackground(QColor(255, 200, 200));
    }
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);

    CGridmaraView list;
    ApplyToolLook(list);
    list.InsertColumn(0, QStringLiteral("IP 地址"), 0, 120);
    list.InsertColumn(1, QStringLiteral("名称"), 0, 120);
    list.InsertColumn(2, QStringLiteral("状态"), 2, 60);
    list.setModel(&proxy);
    list.sortByColumn(1, Qt::AscendingOrder);
    list.selectRow(0);
    list.resize(list.horizontalHeader()->length() + 2 * list.frameWidth() + 40,
                list.horizontalHeader()->sizeHint().height() + 20 * (model.rowCount() + 1) +
                    2 * list.frameWidth());
    list.show();
    return list.grab().save(path);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <file.png> [<terminals.png>]\n", argv[0]);
        return 2;
    }

    CGridmara list;
    ConfigureLikeProgrammingPage(list);
    const SubCodeRow rows[] = {
        {1, "防区1类型", 2, "01"},           {2, "防区2类型", 2, "02"},  {3, "Zone 3 delay & type", 2, ""},
        {4, "进入延时", 3, "030"},           {5, "退出延时", 3, "045"},  {6, "中心电话 1", 16, "02112345678"},
        {7, "IP 地址", 15, "192.168.1.200"}, {8, "用户密码", 4, "1234"},
    };
    for (const SubCodeRow& row : rows) {
        const int index = list.InsertItemToEnd(QString::number(list.GetItemCount()));
        list.SetItemText(index, 1, QString::number(row.subCode));
        list.SetItemText(index, 2, QString::fromUtf8(row.function));
        list.SetItemText(index, 3, QString::number(row.digits));
        list.SetItemText(index, 4, QString::fromUtf8(row.value));
    }
    list.selectRow(2);
    list.resize(list.horizontalHeader()->length() + 2 * list.frameWidth() + 40,
                list.horizontalHeader()->sizeHint().height() + 20 * (list.GetItemCount() + 1) +
                    2 * list.frameWidth());
    list.show();

    if (!list.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc == 3 && !RenderTerminalList(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
