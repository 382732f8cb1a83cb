// The real main window on a real Ostrel context, with zenvar-sim's terminals reporting over loopback UDP.
#include "BrokenUdpSocket.h"
#include "RecordingPrompter.h"
#include "ScratchWorkingFolder.h"
#include "SimulatedTerminals.h"
#include "TestDatabase.h"
#include "gridmara/CGridmaraView.h"
#include "main/MainDlg.h"
#include "support/FreeUdpPort.h"
#include "terminals/OstrelSession.h"

#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
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
    QPushButton* button(const char* name) { return m_window->findChild<QPushButton*>(QLatin1String(name)); }

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
    // As the user does it: type the port, add it, press start; another program may take a free port first.
    auto* ports = m_window->findChild<QListWidget*>(QStringLiteral("portList"));
    for (int attempt = 0; attempt < 5 && !button("stopButton")->isVisible(); ++attempt) {
        button("stopButton")->click();
        // The list holds one UDP port: the one that could not be bound leaves before the next is added.
        ports->setCurrentRow(0);
        button("deletePortButton")->click();
        m_port = freeUdpPort();
        m_window->findChild<QLineEdit*>(QStringLiteral("newPort"))->setText(QString::number(m_port));
        button("addPortButton")->click();
        button("startButton")->click();
    }
    QVERIFY(button("stopButton")->isVisible());
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
    // As the message says, Stop and Start open the port again.
    button("stopButton")->click();
    button("startButton")->click();
    QVERIFY(button("stopButton")->isVisible());
    QCOMPARE(m_prompter.messages.size(), 1);
}

QTEST_MAIN(MainWindowSimTest)
#include "MainWindowSimTest.moc"
