#include "app/ToolApp.h"

#include "app/StartupHooks.h"
#include "main/MainDlg.h"
#include "prompt/MessageBoxPrompter.h"

#include <QFont>

CToolApp::CToolApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tarvex"));
    // The dialogs are laid out for SimSun 9; where it is missing Qt picks an installed CJK font.
    setFont(QFont(QStringLiteral("SimSun"), 9));
}

int CToolApp::InitInstance() {
    MessageBoxPrompter prompter;
    CMainDlg mainDlg(prompter);
    StartupHooks hooks(mainDlg);
    mainDlg.exec();
    return 0;
}
