#pragma once

#include <QWidget>

// The programming page: device models, master and sub codes, and their programming values.
class CProgramPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};
