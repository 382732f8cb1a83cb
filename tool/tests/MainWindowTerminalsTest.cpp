// The main window's ports and terminals, on a live Ostrel: events from its worker thread, ports started
// and stopped, terminals added and deleted by hand.
#include "FullDisk.h"
#include "RecordingPrompter.h"
#include "ScratchWorkingFolder.h"
#include "TestDatabase.h"
#include "gridmara/CGridmaraView.h"
#include "main/MainDlg.h"
#include "support/FreeUdpPort.h"
#include "support/PtyLine.h"
#include "terminals/OstrelSession.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUdpSocket>
#include <array>
#include <memory>
#include <pty.h>
#include <unistd.h>

class MainWindowTerminalsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void handedOverEventsAddRowsAndChangeStates();
    void portsAreKeptOnceEachAndSortedAsTexts();
    void startAndStopFollowTheirPorts();
    void aPortThatFailsKeepsTheContextForTheNextStart();
    void aSerialAndAUdpPortStartTogether();
    void aSerialLineThatGoesAwayShowsLostUntilItIsBack();
    void terminalsAddedByHandAreCheckedAndStartOffLine();
    void deletingATerminalAsksFirst();
    void theListSortsAndFiltersAndTheSelectionStaysOnItsTerminal();
    void aReportingTerminalAppearsAndClosingNeverWaitsForEvents();
    void theActivityIsSavedWhereTheDiskTakesItAndNeverLost();

private:
    template <typename Widget> Widget* child(const char* name) {
        auto* widget = m_window->findChild<Widget*>(QLatin1String(name));
        if (widget == nullptr)
            qFatal("the main window has no %s", name);
        return widget;
    }
    void click(const char* button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    void addPort(const QString& port) {
        child<QLineEdit>("newPort")->setText(port);
        click("addPortButton");
    }
    QStringList rows() {
        QStringList texts;
        const QAbstractItemModel* shown = list()->model();
        for (int row = 0; row < shown->rowCount(); ++row)
            texts << shown->index(row, 0).data().toString() + QLatin1Char(' ') +
                         shown->index(row, 1).data().toString();
        return texts;
    }
    CGridmaraView* list() { return child<CGridmaraView>("terminalList"); }
    // One hand-over of the window's session: port, A, B and newest event code of each terminal.
    void report(std::initializer_list<std::array<int, 4>> events) {
        std::vector<TerminalChange> changes;
        for (const auto& [port, a, b, code] : events)
            changes.push_back({std::uint8_t(port), std::uint8_t(a), std::uint8_t(b), std::uint8_t(code), 0});
        emit m_window->Session().TerminalsChanged(changes);
    }
    bool running() { return child<QPushButton>("stopButton")->isVisible(); }
    // The port list's entry of a port, as it reads.
    QListWidgetItem* portEntry(const QString& port) {
        auto* ports = child<QListWidget>("portList");
        for (int row = 0; row < ports->count(); ++row)
            if (ports->item(row)->text().startsWith(port + QLatin1Char(' ')) ||
                ports->item(row)->text() == port)
                return ports->item(row);
        qFatal("the port list has no %s", qPrintable(port));
    }

    std::unique_ptr<ScratchWorkingFolder> m_folder;
    RecordingPrompter m_prompter;
    std::unique_ptr<CMainDlg> m_window;
};

void MainWindowTerminalsTest::init() {
    m_folder = std::make_unique<ScratchWorkingFolder>();
    QVERIFY(m_folder->isValid());
    QVERIFY(prepareWorkingFolder("English"));
    m_prompter.messages.clear();
    m_prompter.answer = true;
    m_window = std::make_unique<CMainDlg>(m_prompter);
    m_window->show();
}

void MainWindowTerminalsTest::cleanup() {
    m_window.reset();
    m_folder.reset();
}

void MainWindowTerminalsTest::handedOverEventsAddRowsAndChangeStates() {
    // One hand-over: each terminal with its newest event; block and port events are not shown.
    report({{OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_TERMINAL_OFF_LINE},
            {2, 1, 1, OSTREL_EVENT_TERMINAL_OFF_LINE},
            {OSTREL_PORT_UDP, OSTREL_WHOLE_BLOCK, 7, OSTREL_EVENT_TERMINAL_ON_LINE},
            {OSTREL_PORT_UDP, 3, OSTREL_WHOLE_BLOCK, OSTREL_EVENT_BLOCK_ON_LINE}});
    QCOMPARE(rows(), (QStringList{QStringLiteral("11.3.7 Offline"), QStringLiteral("2.1.1 Offline")}));
    QCOMPARE(m_window->Terminals().size(), 2);
    report({{OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_ZONE_ALARM_SET}});
    QCOMPARE(rows().first(), QStringLiteral("11.3.7 Online"));
}

