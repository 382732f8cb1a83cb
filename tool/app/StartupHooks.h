#pragma once

#include <QString>
#include <QStringList>

class CMainDlg;

// Lets scripts and tests watch a start of the tool without a person at the screen. Once the main window
// shows, and only when the environment asks for it:
//   TARVEX_SCREENSHOT=<file.png>        saves an image of the window;
//   TARVEX_QUIT_AFTER_START=<file>      appends one line with the window title and the selected language;
//   TARVEX_PAGE=<0, 1 or 2>             shows that page (base control, programming, voice) from the start;
//   TARVEX_SORT=<0 or 1>                sorts the terminal list by that column (address, state);
//   TARVEX_FILTER=<text>                types the text into the terminal list's filter box;
//   TARVEX_DEMO_PORTS="6000 1"          first adds these ports and presses start, then waits until the
//                                       terminals that report have shown up (quiet for a while, or at most
//                                       a few seconds) before the screenshot;
// and with a screenshot or a marker the window then closes through its close sequence.
class StartupHooks {
public:
    explicit StartupHooks(CMainDlg& mainDlg);

private:
    void StartPorts();
    void WaitForTerminals();
    void Run();

    CMainDlg& m_mainDlg;
    const QString m_screenshotPath;
    const QString m_markerPath;
    const QStringList m_demoPorts;
    int m_lastCount = 0;
    int m_quietChecks = 0;
    int m_checks = 0;
};
