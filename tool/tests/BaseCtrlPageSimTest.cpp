#include "OstrelOnFreeUdpPort.h"
#include "RecordingPrompter.h"
#include "SimulatedTerminals.h"
#include "TerminalsHeard.h"
#include "TestDatabase.h"
#include "basectrl/BaseCtrlPage.h"
#include "terminals/OstrelSession.h"

#include <QComboBox>
#include <QDateEdit>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>

namespace {
constexpr int kWaitMs = SimulatedTerminals::kWaitMs;
} // namespace

// The command road end to end: the page's buttons, Ostrel over loopback UDP, and zenvar-sim as terminal
// 1.2, whose frame log says what arrived.
class BaseCtrlPageSimTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyButtonReachesTheTerminal();

private:
    // The command records of the simulator's frame log, in the order the frames arrived.
    QList<QJsonObject> receivedCommands() const;

    QTemporaryDir m_folder;
    TerminalsHeard m_terminals;
    SimulatedTerminals m_sim;
};

void BaseCtrlPageSimTest::initTestCase() {
    QVERIFY(m_folder.isValid());
    const int port = startOstrelOnFreeUdpPort(m_terminals.session);
    QVERIFY(port != 0);
    QVERIFY(m_sim.start(port, {QStringLiteral("--terminals"), QStringLiteral("1.2")},
                        {QStringLiteral("--json"), m_folder.filePath(QStringLiteral("frames.jsonl"))}));
    // Its first status report makes the terminal known to Ostrel, which can then route commands to it.
    QVERIFY(QTest::qWaitFor([this] { return m_terminals.addresses.contains(QStringLiteral("11.1.2")); },
                            kWaitMs));
}

void BaseCtrlPageSimTest::cleanupTestCase() {
    m_terminals.session.Stop();
    m_sim.stop();
}

QList<QJsonObject> BaseCtrlPageSimTest::receivedCommands() const {
    return SimulatedTerminals::commandsLogged(m_folder.filePath(QStringLiteral("frames.jsonl")));
}

void BaseCtrlPageSimTest::everyButtonReachesTheTerminal() {
    const TerminalEntry terminal{OSTREL_PORT_UDP, 1, 2, true, QStringLiteral("11.1.2")};
    RecordingPrompter prompter;
    CBaseCtrlPage page(prompter, builtWorkFile(QStringLiteral("DB/Chinese.mdb")), m_terminals.session,
                       [&terminal] { return &terminal; });
    const auto box = [&page](const char* name) { return page.findChild<QLineEdit*>(QLatin1String(name)); };
    const auto press = [&page](const char* name) {
        QTest::mouseClick(page.findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
    };

    page.findChild<QRadioButton*>(QStringLiteral("armAction.Lay"))->click();
    page.findChild<QComboBox*>(QStringLiteral("zoneList"))->setCurrentIndex(3);
    press("layCtrlSend");
    box("soundingTime")->setText(QStringLiteral("50"));
    box("pauseTime")->setText(QStringLiteral("25"));
    box("totalTime")->setText(QStringLiteral("500"));
    press("buzzerSend");
    box("ledContent")->setText(QStringLiteral("欢迎光临"));
    press("ledSend");
    box("messageContent")->setText(QStringLiteral("Zenvar 你好"));
    press("notesSend");
    page.findChild<QRadioButton*>(QStringLiteral("outputKind.Relay"))->click();
    page.findChild<QRadioButton*>(QStringLiteral("outputState.tOn"))->click();
    box("startNumber")->setText(QStringLiteral("63"));
    box("outputCount")->setText(QStringLiteral("5"));
    press("outputSend");
    page.findChild<QDateEdit*>(QStringLiteral("date"))->setDate(QDate(2010, 9, 27));
    page.findChild<QTimeEdit*>(QStringLiteral("time"))->setTime(QTime(8, 5, 0));
    press("timeSend");
    page.findChild<QComboBox*>(QStringLiteral("nameTarget"))->setCurrentIndex(2);
    box("namePassword")->setText(QStringLiteral("1234"));
    box("name")->setText(QStringLiteral("前门"));
    press("nameSend");
    QVERIFY(prompter.messages.isEmpty());

    // One frame waits for the terminal's reply before the next goes out.
    QVERIFY(QTest::qWaitFor([this] { return receivedCommands().size() >= 8; }, kWaitMs));
    QStringList described;
    for (const QJsonObject& command : receivedCommands()) {
        QStringList line{command.value(QStringLiteral("terminal")).toString(),
                         command.value(QStringLiteral("command")).toString()};
        for (const char* field : {"password", "action", "zone", "total", "sounding", "pause", "argument",
                                  "text", "output", "state", "value", "selector", "name"}) {
            const QString key = QLatin1String(field);
            if (command.contains(key))
                line.append(key + QLatin1Char('=') + command.value(key).toVariant().toString());
        }
        described.append(line.join(QLatin1Char(' ')));
        // Bytes 3 to 5 of the frame: the header word and the reserved byte, all 0.
        QCOMPARE(command.value(QStringLiteral("bytes")).toString().mid(6, 6), QStringLiteral("000000"));
    }
    QCOMPARE(described, (QStringList{
                            QStringLiteral("1.2 TerminalControl password=5863 action=1 zone=3"),
                            QStringLiteral("1.2 BuzzerControl total=500 sounding=50 pause=25"),
                            QStringLiteral("1.2 LcdDisplay argument=0 text=欢迎光临"),
                            QStringLiteral("1.2 Message text=Zenvar 你好"),
                            QStringLiteral("1.2 SingleOutput output=63 state=1 value=0"),
                            QStringLiteral("1.2 SingleOutput output=64 state=1 value=0"),
                            QStringLiteral("1.2 SetupTime"),
                            QStringLiteral("1.2 ConfigName password=1234 selector=2 name=前门"),
                        }));
    // The display text as the terminal got it: argument 0, 欢迎光临 in GBK, the terminating 0; and the
    // clock: 10-09-27 08:05:00.
    const QList<QJsonObject> commands = receivedCommands();
    QCOMPARE(commands.at(2).value(QStringLiteral("payload")).toString(),
             QStringLiteral("00BBB6D3ADB9E2C1D900"));
    QCOMPARE(commands.at(6).value(QStringLiteral("payload")).toString(), QStringLiteral("0A091B080500"));
}

QTEST_MAIN(BaseCtrlPageSimTest)
#include "BaseCtrlPageSimTest.moc"
