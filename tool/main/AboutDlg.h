#pragma once

#include <QDialog>

// The about box, opened from the main window's menu. Its texts are the same in every language.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
