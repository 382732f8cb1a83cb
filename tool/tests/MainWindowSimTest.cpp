// The real main window on a real Ostrel context, with zenvar-sim's terminals reporting over loopback UDP.
#include "BrokenUdpSocket.h"
#include "CsvRecords.h"
#include "MainWindowUser.h"
#include "RecordingPrompter.h"
#include "ScratchWorkingFolder.h"
#include "SimulatedTerminals.h"
#include "TestDatabase.h"
#include "activity/ActivityLog.h"
#include "gridmara/CGridmaraView.h"
#include "main/MainDlg.h"
#include "terminals/OstrelSession.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QUdpSocket>
#include <memory>

class MainWindowSimTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void terminalsComeOnLineSignOffAndKeepTheirRowsWhenStopped();
    void closingWhileTerminalsKeepReportingNeverHangs();
    void commandsATerminalLeavesUnansweredAreToldInOneLine();
    void aUdpPortTheNetworkClosesIsToldOnce();
    void theActivityPaneTellsWhatBecameOfEveryCommandAndSavesItAsShown();
    void commandsStillWaitingWhenCommunicationStopsAreShownDiscarded();

private:
    void startOnFreePort();
    QString stateOf(const QString& address) {
        const QAbstractItemModel* rows =
            m_window->findChild<CGridmaraView*>(QStringLiteral("terminalList"))->model();
        for (int row = 0; row < rows->rowCount(); ++row)
            if (rows->index(row, 0).data().toString() == address)
                return rows->index(row, 1).data().toString();
        return {};
    }
    QPushButton* button(const char* name) { return main_window_user::button(*m_window, name); }
    void selectTerminal(const QString& address) {
        QVERIFY2(main_window_user::selectTerminal(*m_window, address), qPrintable(address));
    }
    const QAbstractItemModel& activity() { return main_window_user::activity(*m_window); }
    QStringList activityColumn(int column) { return main_window_user::activityColumn(*m_window, column); }

    std::unique_ptr<ScratchWorkingFolder> m_folder;
    RecordingPrompter m_prompter;
    std::unique_ptr<CMainDlg> m_window;
    SimulatedTerminals m_sim;
    int m_port = 0;
};

void MainWindowSimTest::init() {
    m_folder = std::make_unique<ScratchWorkingFolder>();
    QVERIFY(m_folder->isValid());
    QVERIFY(prepareWorkingFolder("English"));
    m_prompter.messages.clear();
    m_window = std::make_unique<CMainDlg>(m_prompter);
    m_window->show();
    startOnFreePort();
}

void MainWindowSimTest::cleanup() {
    m_sim.stop();
    m_window.reset();
    m_folder.reset();
}

void MainWindowSimTest::startOnFreePort() {
    // As the user does it: type the port, add it, press start.
    m_port = main_window_user::startOnFreeUdpPort(*m_window);
    QVERIFY(m_port != 0);
}

void MainWindowSimTest::terminalsComeOnLineSignOffAndKeepTheirRowsWhenStopped() {
    QVERIFY(
        m_sim.start(m_port, {QStringLiteral("--type"), QStringLiteral("2"), QStringLiteral("--terminals"),
                             QStringLiteral("1.1-3"), QStringLiteral("--interval"), QStringLiteral("1")}));
    for (const char* address : {"11.1.1", "11.1.2", "11.1.3"})
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(QLatin1String(address)), QStringLiteral("Online"),
                                  SimulatedTerminals::kWaitMs);

    m_sim.command("offline 1.2");
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(QStringLiteral("11.1.2")), QStringLiteral("Offline"),
                              SimulatedTerminals::kWaitMs);
    QCOMPARE(stateOf(QStringLiteral("11.1.1")), QStringLiteral("Online"));

    button("stopButton")->click();
    QVERIFY(!m_window->Session().Context());
    QCOMPARE(stateOf(QStringLiteral("11.1.3")), QStringLiteral("Online")); // rows keep their last states
    QCOMPARE(stateOf(QStringLiteral("11.1.2")), QStringLiteral("Offline"));
    QVERIFY(m_prompter.messages.isEmpty());
}

void MainWindowSimTest::closingWhileTerminalsKeepReportingNeverHangs() {
    // Two hundred terminals reporting ten times a second keep Ostrel's worker thread handing over events.
    QVERIFY(m_sim.start(m_port, {QStringLiteral("--terminals"), QStringLiteral("1-2.1-100"),
                                 QStringLiteral("--interval"), QStringLiteral("0.1")}));
    QTRY_VERIFY_WITH_TIMEOUT(m_window->Terminals().size() > 50, SimulatedTerminals::kWaitMs);
    m_window->close();
    QVERIFY(!m_window->Session().Context());
}

