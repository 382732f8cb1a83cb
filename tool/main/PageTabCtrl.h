#pragma once

#include <QTabWidget>

// The page tab of the main window: one tab per page, the page of the chosen tab shown below it.
class CPageTabCtrl : public QTabWidget {
    Q_OBJECT
public:
    using QTabWidget::QTabWidget;
};
