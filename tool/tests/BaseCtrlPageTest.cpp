#include "basectrl/BaseCtrlPage.h"

#include "RecordingCommandExports.h"
#include "RecordingPrompter.h"
#include "RequiredChild.h"
#include "SelectedTerminalSource.h"
#include "TerminalsHeard.h"
#include "TestDatabase.h"
#include "TypedText.h"
#include "terminals/OstrelSession.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <memory>
#include <optional>

namespace {

constexpr const char* kSendButtons[] = {"layCtrlSend", "buzzerSend", "ledSend", "notesSend",
                                        "outputSend",  "timeSend",   "nameSend"};
// 你好 in GBK, one Latin-1 character per byte as the recorder shows texts.
const QString kNiHaoGbk = QString::fromLatin1("\xC4\xE3\xBA\xC3");
const QString kSixteenChinese = QStringLiteral("一二三四五六七八九十百千万亿兆京");

} // namespace

// The page in Chinese with a running Ostrel context, a recorder in place of the command exports and
// terminal 11.1.2 selected unless a test says otherwise.
class BaseCtrlPageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void startsWithDefaultsInTheLanguageOfItsDatabase();
    void unreadableTextsFallBackToChinese_data();
    void unreadableTextsFallBackToChinese();
    void everyButtonNeedsARunningContextAndASelectedTerminal();
    void armDisarmNeedsAPassword();
    void buzzerNeedsAllThreeTimesAndEmptiesThem();
    void displayAndMessageSendGbkTextAndEmptyTheirBox();
    void outputsGoOneCommandPerNumberUpTo64_data();
    void outputsGoOneCommandPerNumberUpTo64();
    void timeAndNameSettings();
    void boxesRefuseWhatATerminalCannotTake();
    void currentAddressFollowsTheSelectionAndKeepsTypedInput();

private:
    std::unique_ptr<CBaseCtrlPage> makePage(const QString& database, bool withMainWindow = true);
    void click(const char* name) { QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton); }
    void fill(const char* boxName, const QString& text) { typeIntoBox(child<QLineEdit>(boxName), text); }
    QString text(const char* boxName) const { return child<QLineEdit>(boxName)->text(); }
    template <typename Widget> Widget* child(const char* name) const {
        return requiredChild<Widget>(*m_page, name);
    }

    TerminalsHeard m_events;
    RecordingPrompter m_prompter;
    RecordingCommandExports m_commands;
    std::optional<TerminalEntry> m_selected;
    std::unique_ptr<CBaseCtrlPage> m_page;
};

void BaseCtrlPageTest::initTestCase() {
    // UDP port 0: the system chooses a free one.
    QCOMPARE(m_events.session.Start({QStringLiteral("0")}), OstrelSession::StartResult::Running);
}

void BaseCtrlPageTest::cleanupTestCase() {
    m_page.reset();
    m_events.session.Stop();
}

void BaseCtrlPageTest::init() {
    m_prompter.messages.clear();
    m_commands = RecordingCommandExports();
    m_selected = TerminalEntry{OSTREL_PORT_UDP, 1, 2, true, QStringLiteral("11.1.2")};
    m_page = makePage(builtWorkFile(QStringLiteral("DB/Chinese.mdb")));
}

std::unique_ptr<CBaseCtrlPage> BaseCtrlPageTest::makePage(const QString& database, bool withMainWindow) {
    return std::make_unique<CBaseCtrlPage>(m_prompter, database, m_events.session,
                                           selectedTerminalSource(m_selected, withMainWindow), m_commands);
}

