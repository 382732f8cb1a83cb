#pragma once

#include <QString>

class CMainDlg;

// Lets scripts and tests watch a start of the tool without a person at the screen. Once the main window
// shows, and only when the environment asks for it:
//   TARVEX_SCREENSHOT=<file.png>        saves an image of the window;
//   TARVEX_QUIT_AFTER_START=<file>      appends one line with the window title and the selected language;
// and with either of them the window then closes through its close sequence.
class StartupHooks {
public:
    explicit StartupHooks(CMainDlg& mainDlg);

private:
    void Run();

    CMainDlg& m_mainDlg;
    const QString m_screenshotPath;
    const QString m_markerPath;
};
