#pragma once

#include <QApplication>

// The application: it runs the main window as a modal dialog and ends when that window closes.
class CToolApp : public QApplication {
    Q_OBJECT
public:
    CToolApp(int& argc, char** argv);

    // Runs the whole tool; returns the process's exit code.
    int InitInstance();
};
