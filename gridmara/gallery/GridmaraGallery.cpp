// Renders the sub code list of the programming page, with the tool's header and column colours, to a PNG:
//   gridmara_gallery <file.png>
#include "gridmara/CGridmara.h"

#include <QApplication>
#include <QHeaderView>
#include <QPixmap>
#include <cstdio>

namespace {

struct SubCodeRow {
    int subCode;
    const char* function;
    int digits;
    const char* value;
};

void ConfigureLikeProgrammingPage(CGridmara& list) {
    list.setShowGrid(true);
    list.SetHeaderHeight(1.5F);
    list.SetHeaderFontHW(16, 0);
    list.SetHeaderTextColor(QColor(255, 200, 100));
    list.SetRowHeigt(20);
    list.SetColColor(0, QColor(192, 192, 192));
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

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <file.png>\n", argv[0]);
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
    return 0;
}
