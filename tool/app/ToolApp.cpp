#include "app/ToolApp.h"

#include "app/StartupHooks.h"
#include "app/UserWorkFolder.h"
#include "main/MainDlg.h"
#include "prompt/MessageBoxPrompter.h"

#include <QDir>
#include <QFont>

CToolApp::CToolApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tarvex"));
    // The dialogs are laid out for SimSun 9; where it is missing, a CJK sans font that also has Latin glyphs.
    QFont font(QStringLiteral("SimSun"), 9);
    font.setFamilies(
        {QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("DejaVu Sans")});
    setFont(font);
}

bool CToolApp::EnterWorkFolder(Prompter& prompter) {
    const QString shipped = UserWorkFolder::ShippedDataBeside(applicationDirPath());
    if (shipped.isEmpty())
        return true;
    const UserWorkFolder folder(shipped, UserWorkFolder::DefaultLocation());
    QString error;
    if (folder.Prepare(error)) {
        if (QDir::setCurrent(folder.path()))
            return true;
        error = QStringLiteral("cannot enter the folder %1").arg(folder.path());
    }
    // In both languages: the choice between them is kept in the folder that could not be made.
    const QString message = QStringLiteral("Tarvex 无法准备工作文件夹 %1：%2\n"
                                           "Tarvex cannot prepare its working folder %1: %2")
                                .arg(folder.path(), error);
    qWarning("%s", qPrintable(message));
    prompter.inform(message);
    return false;
}

int CToolApp::InitInstance() {
    MessageBoxPrompter prompter;
    if (!EnterWorkFolder(prompter))
        return 1;
    CMainDlg mainDlg(prompter);
    StartupHooks hooks(mainDlg);
    mainDlg.exec();
    return 0;
}
