#pragma once

#include <QApplication>

class Prompter;

// The application: it runs the main window as a modal dialog and ends when that window closes.
class CToolApp : public QApplication {
    Q_OBJECT
public:
    CToolApp(int& argc, char** argv);

    // Runs the whole tool; returns the process's exit code.
    int InitInstance();

private:
    // An installed program works in the user's own working folder, made from its shipped data; one run
    // from the build tree stays in the current folder, which the build prepared. False, after telling the
    // user why, when the folder cannot be made or entered.
    bool EnterWorkFolder(Prompter& prompter);
};
