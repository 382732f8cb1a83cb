#pragma once

#include <QWidget>

// The voice page: wave files, prompt slots and their transfer to the terminal by sound.
class CVoicePage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};