void MainWindowSimTest::commandsATerminalLeavesUnansweredAreToldInOneLine() {
    constexpr int kWaitMs = SimulatedTerminals::kWaitMs;
    QVERIFY(m_sim.start(m_port, {QStringLiteral("--terminals"), QStringLiteral("1.1-2"),
                                 QStringLiteral("--interval"), QStringLiteral("1")}));
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(QStringLiteral("11.1.2")), QStringLiteral("Online"), kWaitMs);
    auto* line = m_window->findChild<QLabel*>(QStringLiteral("commandFailureLine"));
    QVERIFY(line != nullptr);
    QVERIFY(line->isHidden());

    // Terminal 1.2 still reports, but answers no command any more: each is given up on after its retries.
    m_sim.command("silent 1.2");
    OstrelContext* context = m_window->Session().Context();
    QVERIFY(Cmd_LCDcleans_Send(context, OSTREL_PORT_UDP, 1, 2, 0));
    QVERIFY(Cmd_LCDcleans_Send(context, OSTREL_PORT_UDP, 1, 2, 0));
    QTRY_VERIFY_WITH_TIMEOUT(line->text().contains(QStringLiteral(": 2 failed since ")), kWaitMs);
    QVERIFY2(
        line->text().startsWith(QStringLiteral("Commands to terminal 11.1.2 get no answer: 2 failed since ")),
        qPrintable(line->text()));
    QVERIFY(!line->isHidden());
    QVERIFY2(m_prompter.messages.isEmpty(), "no message box for a failed command");

    // Going off line says nothing of its commands; coming on line again ends the line.
    m_sim.command("offline 1.2");
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(QStringLiteral("11.1.2")), QStringLiteral("Offline"), kWaitMs);
    QVERIFY(!line->isHidden());
    m_sim.command("online 1.2");
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(QStringLiteral("11.1.2")), QStringLiteral("Online"), kWaitMs);
    QVERIFY(line->isHidden());

    // Still silent: a new failure starts a new count, and stopping communication ends it.
    QVERIFY(Cmd_LCDcleans_Send(context, OSTREL_PORT_UDP, 1, 2, 0));
    QTRY_VERIFY_WITH_TIMEOUT(!line->isHidden(), kWaitMs);
    QVERIFY2(line->text().contains(QStringLiteral(": 1 failed since ")), qPrintable(line->text()));
    button("stopButton")->click();
    QVERIFY(line->isHidden());
    QVERIFY(m_prompter.messages.isEmpty());
}

void MainWindowSimTest::aUdpPortTheNetworkClosesIsToldOnce() {
    {
        const BrokenUdpSocket broken(m_port);
        QVERIFY(broken.isBroken());
        QUdpSocket terminal;
        terminal.writeDatagram("?", 1, QHostAddress::LocalHost, quint16(m_port));
        QTRY_COMPARE_WITH_TIMEOUT(m_prompter.messages.size(), 1, SimulatedTerminals::kWaitMs);
    }
    QCOMPARE(m_prompter.messages,
             QStringList{QStringLiteral("The network closed the UDP port: terminals on it "
                                        "are no longer heard. Press Stop, then Start, to "
                                        "open it again.")});
    QListWidgetItem* port = m_window->findChild<QListWidget*>(QStringLiteral("portList"))->item(0);
    QCOMPARE(port->text(), QStringLiteral("%1 (lost)").arg(m_port));
    // As the message says, Stop and Start open the port again.
    button("stopButton")->click();
    QCOMPARE(port->text(), QString::number(m_port));
    button("startButton")->click();
    QVERIFY(button("stopButton")->isVisible());
    QCOMPARE(port->text(), QStringLiteral("%1 (open)").arg(m_port));
    QCOMPARE(m_prompter.messages.size(), 1);
}

