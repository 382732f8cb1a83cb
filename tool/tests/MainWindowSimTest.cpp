// The real main window on a real Ostrel context, with zenvar-sim's terminals reporting over loopback UDP.
#include "RecordingPrompter.h"
#include "ScratchWorkingFolder.h"
#include "SimulatedTerminals.h"
#include "TestDatabase.h"
#include "gridmara/CGridmaraView.h"
#include "main/MainDlg.h"
#include "support/FreeUdpPort.h"
#include "terminals/OstrelSession.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <memory>

class MainWindowSimTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void terminalsComeOnLineSignOffAndKeepTheirRowsWhenStopped();
    void closingWhileTerminalsKeepReportingNeverHangs();

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

QTEST_MAIN(MainWindowSimTest)
#include "MainWindowSimTest.moc"