void BaseCtrlPageTest::startsWithDefaultsInTheLanguageOfItsDatabase() {
    m_page = makePage(builtWorkFile(QStringLiteral("DB/English.mdb")));
    QVERIFY(m_prompter.messages.isEmpty());
    QCOMPARE(child<QGroupBox>("layCtrlGroup")->title(), QStringLiteral("Arm / Disarm"));
    for (const char* button : kSendButtons)
        QCOMPARE(child<QPushButton>(button)->text(), QStringLiteral("Send"));
    QCOMPARE(text("armPassword"), QStringLiteral("5863"));
    for (const char* list : {"zoneList", "nameTarget"}) {
        const auto* entries = child<QComboBox>(list);
        QCOMPARE(entries->count(), 9);
        QCOMPARE(entries->currentIndex(), 0);
        QCOMPARE(entries->itemText(8), QStringLiteral("Zone 8"));
    }
    QCOMPARE(child<QComboBox>("zoneList")->itemText(0), QStringLiteral("All zones"));
    QCOMPARE(child<QComboBox>("nameTarget")->itemText(0), QStringLiteral("Terminal"));
    const QDateTime shown(child<QDateEdit>("date")->date(), child<QTimeEdit>("time")->time());
    QVERIFY(qAbs(shown.secsTo(QDateTime::currentDateTime())) < 60);
}

void BaseCtrlPageTest::unreadableTextsFallBackToChinese_data() {
    QTest::addColumn<QByteArray>("sql");
    QTest::newRow("missing database") << QByteArray();
    QTest::newRow("empty table") << QByteArray("CREATE TABLE tb_Control (SelTer TEXT, Zone TEXT);");
}

void BaseCtrlPageTest::unreadableTextsFallBackToChinese() {
    QFETCH(QByteArray, sql);
    QTemporaryDir folder;
    const QString database = folder.filePath(QStringLiteral("Broken.mdb"));
    if (!sql.isEmpty())
        QVERIFY(createDatabase(database, sql.constData()));
    m_page = makePage(database);
    QCOMPARE(m_prompter.messages,
             sql.isEmpty() ? QStringList{QStringLiteral("连接数据库失败") + database} : QStringList{});

    // Captions from the dialog template, where the name password has no colon; messages and list
    // entries from the compiled fallbacks.
    QCOMPARE(child<QGroupBox>("layCtrlGroup")->title(), QStringLiteral("撤布防"));
    const QList<QLabel*> labels = child<QGroupBox>("nameGroup")->findChildren<QLabel*>();
    QVERIFY(std::any_of(labels.begin(), labels.end(),
                        [](const QLabel* label) { return label->text() == QStringLiteral("密码"); }));
    QCOMPARE(child<QComboBox>("zoneList")->itemText(0), QStringLiteral("所有防区"));
    QCOMPARE(child<QComboBox>("zoneList")->itemText(8), QStringLiteral("防区8"));
    QCOMPARE(child<QComboBox>("nameTarget")->itemText(0), QStringLiteral("设备"));
    m_prompter.messages.clear();
    m_selected.reset();
    click("ledSend");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("请选择一个设备")});
}

void BaseCtrlPageTest::everyButtonNeedsARunningContextAndASelectedTerminal() {
    // Without a main window, or while communication is stopped, the buttons do nothing at all.
    const auto pressAll = [this] {
        for (const char* button : kSendButtons)
            click(button);
    };
    m_page = makePage(builtWorkFile(QStringLiteral("DB/Chinese.mdb")), false);
    pressAll();
    m_page = makePage(builtWorkFile(QStringLiteral("DB/Chinese.mdb")));
    m_events.session.Stop();
    pressAll();
    QCOMPARE(m_events.session.Start({QStringLiteral("0")}), OstrelSession::StartResult::Running);
    QVERIFY(m_prompter.messages.isEmpty());
    QVERIFY(m_commands.calls.isEmpty());

    // The selection is asked for before any input is looked at.
    m_selected.reset();
    fill("armPassword", QString());
    pressAll();
    QCOMPARE(m_prompter.messages, QStringList(std::size(kSendButtons), QStringLiteral("请选择一个设备")));
    QVERIFY(m_commands.calls.isEmpty());

    m_selected = TerminalEntry{3, 0, OSTREL_WHOLE_BLOCK, false, QStringLiteral("3.0.255")};
    click("timeSend");
    QVERIFY(m_commands.calls.value(0).startsWith(QStringLiteral("SetupTime 3.0.255 ")));
    QCOMPARE(m_commands.contexts, QList<OstrelContext*>{m_events.session.Context()});
}