void MainWindowSimTest::theActivityPaneTellsWhatBecameOfEveryCommandAndSavesItAsShown() {
    constexpr int kWaitMs = SimulatedTerminals::kWaitMs;
    constexpr int kLateMs = 1500;
    QVERIFY(m_sim.start(m_port, {QStringLiteral("--terminals"), QStringLiteral("1.1-3"),
                                 QStringLiteral("--interval"), QStringLiteral("1")}));
    for (const char* address : {"11.1.1", "11.1.2", "11.1.3"})
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(QLatin1String(address)), QStringLiteral("Online"), kWaitMs);
    // 1.1 answers at once, 1.2 late, 1.3 not at all.
    m_sim.command("reply 1.2 late " + QByteArray::number(kLateMs));
    m_sim.command("silent 1.3");

    // Each terminal's display is cleared from the base control page, as the user does it.
    for (const char* address : {"11.1.1", "11.1.2", "11.1.3"}) {
        selectTerminal(QLatin1String(address));
        main_window_user::clearDisplay(*m_window);
    }
    QCOMPARE(activityColumn(ActivityLog::TerminalColumn), (QStringList{"11.1.1", "11.1.2", "11.1.3"}));
    QCOMPARE(activityColumn(ActivityLog::CommandColumn), QStringList(3, QStringLiteral("Clear display")));
    static const QRegularExpression time(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
    QVERIFY2(time.match(activityColumn(ActivityLog::TimeColumn).first()).hasMatch(),
             qPrintable(activityColumn(ActivityLog::TimeColumn).first()));
    QTRY_VERIFY_WITH_TIMEOUT(!activityColumn(ActivityLog::ResultColumn).contains(QStringLiteral("Queued")),
                             kWaitMs);
    const QStringList results = activityColumn(ActivityLog::ResultColumn);
    static const QRegularExpression answered(QStringLiteral("^Answered \\((\\d+) ms\\)$"));
    const QRegularExpressionMatch atOnce = answered.match(results[0]);
    const QRegularExpressionMatch late = answered.match(results[1]);
    QVERIFY2(atOnce.hasMatch() && late.hasMatch(), qPrintable(results.join(QStringLiteral(" | "))));
    QVERIFY2(late.captured(1).toInt() >= kLateMs, qPrintable(results[1]));
    QVERIFY2(atOnce.captured(1).toInt() < kLateMs, qPrintable(results[0]));
    QCOMPARE(results[2], QStringLiteral("Failed (sent 3×)"));

    // A programming run's end says how it went; its commands are in the pane with their codes.
    selectTerminal(QStringLiteral("11.1.1"));
    m_window->findChild<QTabWidget*>(QStringLiteral("pageTab"))->setCurrentIndex(1);
    auto* modelBox = m_window->findChild<QComboBox*>(QStringLiteral("modelBox"));
    modelBox->setCurrentIndex(1); // ZV-K200, whose master code 5 has two sub codes
    emit modelBox->activated(1);
    auto* masterCodeBox = m_window->findChild<QComboBox*>(QStringLiteral("masterCodeBox"));
    const int masterCode5 = masterCodeBox->findText(QStringLiteral("欢迎信息"));
    QVERIFY(masterCode5 >= 0);
    masterCodeBox->setCurrentIndex(masterCode5);
    emit masterCodeBox->activated(masterCode5);
    m_window->findChild<QRadioButton*>(QStringLiteral("sendScope.AllSubCode"))->click();
    button("sendButton")->click();
    QVERIFY(!button("sendButton")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(button("sendButton")->isEnabled(), kWaitMs);
    QCOMPARE(m_prompter.messages,
             (QStringList{QStringLiteral("Confirm: Send the values to the terminal?"),
                          QStringLiteral("All commands have been sent.\n2 answered, 0 not answered.")}));
    QCOMPARE(activityColumn(ActivityLog::CommandColumn).mid(3),
             (QStringList{QStringLiteral("Program, master code 5, sub code 1"),
                          QStringLiteral("Program, master code 5, sub code 2")}));
    QTRY_VERIFY_WITH_TIMEOUT(!activityColumn(ActivityLog::ResultColumn).contains(QStringLiteral("Queued")),
                             kWaitMs);

    // Saved as CSV: the rows as the pane shows them, commas and all.
    m_prompter.savePath = QDir::current().filePath(QStringLiteral("activity.csv"));
    button("activitySaveButton")->click();
    QCOMPARE(m_prompter.savePathQuestions.size(), 1);
    QVERIFY2(m_prompter.savePathQuestions[0].startsWith(
                 QStringLiteral("Save the Command Activity as CSV: activity-")),
             qPrintable(m_prompter.savePathQuestions[0]));
    QFile saved(m_prompter.savePath);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QList<QStringList> records = csvRecords(QString::fromUtf8(saved.readAll()));
    QCOMPARE(records.size(), 6);
    QCOMPARE(records, shownRecords(activity()));
    QCOMPARE(m_prompter.messages.size(), 2);

    // Clear empties the pane; the file stays.
    button("activityClearButton")->click();
    QCOMPARE(activity().rowCount(), 0);
    QVERIFY(QFile::exists(m_prompter.savePath));
}

void MainWindowSimTest::commandsStillWaitingWhenCommunicationStopsAreShownDiscarded() {
    QVERIFY(m_sim.start(m_port, {QStringLiteral("--terminals"), QStringLiteral("1.1"),
                                 QStringLiteral("--interval"), QStringLiteral("1")}));
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(QStringLiteral("11.1.1")), QStringLiteral("Online"),
                              SimulatedTerminals::kWaitMs);
    m_sim.command("silent 1.1");
    selectTerminal(QStringLiteral("11.1.1"));
    // One frame waits for its reply, the other behind it in the queue.
    main_window_user::clearDisplay(*m_window);
    main_window_user::clearDisplay(*m_window);
    QCOMPARE(activityColumn(ActivityLog::ResultColumn), QStringList(2, QStringLiteral("Queued")));
    button("stopButton")->click();
    QCOMPARE(activityColumn(ActivityLog::ResultColumn),
             QStringList(2, QStringLiteral("Discarded (stopped)")));
}

QTEST_MAIN(MainWindowSimTest)
#include "MainWindowSimTest.moc"
