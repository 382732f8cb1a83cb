// Pictures of the main window at its initial size with the activity pane showing every kind of fate, in
// Chinese and in English. Not a test: a program run by hand, offscreen,
//   QT_QPA_PLATFORM=offscreen tarvex-activity-screens <folder>
// writes <folder>/activity-zh.png and <folder>/activity-en.png. zenvar-sim's terminals answer at once, late
// and never; a terminal added by hand was never heard; the last command is still waiting.
#include "MainWindowUser.h"
#include "RecordingPrompter.h"
#include "ScratchWorkingFolder.h"
#include "SimulatedTerminals.h"
#include "TestDatabase.h"
#include "activity/ActivityLog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

namespace {

constexpr int kWaitMs = 60000;

using namespace main_window_user;

bool Settled(CMainDlg& window, const QString& queuedText) {
    return !activityColumn(window, ActivityLog::ResultColumn).contains(queuedText);
}

// Fills the window's activity pane and saves its picture; false, after saying why, when something failed.
bool SaveScreen(const char* language, const QString& queuedText, const QString& path) {
    const ScratchWorkingFolder folder;
    if (!folder.isValid() || !prepareWorkingFolder(language)) {
        std::fprintf(stderr, "cannot prepare a working folder\n");
        return false;
    }
    RecordingPrompter prompter;
    CMainDlg window(prompter);
    window.show();
    const int port = startOnFreeUdpPort(window);
    SimulatedTerminals sim;
    if (port == 0 || !sim.start(port, {QStringLiteral("--terminals"), QStringLiteral("1.1-4"),
                                       QStringLiteral("--interval"), QStringLiteral("1")})) {
        std::fprintf(stderr, "cannot start the port or the simulated terminals\n");
        return false;
    }
    if (!QTest::qWaitFor([&] { return window.Terminals().size() == 4; }, kWaitMs)) {
        std::fprintf(stderr, "the simulated terminals did not report\n");
        return false;
    }
    sim.command("reply 1.2 late 1200");
    sim.command("silent 1.3");

    // A programming run: ZV-K200's welcome text, two sub codes.
    selectTerminal(window, QStringLiteral("11.1.4"));
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("pageTab"));
    pages->setCurrentIndex(1);
    auto* modelBox = window.findChild<QComboBox*>(QStringLiteral("modelBox"));
    modelBox->setCurrentIndex(1);
    emit modelBox->activated(1);
    auto* masterCodeBox = window.findChild<QComboBox*>(QStringLiteral("masterCodeBox"));
    const int welcome = masterCodeBox->findText(QStringLiteral("欢迎信息"));
    masterCodeBox->setCurrentIndex(welcome);
    emit masterCodeBox->activated(welcome);
    window.findChild<QRadioButton*>(QStringLiteral("sendScope.AllSubCode"))->click();
    button(window, "sendButton")->click();
    pages->setCurrentIndex(0);
    // Never heard of: dropped unsent.
    window.findChild<QLineEdit*>(QStringLiteral("newTerminalAddress"))->setText(QStringLiteral("11.9.9"));
    button(window, "addTerminalButton")->click();
    selectTerminal(window, QStringLiteral("11.9.9"));
    clearDisplay(window);
    // Answered at once, late and not at all.
    for (const char* address : {"11.1.1", "11.1.2", "11.1.3"}) {
        selectTerminal(window, QLatin1String(address));
        clearDisplay(window);
    }
    if (!QTest::qWaitFor([&] { return Settled(window, queuedText); }, kWaitMs)) {
        std::fprintf(stderr, "the commands got no outcome\n");
        return false;
    }
    // One more for the silent terminal, still waiting in the picture.
    selectTerminal(window, QStringLiteral("11.1.3"));
    clearDisplay(window);
    if (!window.grab().save(path, "PNG")) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarvex-activity-screens <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const bool saved = SaveScreen("Chinese", QStringLiteral("已排队"),
                                  folder.absoluteFilePath(QStringLiteral("activity-zh.png"))) &&
                       SaveScreen("English", QStringLiteral("Queued"),
                                  folder.absoluteFilePath(QStringLiteral("activity-en.png")));
    return saved ? 0 : 1;
}
