#pragma once

#include <QWidget>

// The base control page: everyday commands to the selected terminal.
class CBaseCtrlPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};