void BaseCtrlPageTest::armDisarmNeedsAPassword() {
    click("layCtrlSend");
    fill("armPassword", QStringLiteral("123456"));
    child<QRadioButton>("armAction.Lay")->click();
    child<QComboBox>("zoneList")->setCurrentIndex(3);
    click("layCtrlSend");
    fill("armPassword", QString());
    click("layCtrlSend");
    QCOMPARE(m_commands.calls, (QStringList{QStringLiteral("TerminalControl 11.1.2 \"5863\" 0 0"),
                                            QStringLiteral("TerminalControl 11.1.2 \"123456\" 1 3")}));
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("密码不能为空")});
}

void BaseCtrlPageTest::buzzerNeedsAllThreeTimesAndEmptiesThem() {
    const char* const times[] = {"soundingTime", "pauseTime", "totalTime"};
    for (const char* missing : times) {
        for (const char* box : times)
            fill(box, box == missing ? QString() : QStringLiteral("7"));
        click("buzzerSend");
    }
    QCOMPARE(m_prompter.messages, QStringList(3, QStringLiteral("数据不完整")));
    QVERIFY(m_commands.calls.isEmpty());

    fill("soundingTime", QStringLiteral("50"));
    fill("pauseTime", QStringLiteral("25"));
    fill("totalTime", QStringLiteral("65535"));
    click("buzzerSend");
    QCOMPARE(m_commands.calls, QStringList{QStringLiteral("BuzzerControl 11.1.2 65535 50 25")});
    for (const char* box : times)
        QVERIFY2(text(box).isEmpty(), box);
}

void BaseCtrlPageTest::displayAndMessageSendGbkTextAndEmptyTheirBox() {
    click("ledSend");
    click("notesSend");
    fill("ledContent", QStringLiteral("你好ABC"));
    click("ledSend");
    fill("messageContent", QStringLiteral("你好 Zenvar"));
    click("notesSend");
    QVERIFY(text("ledContent").isEmpty() && text("messageContent").isEmpty());
    // Clearing needs no content, and empties the box all the same.
    child<QRadioButton>("ledAction.LedClean")->click();
    click("ledSend");
    fill("ledContent", QStringLiteral("kept?"));
    click("ledSend");
    QVERIFY(text("ledContent").isEmpty());

    QCOMPARE(m_prompter.messages, QStringList(2, QStringLiteral("内容不能为空")));
    QCOMPARE(m_commands.calls,
             (QStringList{QStringLiteral("LcdDisplay 11.1.2 0 \"%1ABC\"").arg(kNiHaoGbk),
                          QStringLiteral("Message 11.1.2 \"%1 Zenvar\"").arg(kNiHaoGbk),
                          QStringLiteral("LcdClean 11.1.2"), QStringLiteral("LcdClean 11.1.2")}));
}

void BaseCtrlPageTest::outputsGoOneCommandPerNumberUpTo64_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("messages");
    const QStringList none;
    QTest::newRow("63 count 5") << "63"
                                << "5"
                                << QStringList{"SingleOutput 11.1.2 63 1 0", "SingleOutput 11.1.2 64 1 0"}
                                << none;
    QTest::newRow("64 count 1") << "64"
                                << "1" << QStringList{"SingleOutput 11.1.2 64 1 0"} << none;
    QTest::newRow("count 0") << "5"
                             << "0" << none << none;
    QTest::newRow("start 0") << "0"
                             << "1" << none << QStringList{"编号必须为1-64之间"};
    QTest::newRow("start 65") << "65"
                              << "1" << none << QStringList{"编号必须为1-64之间"};
    QTest::newRow("no count") << "65"
                              << "" << none << QStringList{"数据不完整"};
}

