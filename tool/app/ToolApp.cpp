#include "app/ToolApp.h"

#include "app/StartupHooks.h"
#include "main/MainDlg.h"
#include "prompt/MessageBoxPrompter.h"

#include <QFont>

CToolApp::CToolApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tarvex"));
    // The dialogs are laid out for SimSun 9; where it is missing, a CJK sans font that also has Latin glyphs.
    QFont font(QStringLiteral("SimSun"), 9);
    font.setFamilies(
        {QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("DejaVu Sans")});
    setFont(font);
}

int CToolApp::InitInstance() {
    MessageBoxPrompter prompter;
    CMainDlg mainDlg(prompter);
    StartupHooks hooks(mainDlg);
    mainDlg.exec();
    return 0;
}
