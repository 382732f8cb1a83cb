// How a model-backed Gridmara list copes with a whole UDP address space (65,025 terminals) in the main
// window's list. Reports the times; asserts nothing.
//
//     gridmara-view-benchmark [runs]      (3 by default; windows go offscreen unless QT_QPA_PLATFORM says
//     else)
//
// 1. Adding every terminal to a shown list: in one insertion, and one insertion per terminal; straight into
// the
//    view's model, and through a proxy that keeps them sorted.
// 2. Scrolling: to the end at once, and page by page.
// 3. Sorting by address, by number (the proxy's sort role) and as text, and one terminal's state changing
//    while the list is sorted.

#include "AddressModel.h"
#include "gridmara/CGridmaraView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kPageSteps = 500;
constexpr int kStateChanges = 1000;

// A shown list set up as the main window sets up its terminal list.
std::unique_ptr<CGridmaraView> ShowList(QAbstractItemModel& model) {
    auto view = std::make_unique<CGridmaraView>();
    view->SetHeaderHeight(1.5F);
    view->SetRowHeigt(20);
    view->InsertColumn(AddressModel::kAddress, QStringLiteral("Address"), 0, 120);
    view->InsertColumn(AddressModel::kState, QStringLiteral("State"), 0, 120);
    view->setModel(&model);
    view->resize(300, 600);
    view->show();
    view->viewport()->repaint();
    return view;
}

// Milliseconds for the work plus the events and the repaint it leaves behind.
double TimeMs(CGridmaraView& view, const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    QCoreApplication::processEvents();
    view.viewport()->repaint();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Case {
    const char* name;
    const char* unit;
    std::function<double()> run;
};

double AddAll(bool oneByOne, bool sorted) {
    AddressModel model;
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.setSortRole(AddressModel::kSortRole);
    QAbstractItemModel& shown = sorted ? static_cast<QAbstractItemModel&>(proxy) : model;
    const auto view = ShowList(shown);
    if (sorted) {
        view->sortByColumn(AddressModel::kAddress, Qt::DescendingOrder);
    }
    return TimeMs(*view, [&model, oneByOne] {
        if (!oneByOne) {
            model.Append(AddressModel::kAddressSpace);
            return;
        }
        for (int row = 0; row < AddressModel::kAddressSpace; ++row) {
            model.Append(1);
        }
    });
}

// The model is filled before the list is shown, so only the scrolling is timed.
double Scroll(bool pageByPage) {
    AddressModel model;
    model.Append(AddressModel::kAddressSpace);
    const auto view = ShowList(model);
    if (!pageByPage) {
        return TimeMs(*view, [&view] { view->scrollToBottom(); });
    }
    QScrollBar& bar = *view->verticalScrollBar();
    double total = 0;
    for (int step = 0; step < kPageSteps; ++step) {
        total += TimeMs(*view, [&bar] { bar.setValue(bar.value() + bar.pageStep()); });
    }
    return total / kPageSteps;
}

double Sort(int sortRole) {
    AddressModel model;
    model.Append(AddressModel::kAddressSpace);
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.setSortRole(sortRole);
    const auto view = ShowList(proxy);
    return TimeMs(*view, [&view] { view->sortByColumn(AddressModel::kAddress, Qt::AscendingOrder); });
}

double StateChange() {
    AddressModel model;
    model.Append(AddressModel::kAddressSpace);
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.setSortRole(AddressModel::kSortRole);
    const auto view = ShowList(proxy);
    view->sortByColumn(AddressModel::kAddress, Qt::AscendingOrder);
    double total = 0;
    for (int change = 0; change < kStateChanges; ++change) {
        const int row = change * 65 % AddressModel::kAddressSpace;
        total += TimeMs(*view, [&model, row] { model.Mark(row, QColor(185, 255, 185)); });
    }
    return total / kStateChanges;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    const Case cases[] = {
        {"add 65,025 terminals, one insertion", "ms", [] { return AddAll(false, false); }},
        {"add 65,025 terminals, one insertion each", "ms", [] { return AddAll(true, false); }},
        {"add 65,025 terminals through a sorting proxy, one insertion", "ms",
         [] { return AddAll(false, true); }},
        {"scroll from the first terminal to the last", "ms", [] { return Scroll(false); }},
        {"scroll one page", "ms per page", [] { return Scroll(true); }},
        {"sort 65,025 terminals by address number (sort role)", "ms",
         [] { return Sort(AddressModel::kSortRole); }},
        {"sort 65,025 terminals by address text", "ms", [] { return Sort(Qt::DisplayRole); }},
        {"one terminal's state changes in the sorted list", "ms per change", [] { return StateChange(); }},
    };
    std::printf("median of %d runs\n", runs);
    for (const Case& benchmark : cases) {
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            times.push_back(benchmark.run());
        }
        std::printf("%-62s %9.3f %s\n", benchmark.name, Median(times), benchmark.unit);
    }
    return 0;
}