void BaseCtrlPageTest::outputsGoOneCommandPerNumberUpTo64() {
    QFETCH(QString, start);
    QFETCH(QString, count);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, messages);
    child<QRadioButton>("outputKind.Relay")->click();
    child<QRadioButton>("outputState.tOn")->click();
    fill("startNumber", start);
    fill("outputCount", count);
    click("outputSend");
    QCOMPARE(m_commands.calls, sent);
    QCOMPARE(m_prompter.messages, messages);
    QCOMPARE(text("startNumber"), start);
    QCOMPARE(text("outputCount"), count);

    // Lamps in place of relays, off: the same numbers as single-light commands.
    m_commands.calls.clear();
    child<QRadioButton>("outputKind.Lamp")->click();
    child<QRadioButton>("outputState.tOff")->click();
    click("outputSend");
    QCOMPARE(m_commands.calls,
             sent.replaceInStrings(QStringLiteral("SingleOutput"), QStringLiteral("SingleLight"))
                 .replaceInStrings(QStringLiteral(" 1 0"), QStringLiteral(" 0")));
}

void BaseCtrlPageTest::timeAndNameSettings() {
    child<QDateEdit>("date")->setDate(QDate(2010, 9, 27));
    child<QTimeEdit>("time")->setTime(QTime(8, 5, 0));
    click("timeSend");
    click("nameSend");
    fill("name", QStringLiteral("你好"));
    click("nameSend");
    fill("namePassword", QStringLiteral("1234"));
    child<QComboBox>("nameTarget")->setCurrentIndex(8);
    click("nameSend");
    QCOMPARE(m_prompter.messages, QStringList(2, QStringLiteral("数据不完整")));
    QCOMPARE(m_commands.calls,
             (QStringList{QStringLiteral("SetupTime 11.1.2 \"10-09-27 08:05:00\""),
                          QStringLiteral("ConfigName 11.1.2 \"1234\" 8 \"%1\"").arg(kNiHaoGbk)}));
    QCOMPARE(text("name"), QStringLiteral("你好"));
}

void BaseCtrlPageTest::boxesRefuseWhatATerminalCannotTake() {
    // Text limits count GBK bytes: two per Chinese character.
    fill("ledContent", kSixteenChinese + QStringLiteral("a"));
    QCOMPARE(text("ledContent"), kSixteenChinese);
    fill("ledContent", QStringLiteral("a") + kSixteenChinese + QStringLiteral("bc"));
    QCOMPARE(text("ledContent"), QStringLiteral("a") + kSixteenChinese.left(15) + QStringLiteral("b"));
    fill("name", kSixteenChinese);
    QCOMPARE(text("name"), kSixteenChinese.left(8));
    fill("messageContent", QStringLiteral("a😀b€"));
    QCOMPARE(text("messageContent"), QStringLiteral("ab€"));
    // A pasted text over the byte limit is refused whole.
    child<QLineEdit>("messageContent")->insert(kSixteenChinese);
    QCOMPARE(text("messageContent"), QStringLiteral("ab€"));

    // Digits 0-9 only; buzzer times fit in the 16 bits they are sent in.
    fill("armPassword", QStringLiteral("1a2 3-4５678"));
    QCOMPARE(text("armPassword"), QStringLiteral("123467"));
    fill("pauseTime", QStringLiteral("65536"));
    QCOMPARE(text("pauseTime"), QStringLiteral("6553"));
    fill("startNumber", QStringLiteral("+123"));
    QCOMPARE(text("startNumber"), QStringLiteral("12"));
}

void BaseCtrlPageTest::currentAddressFollowsTheSelectionAndKeepsTypedInput() {
    fill("ledContent", QStringLiteral("typed"));
    m_page->SetCurrentAddress(QStringLiteral("11.192.168"));
    QCOMPARE(text("currentAddress"), QStringLiteral("11.192.168"));
    QVERIFY(child<QLineEdit>("currentAddress")->isReadOnly());
    m_page->SetCurrentAddress(QString());
    QVERIFY(text("currentAddress").isEmpty());
    QCOMPARE(text("ledContent"), QStringLiteral("typed"));
}

QTEST_MAIN(BaseCtrlPageTest)
#include "BaseCtrlPageTest.moc"