void MainWindowTerminalsTest::portsAreKeptOnceEachAndSortedAsTexts() {
    for (const char* port : {"8000", "3", "9", "10", ""})
        addPort(QLatin1String(port));
    QVERIFY(m_prompter.messages.isEmpty());
    addPort(QStringLiteral("8000"));
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("This port is already in the list.")});
    auto* ports = child<QListWidget>("portList");
    QStringList texts;
    for (int row = 0; row < ports->count(); ++row)
        texts << ports->item(row)->text();
    QCOMPARE(texts, (QStringList{QStringLiteral("10"), QStringLiteral("3"), QStringLiteral("8000"),
                                 QStringLiteral("9")}));
    QCOMPARE(child<QLineEdit>("newPort")->text(), QStringLiteral("8000")); // the edit keeps its text

    click("deletePortButton"); // nothing selected
    QCOMPARE(ports->count(), 4);
    ports->setCurrentRow(1);
    click("deletePortButton");
    QCOMPARE(ports->count(), 3);
    QCOMPARE(ports->item(1)->text(), QStringLiteral("8000"));
    click("deletePortButton"); // the next port did not become selected
    QCOMPARE(ports->count(), 3);
}

void MainWindowTerminalsTest::startAndStopFollowTheirPorts() {
    click("startButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("Add a port first.")});
    QVERIFY(!m_window->Session().Context());

    const QString port = QString::number(freeUdpPort());
    addPort(port);
    click("startButton");
    QVERIFY(running());
    QVERIFY(!child<QPushButton>("addPortButton")->isEnabled());
    QVERIFY(!child<QPushButton>("deletePortButton")->isEnabled());
    QVERIFY(m_window->Session().Context());
    QCOMPARE(portEntry(port)->text(), port + QStringLiteral(" (open)"));

    click("stopButton");
    QVERIFY(!running());
    QCOMPARE(portEntry(port)->text(), port);
    QVERIFY(child<QPushButton>("addPortButton")->isEnabled());
    QVERIFY(!m_window->Session().Context());
    QCOMPARE(m_prompter.messages.size(), 1);
}

void MainWindowTerminalsTest::aPortThatFailsKeepsTheContextForTheNextStart() {
    // COM2 is a device link of the working folder to a device that does not exist.
    QVERIFY(QDir().mkdir(QStringLiteral("dev")));
    QVERIFY(QFile::link(QStringLiteral("no-such-device"), QStringLiteral("dev/COM2")));
    addPort(QStringLiteral("2"));
    addPort(QString::number(freeUdpPort()));
    click("startButton");
    QCOMPARE(m_prompter.messages,
             QStringList{QStringLiteral("A port could not be opened. It may be in use by another program.")});
    QVERIFY(!running());
    QVERIFY(m_window->Session().Context()); // kept with the ports that did start

    click("startButton");
    QVERIFY(running());
    QCOMPARE(m_prompter.messages.size(), 1); // no port is started again
}

void MainWindowTerminalsTest::aSerialAndAUdpPortStartTogether() {
    // COM1 is a pseudo-terminal behind the device link dev/COM1 of the working folder.
    int master = -1;
    int slave = -1;
    char name[256] = {};
    QVERIFY(openpty(&master, &slave, name, nullptr, nullptr) == 0);
    QVERIFY(QDir().mkdir(QStringLiteral("dev")));
    QVERIFY(QFile::link(QString::fromLocal8Bit(name), QStringLiteral("dev/COM1")));
    addPort(QStringLiteral("1"));
    addPort(QString::number(freeUdpPort()));
    click("startButton");
    QVERIFY(m_prompter.messages.isEmpty());
    QVERIFY(running());
    click("stopButton");
    ::close(slave);
    ::close(master);
}

void MainWindowTerminalsTest::aSerialLineThatGoesAwayShowsLostUntilItIsBack() {
    constexpr int kWaitMs = 20000;
    const QColor lostColour(0xa0, 0x00, 0x00);
    auto first = std::make_unique<PtyLine>();
    first->linkAs(4);
    addPort(QStringLiteral("4"));
    click("startButton");
    QVERIFY(running());
    first->releaseSlave();
    QListWidgetItem* line = portEntry(QStringLiteral("4"));
    QCOMPARE(line->text(), QStringLiteral("4 (open)"));

    // The cable is pulled: the line is lost, in red.
    first->hangUp();
    QTRY_COMPARE_WITH_TIMEOUT(line->text(), QStringLiteral("4 (lost)"), kWaitMs);
    QCOMPARE(line->foreground().color(), lostColour);

    // A device appears again behind the link: Ostrel opens it by itself.
    PtyLine second;
    second.linkAs(4);
    QTRY_COMPARE_WITH_TIMEOUT(line->text(), QStringLiteral("4 (reopened)"), kWaitMs);
    second.releaseSlave();
    QVERIFY(line->foreground().color() != lostColour);
    QVERIFY(m_prompter.messages.isEmpty());

    // The list still holds the port as typed: it starts again after a stop.
    click("stopButton");
    QCOMPARE(line->text(), QStringLiteral("4"));
    click("startButton");
    QCOMPARE(line->text(), QStringLiteral("4 (open)"));
}

void MainWindowTerminalsTest::terminalsAddedByHandAreCheckedAndStartOffLine() {
    auto* address = child<QLineEdit>("newTerminalAddress");
    click("addTerminalButton");
    address->setText(QStringLiteral("1..2"));
    click("addTerminalButton");
    QCOMPARE(
        m_prompter.messages,
        (QStringList{QStringLiteral("Enter a terminal address."),
                     QStringLiteral("The terminal address is not valid. Enter it as port.address.address, "
                                    "for example 11.3.7.")}));
    address->setText(QStringLiteral("011.3.7"));
    click("addTerminalButton");
    report({{OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_TERMINAL_ON_LINE}});
    QCOMPARE(rows(), (QStringList{QStringLiteral("011.3.7 Offline"),
                                  QStringLiteral("11.3.7 Online")})); // events are matched by their text
}

void MainWindowTerminalsTest::deletingATerminalAsksFirst() {
    report({{OSTREL_PORT_UDP, 1, 1, OSTREL_EVENT_TERMINAL_ON_LINE},
            {OSTREL_PORT_UDP, 1, 2, OSTREL_EVENT_TERMINAL_ON_LINE}});
    click("deleteTerminalButton");
    QVERIFY(m_prompter.messages.isEmpty()); // nothing selected, nothing asked

    list()->selectRow(0);
    QCOMPARE(m_window->SelectedTerminalIndex(), 0);
    m_prompter.answer = false;
    click("deleteTerminalButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("Confirm: Delete the selected terminal?")});
    QCOMPARE(rows().size(), 2);

    m_prompter.answer = true;
    click("deleteTerminalButton");
    QCOMPARE(rows(), QStringList{QStringLiteral("11.1.2 Online")});
    QCOMPARE(m_window->Terminals().at(0).addressText, QStringLiteral("11.1.2"));
    QCOMPARE(m_window->SelectedTerminalIndex(), -1);
}

void MainWindowTerminalsTest::theListSortsAndFiltersAndTheSelectionStaysOnItsTerminal() {
    report({{OSTREL_PORT_UDP, 10, 1, OSTREL_EVENT_TERMINAL_ON_LINE},
            {OSTREL_PORT_UDP, 2, 30, OSTREL_EVENT_TERMINAL_OFF_LINE},
            {OSTREL_PORT_UDP, 2, 4, OSTREL_EVENT_TERMINAL_ON_LINE},
            {OSTREL_PORT_COM1, 9, 9, OSTREL_EVENT_TERMINAL_ON_LINE}});
    list()->selectRow(2);
    QCOMPARE(m_window->SelectedTerminal()->addressText, QStringLiteral("11.2.4"));

    // A click on the address header sorts by port, A and B as numbers; the selection keeps its terminal.
    QHeaderView* header = list()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    QCOMPARE(rows(), (QStringList{"1.9.9 Online", "11.2.4 Online", "11.2.30 Offline", "11.10.1 Online"}));
    QCOMPARE(m_window->SelectedTerminal()->addressText, QStringLiteral("11.2.4"));
    // The state column sorts off line first; events keep arriving into the sorted list.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    report({{OSTREL_PORT_UDP, 10, 1, OSTREL_EVENT_TERMINAL_OFF_LINE}});
    QCOMPARE(rows().mid(0, 2), (QStringList{"11.2.30 Offline", "11.10.1 Offline"}));
    QCOMPARE(m_window->SelectedTerminal()->addressText, QStringLiteral("11.2.4"));

    // The filter narrows the list by address or state as it is typed, in any letter case.
    QTest::keyClicks(child<QLineEdit>("terminalFilter"), QStringLiteral("11.2."));
    QCOMPARE(rows(), (QStringList{"11.2.30 Offline", "11.2.4 Online"}));
    QCOMPARE(m_window->SelectedTerminal()->addressText, QStringLiteral("11.2.4"));
    child<QLineEdit>("terminalFilter")->setText(QStringLiteral("OFFLINE"));
    QCOMPARE(rows(), (QStringList{"11.2.30 Offline", "11.10.1 Offline"}));

    // Delete works on the terminal shown, whatever its place among all of them.
    list()->selectRow(1);
    click("deleteTerminalButton");
    QCOMPARE(rows(), QStringList{"11.2.30 Offline"});
    QCOMPARE(m_window->Terminals().size(), 3);
    child<QLineEdit>("terminalFilter")->clear();
    QCOMPARE(rows().size(), 3);
}

void MainWindowTerminalsTest::aReportingTerminalAppearsAndClosingNeverWaitsForEvents() {
    const quint16 port = freeUdpPort();
    addPort(QString::number(port));
    click("startButton");
    QVERIFY(running());

    // A protocol type 1 terminal 4.5 reporting, then hundreds of terminals at once while the window closes.
    QUdpSocket terminal;
    const QByteArray report("\x08\x04\x05\x00\x00\x00\x01\x12", 8);
    terminal.writeDatagram(report, QHostAddress::LocalHost, port);
    QTRY_COMPARE(rows(), QStringList{QStringLiteral("11.4.5 Online")});
    for (int b = 0; b < 200; ++b) {
        QByteArray flood("\x08\x06\x00\x00\x00\x00\x01\x00", 8);
        flood[2] = static_cast<char>(b);
        flood[7] = static_cast<char>(8 + 6 + b + 1);
        terminal.writeDatagram(flood, QHostAddress::LocalHost, port);
    }
    m_window->close();
    QVERIFY(!m_window->Session().Context()); // closing quits communication
}

void MainWindowTerminalsTest::theActivityIsSavedWhereTheDiskTakesItAndNeverLost() {
    // A terminal added by hand was never heard: its command is dropped unsent.
    addPort(QString::number(freeUdpPort()));
    click("startButton");
    child<QLineEdit>("newTerminalAddress")->setText(QStringLiteral("11.9.9"));
    click("addTerminalButton");
    list()->selectRow(0);
    child<QRadioButton>("ledAction.LedClean")->click();
    click("ledSend");
    const QAbstractItemModel* activity = child<CGridmaraView>("activityList")->model();
    QCOMPARE(activity->rowCount(), 1);
    QCOMPARE(activity->index(0, 1).data().toString(), QStringLiteral("11.9.9"));
    QTRY_COMPARE(activity->index(0, 3).data().toString(), QStringLiteral("Unreachable (not sent)"));

    // Choosing no file saves nothing and says nothing.
    click("activitySaveButton");
    QVERIFY(m_prompter.messages.isEmpty());
    // A full disk is told, and leaves neither a file nor a gap in the list.
    m_prompter.savePath = QStringLiteral("activity.csv");
    {
        const FullDisk full;
        QVERIFY(full.isSet());
        click("activitySaveButton");
    }
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY2(m_prompter.messages[0].startsWith(QStringLiteral("The command activity could not be saved in "
                                                              "activity.csv: ")),
             qPrintable(m_prompter.messages[0]));
    QVERIFY2(m_prompter.messages[0].endsWith(
                 QStringLiteral(". Every row is still in the list; try saving it somewhere else.")),
             qPrintable(m_prompter.messages[0]));
    QVERIFY(!QFile::exists(QStringLiteral("activity.csv")));
    QCOMPARE(activity->rowCount(), 1);
    click("activitySaveButton");
    QVERIFY(QFile::exists(QStringLiteral("activity.csv")));
    QCOMPARE(m_prompter.messages.size(), 1);

    // Outcomes that never reached the list are told under it until it is cleared.
    auto* lost = child<QLabel>("activityLostLine");
    QVERIFY(lost->isHidden());
    emit m_window->Session().OutcomesLost(3);
    emit m_window->Session().OutcomesLost(2);
    QVERIFY(!lost->isHidden());
    QCOMPARE(lost->text(),
             QStringLiteral("5 command results came too fast to be shown; their rows still say Queued."));
    click("activityClearButton");
    QVERIFY(lost->isHidden());
    QCOMPARE(activity->rowCount(), 0);
}

QTEST_MAIN(MainWindowTerminalsTest)
#include "MainWindowTerminalsTest.moc"
