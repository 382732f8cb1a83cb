#include "program/ProgramPage.h"

#include "DatabaseWriteLock.h"
#include "FullDisk.h"
#include "RecordingCommandExports.h"
#include "RecordingPrompter.h"
#include "RequiredChild.h"
#include "ScratchWorkingFolder.h"
#include "SelectedTerminalSource.h"
#include "TerminalsHeard.h"
#include "TestDatabase.h"
#include "TypedText.h"
#include "config/ModelDialogRunner.h"
#include "gridmara/CGridmara.h"
#include "model/DeviceModelList.h"
#include "model/ToolDatabase.h"
#include "program/DigitStringRun.h"
#include "terminals/OstrelSession.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <optional>

namespace {

// Three models. ZV-P816 has a master code of every value type, one without sub codes and one of two
// digits; ZV-K200 one master code of seven sub codes; Blank none at all.
constexpr char kModels[] = R"(
    INSERT INTO tb_Terminal (TerID, TerName, AdminPsw)
        VALUES (0, 'ZV-P816', '123456'), (1, 'ZV-K200', '1234'), (2, 'Blank', '');
    INSERT INTO tb_MasterCode (MasterCode, TerID, ProType, Function, HaveOrder, lDescribe, rDescribe, CodeNum, Remark)
        VALUES (4, 0, 1, '防区类型', 1, '防区', '类型', 3, '00未用 01延时 02周界'),
               (3, 0, 1, '警号鸣响时间', 0, '警号鸣响时间(分)', '', 2, '01至30分钟'),
               (7, 0, 1, '未用', 0, '未用', '', 2, ''),
               (30, 0, 0, '防区名称', 1, '防区', '名称', 16, '防区的名称'),
               (20, 0, 2, '中心IP地址', 0, '中心IP地址', '', 15, '报警中心'),
               (10, 0, 3, '报警电话', 0, '报警电话', '', 16, '拨打的电话'),
               (1, 1, 1, 'Beeps', 0, 'Beep', '', 2, 'seven beeps');
    INSERT INTO tb_SubCode (TerID, MasterCode, SubCode, CodeValue)
        VALUES (0, 4, 1, '001'), (0, 4, 2, ''), (0, 4, 3, '002'), (0, 4, 4, '003'), (0, 4, 5, '004'),
               (0, 3, 1, '05'), (0, 3, 2, '10'),
               (0, 30, 1, '前门'), (0, 30, 2, ''), (0, 30, 3, '车库门'),
               (0, 20, 1, '192.168.1.200'),
               (0, 10, 1, ''),
               (1, 1, 1, '01'), (1, 1, 2, '02'), (1, 1, 3, '03'), (1, 1, 4, '04'), (1, 1, 5, '05'),
               (1, 1, 6, '06'), (1, 1, 7, '07');
)";

// Entries of the model box and of ZV-P816's master code box.
enum Model { kPanel = 0, kKeypad = 1, kBlank = 2 };
enum PanelMasterCode {
    kZoneTypes = 0,
    kSirenTime = 1,
    kUnused = 2,
    kZoneNames = 3,
    kCentreIp = 4,
    kAlarmPhone = 5
};
enum Column { kLineColumn, kSubCodeColumn, kFunctionColumn, kLengthColumn, kValueColumn };

const QString kConfirmSend = QStringLiteral("系统提示: 确定吗");

// What the page says at the end of a send in which every command was answered.
QString AllAnswered(int count) {
    return QStringLiteral("命令发送完毕\n%1 条命令有应答，0 条无应答").arg(count);
}
// 前门 and 后门厅 in GBK, one Latin-1 character per byte as the recorder shows texts.
const QString kFrontDoorGbk = QString::fromLatin1("\xC7\xB0\xC3\xC5");
const QString kBackHallGbk = QString::fromLatin1("\xBA\xF3\xC3\xC5\xCC\xFC");
const QString kSixteenChinese = QStringLiteral("一二三四五六七八九十百千万亿兆京");

// Stands in for the device model dialog: keeps how it was opened and does what the test tells it to.
class ScriptedModelDialog : public ModelDialogRunner {
public:
    Outcome run(Mode mode, DeviceModel* current) override {
        modes.append(mode);
        currents.append(current);
        return script ? script(current) : Outcome{};
    }

    std::function<Outcome(DeviceModel* current)> script;
    QList<Mode> modes;
    QList<DeviceModel*> currents;
};

} // namespace

// The page in Chinese, shown, on a tool database of its own in a scratch working folder, with a running
// Ostrel context, a recorder in place of the command exports, a scripted model dialog and terminal
// 11.1.2 selected unless a test says otherwise.
class ProgramPageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void digitStringRunsAreWholeOrNothing_data();
    void digitStringRunsAreWholeOrNothing();

    void startsWithTheModelsInTheLanguageOfItsDatabase();
    void unreadableTextsFallBackToChinese_data();
    void unreadableTextsFallBackToChinese();
    void aModelShowsItsMasterCodesAndTheListWaitsForOneOfThem();
    void aMasterCodeShowsItsSubCodesAndValueType();
    void choosingARowLoadsItIntoTheFields();
    void boxesRefuseWhatATerminalCannotTake();

    void aDigitStringRunIsWrittenAndTheSelectionMovesPastIt();
    void aRunPastTheLastRowStopsThereAndTheSelectionStays();
    void refusedDigitStringRunsChangeNothing_data();
    void refusedDigitStringRunsChangeNothing();
    void textValuesAreStoredAsTypedAndTheSelectionWalksDown();
    void aMasterCodeWithoutSubCodesHasNothingToModifyOrSend();
    void aChangeTheDatabaseRefusesChangesNothing();
    void anUnreachableDatabaseIsToldAndChangesNothing();
    void aFullDiskIsToldWithItsReasonAndChangesNothing();

    void sendNeedsARunningContextATerminalAndAPassword();
    void sendAsksFirstAndNeedsASubCodeForItsScope();
    void sendsOneCommandPerSubCodeOfTheScope();
    void aSendIsOverWhenEveryFrameHasItsOutcome();
    void aSessionThatStopsEndsTheSend();
    void aFullQueueIsToldWithTheCommandsNotQueued();

    void deletingAModelTakesItFromThePageTheTreeAndTheDatabase();
    void aModelTheDatabaseKeepsStaysOnThePage();
    void addingAModelMakesItCurrent();
    void editingAModelRefreshesWhatItChanged();
    void whatTheDialogRemovedIsForgotten();
    void useDefaultDataAsksFirst();

private:
    std::unique_ptr<CProgramPage> makePage(const QString& languageDatabase, bool withMainWindow = true);
    void choose(const char* boxName, int index);
    void clickRow(int row);
    void click(const char* name) { QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton); }
    void fill(const char* boxName, const QString& text) { typeIntoBox(child<QLineEdit>(boxName), text); }
    QString text(const char* boxName) const { return child<QLineEdit>(boxName)->text(); }
    QStringList column(int column) const;
    QStringList treeValues(int model, int masterCode) const;
    QStringList databaseValues(int terId, int masterCode) const;
    // The session hands over one outcome of `kind` for each frame the recorder gave since the last call
    // (or, with `count`, for that many of them); true when Send is ready again afterwards.
    bool settle(int kind = OSTREL_FRAME_ANSWERED, qsizetype count = -1);
    template <typename Widget> Widget* child(const char* name) const {
        return requiredChild<Widget>(*m_page, name);
    }

    TerminalsHeard m_events;
    RecordingPrompter m_prompter;
    RecordingCommandExports m_commands;
    // How many of m_commands.frames have had their outcome.
    qsizetype m_settled = 0;
    ScriptedModelDialog m_dialog;
    int m_resets = 0;
    std::optional<TerminalEntry> m_selected;
    std::unique_ptr<ScratchWorkingFolder> m_folder;
    std::unique_ptr<DeviceModelList> m_models;
    std::unique_ptr<CProgramPage> m_page;
};

void ProgramPageTest::initTestCase() {
    // UDP port 0: the system chooses a free one.
    QCOMPARE(m_events.session.Start({QStringLiteral("0")}), OstrelSession::StartResult::Running);
}

void ProgramPageTest::cleanupTestCase() {
    m_events.session.Stop();
}

void ProgramPageTest::init() {
    m_folder = std::make_unique<ScratchWorkingFolder>();
    QVERIFY(m_folder->isValid());
    QVERIFY(createToolDatabase(QLatin1String(kToolDatabasePath), kModels));
    m_models = std::make_unique<DeviceModelList>(m_prompter);
    m_models->Load();
    m_commands = RecordingCommandExports();
    m_settled = 0;
    m_dialog = ScriptedModelDialog();
    m_resets = 0;
    m_selected = TerminalEntry{OSTREL_PORT_UDP, 1, 2, true, QStringLiteral("11.1.2")};
    m_page = makePage(builtWorkFile(QStringLiteral("DB/Chinese.mdb")));
    m_prompter.messages.clear();
    m_prompter.answer = true;
}

void ProgramPageTest::cleanup() {
    m_page.reset();
    m_models.reset();
    m_folder.reset();
}

std::unique_ptr<CProgramPage> ProgramPageTest::makePage(const QString& languageDatabase,
                                                        bool withMainWindow) {
    auto page = std::make_unique<CProgramPage>(m_prompter, languageDatabase, *m_models, m_events.session,
                                               selectedTerminalSource(m_selected, withMainWindow), m_commands,
                                               m_dialog, [this] { ++m_resets; });
    page->resize(900, 600);
    page->show();
    return page;
}

// As the user chooses an entry of a drop-down list, also the one already shown.
void ProgramPageTest::choose(const char* boxName, int index) {
    auto* box = child<QComboBox>(boxName);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void ProgramPageTest::clickRow(int row) {
    auto* list = child<CGridmara>("subCodeList");
    const QRect cell = list->visualRect(list->model()->index(row, kSubCodeColumn));
    QVERIFY(cell.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

QStringList ProgramPageTest::column(int column) const {
    const auto* list = child<CGridmara>("subCodeList");
    QStringList texts;
    for (int row = 0; row < list->GetItemCount(); ++row)
        texts.append(list->GetItemText(row, column));
    return texts;
}

QStringList ProgramPageTest::treeValues(int model, int masterCode) const {
    QStringList values;
    for (const auto& subCode : m_models->Models().at(model)->MasterCodes().at(masterCode)->SubCodes())
        values.append(subCode->CodeValue);
    return values;
}

QStringList ProgramPageTest::databaseValues(int terId, int masterCode) const {
    const QByteArray sql = QStringLiteral("SELECT CodeValue FROM tb_SubCode WHERE TerID=%1 AND MasterCode=%2 "
                                          "ORDER BY rowid")
                               .arg(terId)
                               .arg(masterCode)
                               .toUtf8();
    return queryRows(QLatin1String(kToolDatabasePath), sql.constData());
}

bool ProgramPageTest::settle(int kind, qsizetype count) {
    const qsizetype end = count < 0 ? m_commands.frames.size() : m_settled + count;
    std::vector<OstrelOutcome> outcomes;
    for (; m_settled < end; ++m_settled)
        outcomes.push_back({kind, OSTREL_PORT_UDP, 1, 2, OSTREL_COMMAND_CONFIG_FUNCTION,
                            m_commands.frames[m_settled], 1, 25});
    emit m_events.session.FramesSettled(outcomes);
    return child<QPushButton>("sendButton")->isEnabled();
}

void ProgramPageTest::digitStringRunsAreWholeOrNothing_data() {
    // The fields: initial line, initial value, number of lines, step.
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("digits");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<QStringList>("values");
    const QStringList none;
    QTest::newRow("ten lines from row 3 of 5")
        << QStringList{"3", "7", "10", "5"} << 5 << 3 << int(DigitStringRun::Values) << 3
        << QStringList{"007", "012"};
    QTest::newRow("last value 100 in two digits")
        << QStringList{"0", "95", "2", "5"} << 5 << 2 << int(DigitStringRun::TooManyDigits) << 0 << none;
    QTest::newRow("last value 95 in two digits")
        << QStringList{"0", "90", "2", "5"} << 5 << 2 << int(DigitStringRun::Values) << 0
        << QStringList{"90", "95"};
    QTest::newRow("a run cut short is tested at its own end")
        << QStringList{"3", "90", "5", "5"} << 4 << 2 << int(DigitStringRun::Values) << 3
        << QStringList{"90"};
    QTest::newRow("zero lines") << QStringList{"0", "7", "0", "5"} << 5 << 3 << int(DigitStringRun::NoLines)
                                << 0 << none;
    QTest::newRow("no initial line") << QStringList{"", "7", "1", "1"} << 5 << 3
                                     << int(DigitStringRun::NoStart) << 0 << none;
    QTest::newRow("no initial value")
        << QStringList{"0", "", "1", "1"} << 5 << 3 << int(DigitStringRun::NoStart) << 0 << none;
    QTest::newRow("nothing at all") << QStringList{"", "", "", ""} << 5 << 3 << int(DigitStringRun::NoStart)
                                    << 0 << none;
    QTest::newRow("no number of lines")
        << QStringList{"0", "7", "", "5"} << 5 << 3 << int(DigitStringRun::NoSize) << 0 << none;
    QTest::newRow("no step") << QStringList{"0", "7", "1", ""} << 5 << 3 << int(DigitStringRun::NoSize) << 0
                             << none;
    QTest::newRow("step 0") << QStringList{"1", "42", "3", "0"} << 5 << 3 << int(DigitStringRun::Values) << 1
                            << QStringList{"042", "042", "042"};
    QTest::newRow("typed zeros and letters") << QStringList{"0", "007", "2", "12ab"} << 5 << 3
                                             << int(DigitStringRun::Values) << 0 << QStringList{"007", "019"};
    QTest::newRow("past 64 bits") << QStringList{"0", "1", "3", "99999999999999999999"} << 3 << 21
                                  << int(DigitStringRun::Values) << 0
                                  << QStringList{"000000000000000000001", "100000000000000000000",
                                                 "199999999999999999999"};
}

void ProgramPageTest::digitStringRunsAreWholeOrNothing() {
    QFETCH(QStringList, fields);
    QFETCH(int, rowCount);
    QFETCH(int, digits);
    QFETCH(int, outcome);
    QFETCH(int, firstRow);
    QFETCH(QStringList, values);
    const DigitStringRun run =
        PlanDigitStringRun({fields[0], fields[1], fields[2], fields[3]}, rowCount, digits);
    QCOMPARE(int(run.outcome), outcome);
    QCOMPARE(run.firstRow, firstRow);
    QCOMPARE(run.values, values);
}

void ProgramPageTest::startsWithTheModelsInTheLanguageOfItsDatabase() {
    m_page = makePage(builtWorkFile(QStringLiteral("DB/English.mdb")));
    QVERIFY(m_prompter.messages.isEmpty());
    QCOMPARE(child<QGroupBox>("masterCodeGroup")->title(), QStringLiteral("Master Code"));
    QCOMPARE(child<QPushButton>("useDefaultButton")->text(), QStringLiteral("Use Default Data"));
    QCOMPARE(child<QRadioButton>("sendScope.AllTerminal")->text(), QStringLiteral("Whole device"));

    const auto* models = child<QComboBox>("modelBox");
    QCOMPARE(models->count(), 3);
    QCOMPARE(models->itemText(kKeypad), QStringLiteral("ZV-K200"));
    QCOMPARE(models->currentIndex(), -1);
    QCOMPARE(child<QComboBox>("masterCodeBox")->count(), 0);
    QVERIFY(text("password").isEmpty());

    // Before any master code: digit strings, all types shown but none to choose; the current sub code.
    QVERIFY(child<QRadioButton>("valueType.tNumber")->isChecked());
    for (const char* type : {"valueType.tString", "valueType.tNumber", "valueType.tIp", "valueType.Phone"})
        QVERIFY2(!child<QRadioButton>(type)->isEnabled(), type);
    QVERIFY(child<QLineEdit>("numericInitialValue")->isVisible());
    QVERIFY(!child<QLineEdit>("textInitialValue")->isVisible());
    QVERIFY(child<QRadioButton>("sendScope.OneSubCode")->isChecked());

    const auto* list = child<CGridmara>("subCodeList");
    QCOMPARE(list->GetItemCount(), 0);
    QCOMPARE(list->columnCount(), 5);
    QCOMPARE(list->horizontalHeaderItem(kLineColumn)->text(), QStringLiteral("Row"));
    QCOMPARE(list->horizontalHeaderItem(kValueColumn)->text(), QStringLiteral("Value"));
    QCOMPARE(list->columnWidth(kFunctionColumn), 150);
    QCOMPARE(list->columnWidth(kLengthColumn), 75);
    QCOMPARE(list->RowHeight(), 20);
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(list->showGrid());
    QColor colour;
    QVERIFY(list->FindColColor(kLineColumn, colour) && colour == QColor(192, 192, 192));
    QVERIFY(list->FindColColor(kLengthColumn, colour) && colour == QColor(196, 196, 255));
    QVERIFY(list->FindColColor(kValueColumn, colour) && colour == QColor(185, 255, 185));
    QVERIFY(list->FindColTextColor(kValueColumn, colour) && colour == QColor(0, 64, 128));
    QVERIFY(!list->FindColTextColor(kFunctionColumn, colour));
}

void ProgramPageTest::unreadableTextsFallBackToChinese_data() {
    QTest::addColumn<QByteArray>("sql");
    QTest::newRow("missing database") << QByteArray();
    QTest::newRow("empty table") << QByteArray("CREATE TABLE tb_Program (SelTer TEXT, tLine TEXT);");
}

void ProgramPageTest::unreadableTextsFallBackToChinese() {
    QFETCH(QByteArray, sql);
    const QString database = QStringLiteral("DB/Broken.mdb");
    if (!sql.isEmpty())
        QVERIFY(createDatabase(database, sql.constData()));
    m_page = makePage(database);
    QCOMPARE(m_prompter.messages,
             sql.isEmpty() ? QStringList{QStringLiteral("连接数据库失败") + database} : QStringList{});
    QCOMPARE(child<QGroupBox>("valueGroup")->title(), QStringLiteral("编程值修改"));
    QCOMPARE(child<QPushButton>("addModelButton")->text(), QStringLiteral("添 加(&A)"));
    QCOMPARE(child<CGridmara>("subCodeList")->horizontalHeaderItem(kLengthColumn)->text(),
             QStringLiteral("编程位数"));
    m_prompter.messages.clear();
    m_selected.reset();
    click("sendButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("请选择一个设备")});
}

void ProgramPageTest::aModelShowsItsMasterCodesAndTheListWaitsForOneOfThem() {
    choose("modelBox", kPanel);
    const auto* masterCodes = child<QComboBox>("masterCodeBox");
    QCOMPARE(masterCodes->count(), 6);
    QCOMPARE(masterCodes->itemText(kZoneTypes), QStringLiteral("防区类型"));
    QCOMPARE(masterCodes->itemText(kAlarmPhone), QStringLiteral("报警电话"));
    QCOMPARE(masterCodes->currentIndex(), -1);
    QCOMPARE(text("password"), QStringLiteral("123456"));
    QCOMPARE(child<CGridmara>("subCodeList")->GetItemCount(), 0);

    choose("masterCodeBox", kZoneTypes);
    choose("modelBox", kKeypad);
    QCOMPARE(text("password"), QStringLiteral("1234"));
    QCOMPARE(masterCodes->count(), 1);
    QCOMPARE(masterCodes->currentIndex(), -1);
    // The sub codes of ZV-P816's master code stay until one of ZV-K200's is chosen.
    QCOMPARE(column(kValueColumn), (QStringList{"001", "", "002", "003", "004"}));
    QCOMPARE(text("masterCodeNumber"), QStringLiteral("4"));
    choose("masterCodeBox", 0);
    QCOMPARE(column(kValueColumn), (QStringList{"01", "02", "03", "04", "05", "06", "07"}));

    // A model without master codes, and a password the user types.
    choose("modelBox", kBlank);
    QCOMPARE(masterCodes->count(), 0);
    QVERIFY(text("password").isEmpty());
    QCOMPARE(column(kLineColumn).size(), 7);
}

void ProgramPageTest::aMasterCodeShowsItsSubCodesAndValueType() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneTypes);
    QCOMPARE(column(kLineColumn), (QStringList{"0", "1", "2", "3", "4"}));
    QCOMPARE(column(kSubCodeColumn), (QStringList{"1", "2", "3", "4", "5"}));
    QCOMPARE(column(kFunctionColumn).first(), QStringLiteral("防区1类型"));
    QCOMPARE(column(kFunctionColumn).last(), QStringLiteral("防区5类型"));
    QCOMPARE(column(kLengthColumn), QStringList(5, QStringLiteral("3")));
    QCOMPARE(column(kValueColumn), (QStringList{"001", "", "002", "003", "004"}));
    // An empty value leaves its cell unset.
    QVERIFY(child<CGridmara>("subCodeList")->item(1, kValueColumn) == nullptr);
    QCOMPARE(text("masterCodeNumber"), QStringLiteral("4"));
    QCOMPARE(child<QPlainTextEdit>("remark")->toPlainText(), QStringLiteral("00未用 01延时 02周界"));
    QVERIFY(child<QRadioButton>("valueType.tNumber")->isChecked());
    QVERIFY(child<QLineEdit>("lineCount")->isEnabled() && child<QLineEdit>("step")->isEnabled());
    QVERIFY(child<QLineEdit>("numericInitialValue")->isVisible());
    QVERIFY(!child<QLineEdit>("textInitialValue")->isVisible());

    // Without a sequence number the function is the left name alone.
    choose("masterCodeBox", kSirenTime);
    QCOMPARE(column(kFunctionColumn), QStringList(2, QStringLiteral("警号鸣响时间(分)")));

    const std::pair<int, const char*> textTypes[] = {
        {kZoneNames, "valueType.tString"}, {kCentreIp, "valueType.tIp"}, {kAlarmPhone, "valueType.Phone"}};
    for (const auto& [masterCode, radio] : textTypes) {
        choose("masterCodeBox", masterCode);
        QVERIFY2(child<QRadioButton>(radio)->isChecked(), radio);
        QVERIFY(!child<QLineEdit>("lineCount")->isEnabled() && !child<QLineEdit>("step")->isEnabled());
        QVERIFY(!child<QLineEdit>("numericInitialValue")->isVisible());
        QVERIFY(child<QLineEdit>("textInitialValue")->isVisible());
    }
    QCOMPARE(column(kFunctionColumn), QStringList{QStringLiteral("报警电话")});
    QVERIFY(m_prompter.messages.isEmpty());
}

void ProgramPageTest::choosingARowLoadsItIntoTheFields() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneTypes);
    fill("lineCount", QStringLiteral("9"));
    fill("step", QStringLiteral("5"));
    clickRow(2);
    QCOMPARE(text("initialLine"), QStringLiteral("2"));
    QCOMPARE(text("lineCount"), QStringLiteral("1"));
    QCOMPARE(text("numericInitialValue"), QStringLiteral("002"));
    QCOMPARE(text("step"), QStringLiteral("5"));
    clickRow(1);
    QCOMPARE(text("numericInitialValue"), QString());

    // A new list has no row chosen: the initial line goes, the other fields stay.
    choose("masterCodeBox", kZoneNames);
    QVERIFY(text("initialLine").isEmpty());
    QCOMPARE(text("numericInitialValue"), QString());
    clickRow(0);
    QCOMPARE(text("textInitialValue"), QStringLiteral("前门"));
    QCOMPARE(text("initialLine"), QStringLiteral("0"));
}

void ProgramPageTest::boxesRefuseWhatATerminalCannotTake() {
    const std::pair<const char*, int> digitBoxes[] = {
        {"password", 6}, {"initialLine", 3}, {"lineCount", 3}, {"step", 16}, {"numericInitialValue", 6}};
    for (const auto& [box, limit] : digitBoxes) {
        fill(box, QStringLiteral("1a2-3 ４") + QString(20, QLatin1Char('9')));
        QCOMPARE(text(box), (QStringLiteral("123") + QString(20, QLatin1Char('9'))).left(limit));
    }
    // Text values count GBK bytes, two per Chinese character, up to 32.
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneNames);
    fill("textInitialValue", kSixteenChinese + QStringLiteral("a"));
    QCOMPARE(text("textInitialValue"), kSixteenChinese);
    fill("textInitialValue", QStringLiteral("a😀b"));
    QCOMPARE(text("textInitialValue"), QStringLiteral("ab"));
    QVERIFY(child<QLineEdit>("masterCodeNumber")->isReadOnly());
    QVERIFY(child<QPlainTextEdit>("remark")->isReadOnly());
}

void ProgramPageTest::aDigitStringRunIsWrittenAndTheSelectionMovesPastIt() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneTypes);
    clickRow(4);
    fill("initialLine", QStringLiteral("1"));
    fill("lineCount", QStringLiteral("2"));
    fill("numericInitialValue", QStringLiteral("98"));
    fill("step", QStringLiteral("2"));
    click("modifyButton");
    const QStringList values{"001", "098", "100", "003", "004"};
    QCOMPARE(column(kValueColumn), values);
    QCOMPARE(treeValues(kPanel, kZoneTypes), values);
    QCOMPARE(databaseValues(0, 4), values);
    // The row after the run is chosen and loaded, ready for the next run.
    QCOMPARE(child<CGridmara>("subCodeList")->GetFirstSelectedRow(), 3);
    QCOMPARE(text("initialLine"), QStringLiteral("3"));
    QCOMPARE(text("lineCount"), QStringLiteral("1"));
    QCOMPARE(text("numericInitialValue"), QStringLiteral("003"));
    QCOMPARE(text("step"), QStringLiteral("2"));
    QVERIFY(m_prompter.messages.isEmpty());
}

void ProgramPageTest::aRunPastTheLastRowStopsThereAndTheSelectionStays() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneTypes);
    clickRow(0);
    fill("initialLine", QStringLiteral("3"));
    fill("lineCount", QStringLiteral("10"));
    fill("numericInitialValue", QStringLiteral("7"));
    fill("step", QStringLiteral("5"));
    click("modifyButton");
    const QStringList values{"001", "", "002", "007", "012"};
    QCOMPARE(column(kValueColumn), values);
    QCOMPARE(treeValues(kPanel, kZoneTypes), values);
    QCOMPARE(databaseValues(0, 4), values);
    QCOMPARE(child<CGridmara>("subCodeList")->GetFirstSelectedRow(), 0);
    QCOMPARE(text("initialLine"), QStringLiteral("3"));
    QCOMPARE(text("lineCount"), QStringLiteral("10"));
    QCOMPARE(text("numericInitialValue"), QStringLiteral("7"));
    QVERIFY(m_prompter.messages.isEmpty());
}

void ProgramPageTest::refusedDigitStringRunsChangeNothing_data() {
    // The fields: initial line, initial value, number of lines, step.
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("messages");
    // Master code 3 has two sub codes of two digits.
    QTest::newRow("last value 100") << QStringList{"0", "95", "2", "5"}
                                    << QStringList{
                                           "此条件生成的最大从码值的位数大于编程位数，请重新输入条件"};
    QTest::newRow("zero lines") << QStringList{"0", "95", "0", "5"} << QStringList{};
    QTest::newRow("initial line beyond the sub codes")
        << QStringList{"2", "1", "1", "1"} << QStringList{"初始行数大于最大从码行数，请重新输入"};
    QTest::newRow("no initial value")
        << QStringList{"0", "", "1", "1"} << QStringList{"要修改的初始行及编程值不能为空"};
    QTest::newRow("no initial line") << QStringList{"", "1", "1", "1"}
                                     << QStringList{"要修改的初始行及编程值不能为空"};
    QTest::newRow("no step") << QStringList{"0", "1", "1", ""}
                             << QStringList{"初始行、初始值、修改行数、递增值，其中之一不能为空，请填写完整"};
}

void ProgramPageTest::refusedDigitStringRunsChangeNothing() {
    QFETCH(QStringList, fields);
    QFETCH(QStringList, messages);
    choose("modelBox", kPanel);
    choose("masterCodeBox", kSirenTime);
    clickRow(0);
    fill("initialLine", fields[0]);
    fill("numericInitialValue", fields[1]);
    fill("lineCount", fields[2]);
    fill("step", fields[3]);
    click("modifyButton");
    QCOMPARE(m_prompter.messages, messages);
    const QStringList values{"05", "10"};
    QCOMPARE(column(kValueColumn), values);
    QCOMPARE(treeValues(kPanel, kSirenTime), values);
    QCOMPARE(databaseValues(0, 3), values);
    QCOMPARE(child<CGridmara>("subCodeList")->GetFirstSelectedRow(), 0);
    QCOMPARE(text("initialLine"), fields[0]);
}

void ProgramPageTest::textValuesAreStoredAsTypedAndTheSelectionWalksDown() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneNames);
    click("modifyButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("要修改的初始行及编程值不能为空")});
    m_prompter.messages.clear();

    // 32 characters, twice as many as the master code's 16 digits.
    const QString longest = QStringLiteral("Front door, ground floor, east 1");
    clickRow(0);
    fill("textInitialValue", longest);
    click("modifyButton");
    QCOMPARE(child<CGridmara>("subCodeList")->GetFirstSelectedRow(), 1);
    QCOMPARE(text("initialLine"), QStringLiteral("1"));
    QVERIFY(text("textInitialValue").isEmpty());
    fill("textInitialValue", QStringLiteral("后门厅"));
    click("modifyButton");
    QCOMPARE(text("textInitialValue"), QStringLiteral("车库门"));
    fill("textInitialValue", QStringLiteral("x"));
    click("modifyButton");
    // The last row keeps the selection.
    QCOMPARE(child<CGridmara>("subCodeList")->GetFirstSelectedRow(), 2);

    const QStringList values{longest, QStringLiteral("后门厅"), QStringLiteral("x")};
    QCOMPARE(column(kValueColumn), values);
    QCOMPARE(treeValues(kPanel, kZoneNames), values);
    QCOMPARE(databaseValues(0, 30), values);

    // Addresses and telephone numbers are free text as well.
    choose("masterCodeBox", kCentreIp);
    clickRow(0);
    fill("textInitialValue", QStringLiteral("10.0.0.254"));
    click("modifyButton");
    choose("masterCodeBox", kAlarmPhone);
    clickRow(0);
    fill("textInitialValue", QStringLiteral("+86 (21) 5555-0100"));
    click("modifyButton");
    QCOMPARE(databaseValues(0, 20), QStringList{QStringLiteral("10.0.0.254")});
    QCOMPARE(databaseValues(0, 10), QStringList{QStringLiteral("+86 (21) 5555-0100")});
    QVERIFY(m_prompter.messages.isEmpty());
}

void ProgramPageTest::aMasterCodeWithoutSubCodesHasNothingToModifyOrSend() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kUnused);
    QCOMPARE(child<CGridmara>("subCodeList")->GetItemCount(), 0);
    fill("initialLine", QStringLiteral("0"));
    fill("numericInitialValue", QStringLiteral("1"));
    click("modifyButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("初始行数大于最大从码行数，请重新输入")});

    // Sending it, or a device with no master codes, sends nothing and is not done sending.
    m_prompter.messages.clear();
    child<QRadioButton>("sendScope.AllSubCode")->click();
    click("sendButton");
    choose("modelBox", kBlank);
    fill("password", QStringLiteral("1234"));
    child<QRadioButton>("sendScope.AllTerminal")->click();
    click("sendButton");
    QCOMPARE(m_prompter.messages, QStringList(2, kConfirmSend));
    QVERIFY(m_commands.calls.isEmpty());
    QVERIFY(child<QPushButton>("sendButton")->isEnabled());
}

void ProgramPageTest::aChangeTheDatabaseRefusesChangesNothing() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneNames);
    clickRow(1);
    QVERIFY(createDatabase(QLatin1String(kToolDatabasePath), "DROP TABLE tb_SubCode;"));
    fill("textInitialValue", QStringLiteral("后门"));
    click("modifyButton");
    QCOMPARE(m_prompter.messages,
             QStringList{QStringLiteral("修改未能保存到数据库：no such table: tb_SubCode")});
    const QStringList values{QStringLiteral("前门"), QString(), QStringLiteral("车库门")};
    QCOMPARE(column(kValueColumn), values);
    QCOMPARE(treeValues(kPanel, kZoneNames), values);
    // Nothing moved on: pressing Modify again after a mend writes the same row.
    QCOMPARE(child<CGridmara>("subCodeList")->GetFirstSelectedRow(), 1);
    QCOMPARE(text("initialLine"), QStringLiteral("1"));
    QCOMPARE(text("textInitialValue"), QStringLiteral("后门"));

    // A run is refused whole.
    m_prompter.messages.clear();
    choose("masterCodeBox", kZoneTypes);
    fill("initialLine", QStringLiteral("0"));
    fill("numericInitialValue", QStringLiteral("5"));
    fill("lineCount", QStringLiteral("5"));
    fill("step", QStringLiteral("1"));
    click("modifyButton");
    QCOMPARE(m_prompter.messages,
             QStringList{QStringLiteral("修改未能保存到数据库：no such table: tb_SubCode")});
    QCOMPARE(column(kValueColumn), (QStringList{"001", "", "002", "003", "004"}));
    QCOMPARE(treeValues(kPanel, kZoneTypes), (QStringList{"001", "", "002", "003", "004"}));
}

void ProgramPageTest::anUnreachableDatabaseIsToldAndChangesNothing() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneNames);
    clickRow(0);
    QVERIFY(QFile::remove(QLatin1String(kToolDatabasePath)));
    fill("textInitialValue", QStringLiteral("后门"));
    click("modifyButton");
    click("deleteModelButton");
    QCOMPARE(m_prompter.messages, (QStringList{QStringLiteral("连接数据库失败DB/VaZeraVI.mdb"),
                                               QStringLiteral("系统提示: 确定要删除吗？"),
                                               QStringLiteral("连接数据库失败DB/VaZeraVI.mdb")}));
    QCOMPARE(column(kValueColumn).first(), QStringLiteral("前门"));
    QCOMPARE(treeValues(kPanel, kZoneNames).first(), QStringLiteral("前门"));
    QCOMPARE(child<CGridmara>("subCodeList")->GetFirstSelectedRow(), 0);
    QCOMPARE(child<QComboBox>("modelBox")->count(), 3);
    QCOMPARE(m_models->Models().size(), std::size_t{3});
}

void ProgramPageTest::aFullDiskIsToldWithItsReasonAndChangesNothing() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneNames);
    clickRow(1);
    fill("textInitialValue", QStringLiteral("后门"));
    {
        const FullDisk full;
        QVERIFY(full.isSet());
        click("modifyButton");
        click("deleteModelButton");
    }
    const QString refused = QStringLiteral("修改未能保存到数据库：disk I/O error");
    QCOMPARE(m_prompter.messages,
             (QStringList{refused, QStringLiteral("系统提示: 确定要删除吗？"), refused}));
    const QStringList values{QStringLiteral("前门"), QString(), QStringLiteral("车库门")};
    QCOMPARE(column(kValueColumn), values);
    QCOMPARE(treeValues(kPanel, kZoneNames), values);
    QCOMPARE(child<QComboBox>("modelBox")->count(), 3);
    QCOMPARE(m_models->Models().size(), std::size_t{3});
    QCOMPARE(queryRows(QLatin1String(kToolDatabasePath), "SELECT count(*) FROM tb_Terminal"),
             QStringList{QStringLiteral("3")});

    // With room again, the same press writes the value.
    m_prompter.messages.clear();
    click("modifyButton");
    QVERIFY(m_prompter.messages.isEmpty());
    QCOMPARE(treeValues(kPanel, kZoneNames)[1], QStringLiteral("后门"));
}

void ProgramPageTest::sendNeedsARunningContextATerminalAndAPassword() {
    // Without a main window, or while communication is stopped, Send does nothing at all.
    m_page = makePage(builtWorkFile(QStringLiteral("DB/Chinese.mdb")), false);
    choose("modelBox", kPanel);
    click("sendButton");
    m_page = makePage(builtWorkFile(QStringLiteral("DB/Chinese.mdb")));
    choose("modelBox", kPanel);
    m_events.session.Stop();
    click("sendButton");
    QCOMPARE(m_events.session.Start({QStringLiteral("0")}), OstrelSession::StartResult::Running);
    QVERIFY(m_prompter.messages.isEmpty());

    m_selected.reset();
    click("sendButton");
    m_selected = TerminalEntry{3, 0, 9, false, QStringLiteral("3.0.9")};
    fill("password", QString());
    click("sendButton");
    QCOMPARE(m_prompter.messages,
             (QStringList{QStringLiteral("请选择一个设备"), QStringLiteral("设备的管理密码不能为空")}));
    QVERIFY(m_commands.calls.isEmpty());

    fill("password", QStringLiteral("8888"));
    child<QRadioButton>("sendScope.AllTerminal")->click();
    click("sendButton");
    QCOMPARE(m_commands.calls.size(), 12);
    QCOMPARE(m_commands.calls.first(), QStringLiteral("ConfigFunction 3.0.9 \"8888\" 4 1 \"001\" 1"));
    QCOMPARE(m_commands.contexts.first(), m_events.session.Context());
}

void ProgramPageTest::sendAsksFirstAndNeedsASubCodeForItsScope() {
    // No master code yet: the current sub code has none to belong to.
    choose("modelBox", kPanel);
    click("sendButton");
    m_prompter.answer = false;
    choose("masterCodeBox", kZoneTypes);
    clickRow(2);
    click("sendButton");
    m_prompter.answer = true;
    child<CGridmara>("subCodeList")->clearSelection();
    click("sendButton");
    QCOMPARE(m_prompter.messages,
             (QStringList{kConfirmSend, kConfirmSend, kConfirmSend, QStringLiteral("请选择一个从码")}));
    QVERIFY(m_commands.calls.isEmpty());
    QVERIFY(child<QPushButton>("sendButton")->isEnabled());
}

void ProgramPageTest::sendsOneCommandPerSubCodeOfTheScope() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneTypes);
    clickRow(2);
    click("sendButton");
    QVERIFY(settle());
    // An empty value goes as "f".
    clickRow(1);
    click("sendButton");
    QVERIFY(settle());
    QCOMPARE(m_commands.calls, (QStringList{"ConfigFunction 11.1.2 \"123456\" 4 3 \"002\" 1",
                                            "ConfigFunction 11.1.2 \"123456\" 4 2 \"f\" 1"}));

    // A master code's sub codes in order; text in the terminals' character set with its own data mode.
    m_commands.calls.clear();
    choose("masterCodeBox", kZoneNames);
    child<QRadioButton>("sendScope.AllSubCode")->click();
    click("sendButton");
    QVERIFY(settle());
    QCOMPARE(
        m_commands.calls,
        (QStringList{QStringLiteral("ConfigFunction 11.1.2 \"123456\" 30 1 \"%1\" %2")
                         .arg(kFrontDoorGbk)
                         .arg(OSTREL_DATA_TEXT),
                     QStringLiteral("ConfigFunction 11.1.2 \"123456\" 30 2 \"f\" %1").arg(OSTREL_DATA_TEXT),
                     QStringLiteral("ConfigFunction 11.1.2 \"123456\" 30 3 \"%1\" %2")
                         .arg(QString::fromLatin1("\xB3\xB5\xBF\xE2\xC3\xC5"))
                         .arg(OSTREL_DATA_TEXT)}));

    // The whole device: every master code's sub codes, master codes in order, with the typed password.
    m_commands.calls.clear();
    fill("password", QStringLiteral("654321"));
    child<QRadioButton>("sendScope.AllTerminal")->click();
    click("sendButton");
    QStringList device;
    for (const auto& masterCode : m_models->Models()[kPanel]->MasterCodes())
        for (const auto& subCode : masterCode->SubCodes())
            device.append(QStringLiteral("%1 %2").arg(masterCode->MasterCode).arg(subCode->SubCode));
    QCOMPARE(device.size(), 12);
    QCOMPARE(m_commands.calls.size(), device.size());
    for (int index = 0; index < device.size(); ++index)
        QVERIFY2(m_commands.calls[index].startsWith(QStringLiteral("ConfigFunction 11.1.2 \"654321\" ") +
                                                    device[index] + QLatin1Char(' ')),
                 qPrintable(m_commands.calls[index]));
    QCOMPARE(m_commands.calls[10],
             QStringLiteral("ConfigFunction 11.1.2 \"654321\" 20 1 \"192.168.1.200\" %1")
                 .arg(OSTREL_DATA_DOTTED_ADDRESS));
    QCOMPARE(m_commands.calls[11],
             QStringLiteral("ConfigFunction 11.1.2 \"654321\" 10 1 \"f\" %1").arg(OSTREL_DATA_HEX_DIGITS));
    QVERIFY(settle());
    QCOMPARE(m_prompter.messages.mid(1, 1), QStringList{AllAnswered(1)});
    QCOMPARE(m_prompter.messages.last(), AllAnswered(12));
    QCOMPARE(m_prompter.messages.size(), 8); // a question and an answer per send
}

void ProgramPageTest::aSendIsOverWhenEveryFrameHasItsOutcome() {
    choose("modelBox", kKeypad);
    choose("masterCodeBox", 0);
    child<QRadioButton>("sendScope.AllSubCode")->click();
    click("sendButton");
    QCOMPARE(m_commands.calls.size(), 7);
    QVERIFY(!child<QPushButton>("sendButton")->isEnabled());
    // Pressing the disabled button sends nothing more.
    click("sendButton");
    QCOMPARE(m_commands.calls.size(), 7);

    // Outcomes of other frames and line events change nothing; the run's own arrive in batches.
    emit m_events.session.FramesSettled(
        {{OSTREL_FRAME_ANSWERED, OSTREL_PORT_UDP, 1, 2, OSTREL_COMMAND_LCD_CLEAN, 1000, 1, 10},
         {OSTREL_LINE_REOPENED, 3, OSTREL_WHOLE_BLOCK, OSTREL_WHOLE_BLOCK, 0, 0, 0, 0}});
    QVERIFY(!settle(OSTREL_FRAME_ANSWERED, 2));
    QVERIFY(!settle(OSTREL_FRAME_FAILED, 1));
    QVERIFY(!settle(OSTREL_FRAME_ANSWERED, 2));
    QVERIFY(!settle(OSTREL_FRAME_UNREACHABLE, 1));
    QCOMPARE(m_prompter.messages, QStringList{kConfirmSend});
    QVERIFY(settle(OSTREL_FRAME_DISCARDED, 1));
    QCOMPARE(m_prompter.messages,
             (QStringList{kConfirmSend, QStringLiteral("命令发送完毕\n4 条命令有应答，3 条无应答\n"
                                                       "无应答的从码（主码/从码）：1/3, 1/6, 1/7")}));

    // The run is over: outcomes that come after it say nothing more.
    emit m_events.session.FramesSettled({{OSTREL_FRAME_FAILED, OSTREL_PORT_UDP, 1, 2,
                                          OSTREL_COMMAND_CONFIG_FUNCTION, m_commands.frames[0], 3, 0}});
    QCOMPARE(m_prompter.messages.size(), 2);
}

void ProgramPageTest::aSessionThatStopsEndsTheSend() {
    choose("modelBox", kKeypad);
    choose("masterCodeBox", 0);
    child<QRadioButton>("sendScope.AllSubCode")->click();
    click("sendButton");
    QVERIFY(!settle(OSTREL_FRAME_ANSWERED, 1));
    // The frames still waiting get no outcome from a session that has stopped.
    m_events.session.Stop();
    QVERIFY(child<QPushButton>("sendButton")->isEnabled());
    QCOMPARE(m_prompter.messages,
             (QStringList{kConfirmSend,
                          QStringLiteral("命令发送完毕\n1 条命令有应答，6 条无应答\n"
                                         "无应答的从码（主码/从码）：1/2, 1/3, 1/4, 1/5, 1/6, 1/7")}));
    QCOMPARE(m_events.session.Start({QStringLiteral("0")}), OstrelSession::StartResult::Running);
}

void ProgramPageTest::aFullQueueIsToldWithTheCommandsNotQueued() {
    choose("modelBox", kPanel);
    child<QRadioButton>("sendScope.AllTerminal")->click();
    m_commands.queueRoom = 2;
    click("sendButton");
    QCOMPARE(m_commands.calls.size(), 2);
    QCOMPARE(m_commands.refused, 10);
    // Only what was queued is waited for, and the end says what was not sent.
    QVERIFY(!child<QPushButton>("sendButton")->isEnabled());
    QVERIFY(settle());
    QCOMPARE(m_prompter.messages,
             (QStringList{kConfirmSend, AllAnswered(2) + QStringLiteral("\n发送队列已满，有 10 "
                                                                        "条命令未能发送")}));

    // Nothing queued at all: said at once, and Send stays ready.
    m_prompter.messages.clear();
    m_commands.refused = 0;
    click("sendButton");
    QCOMPARE(m_prompter.messages,
             (QStringList{kConfirmSend, QStringLiteral("发送队列已满，有 12 条命令未能发送")}));
    QVERIFY(child<QPushButton>("sendButton")->isEnabled());
    QCOMPARE(m_commands.calls.size(), 2);
}

void ProgramPageTest::deletingAModelTakesItFromThePageTheTreeAndTheDatabase() {
    click("deleteModelButton");
    QVERIFY2(m_prompter.messages.isEmpty(), "no model, nothing to ask");
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneTypes);
    clickRow(3);
    m_prompter.answer = false;
    click("deleteModelButton");
    QCOMPARE(m_models->Models().size(), std::size_t{3});
    QCOMPARE(child<QComboBox>("modelBox")->count(), 3);

    m_prompter.answer = true;
    click("deleteModelButton");
    QCOMPARE(m_prompter.messages, QStringList(2, QStringLiteral("系统提示: 确定要删除吗？")));
    const auto* models = child<QComboBox>("modelBox");
    QCOMPARE(models->count(), 2);
    QCOMPARE(models->itemText(0), QStringLiteral("ZV-K200"));
    QCOMPARE(models->currentIndex(), -1);
    QVERIFY(text("password").isEmpty());
    QCOMPARE(child<QComboBox>("masterCodeBox")->count(), 0);
    QCOMPARE(child<CGridmara>("subCodeList")->GetItemCount(), 0);
    QVERIFY(text("masterCodeNumber").isEmpty());
    QVERIFY(child<QPlainTextEdit>("remark")->toPlainText().isEmpty());
    QVERIFY(text("initialLine").isEmpty());
    QCOMPARE(m_models->Models().size(), std::size_t{2});
    QCOMPARE(m_models->Models()[0]->TerName, QStringLiteral("ZV-K200"));
    for (const char* sql :
         {"SELECT * FROM tb_Terminal WHERE TerID=0", "SELECT * FROM tb_MasterCode WHERE TerID=0",
          "SELECT * FROM tb_SubCode WHERE TerID=0"})
        QVERIFY2(queryRows(QLatin1String(kToolDatabasePath), sql).isEmpty(), sql);

    // Nothing of the removed model is used again.
    m_prompter.messages.clear();
    fill("password", QStringLiteral("1234"));
    for (const char* scope : {"sendScope.OneSubCode", "sendScope.AllSubCode", "sendScope.AllTerminal"}) {
        child<QRadioButton>(scope)->click();
        click("sendButton");
    }
    click("modifyButton");
    click("editModelButton");
    click("deleteModelButton");
    QCOMPARE(m_prompter.messages, QStringList(3, kConfirmSend));
    QVERIFY(m_commands.calls.isEmpty());
    QVERIFY(m_dialog.modes.isEmpty());

    // The entries left still name their models.
    choose("modelBox", 0);
    QCOMPARE(text("password"), QStringLiteral("1234"));
}

void ProgramPageTest::aModelTheDatabaseKeepsStaysOnThePage() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneTypes);
    {
        DatabaseWriteLock lock{QLatin1String(kToolDatabasePath)};
        QVERIFY(lock.isLocked());
        click("deleteModelButton");
    }
    QCOMPARE(m_prompter.messages, (QStringList{QStringLiteral("系统提示: 确定要删除吗？"),
                                               QStringLiteral("修改未能保存到数据库：database is locked")}));
    QCOMPARE(child<QComboBox>("modelBox")->count(), 3);
    QCOMPARE(child<QComboBox>("modelBox")->currentIndex(), int(kPanel));
    QCOMPARE(child<QComboBox>("masterCodeBox")->count(), 6);
    QCOMPARE(text("password"), QStringLiteral("123456"));
    QCOMPARE(child<CGridmara>("subCodeList")->GetItemCount(), 5);
    QCOMPARE(m_models->Models().size(), std::size_t{3});
    QCOMPARE(queryRows(QLatin1String(kToolDatabasePath), "SELECT TerName FROM tb_Terminal WHERE TerID=0"),
             QStringList{QStringLiteral("ZV-P816")});

    // Once the other program lets go, the same press deletes it.
    click("deleteModelButton");
    QCOMPARE(m_models->Models().size(), std::size_t{2});
    QCOMPARE(child<QComboBox>("modelBox")->count(), 2);
}

void ProgramPageTest::addingAModelMakesItCurrent() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneTypes);
    // Cancelled, or ended without a model: nothing changes.
    m_dialog.script = [](DeviceModel*) { return ModelDialogRunner::Outcome{false, false, nullptr}; };
    click("addModelButton");
    m_dialog.script = [](DeviceModel*) { return ModelDialogRunner::Outcome{true, false, nullptr}; };
    click("addModelButton");
    QCOMPARE(child<QComboBox>("modelBox")->count(), 3);
    QCOMPARE(child<QComboBox>("modelBox")->currentIndex(), int(kPanel));

    m_dialog.script = [this](DeviceModel*) {
        auto model = std::make_unique<DeviceModel>();
        model->TerName = QStringLiteral("ZV-N100");
        model->AdminPsw = QStringLiteral("888888");
        DeviceModel* added = model.get();
        if (!m_models->AddModel(std::move(model)).saved())
            return ModelDialogRunner::Outcome{};
        for (const char* function : {"本机IP地址", "子网掩码"}) {
            auto masterCode = std::make_unique<MasterCodeItem>();
            masterCode->Function = QString::fromUtf8(function);
            m_models->AddMasterCode(*added, std::move(masterCode));
        }
        return ModelDialogRunner::Outcome{true, false, added};
    };
    click("addModelButton");
    QCOMPARE(m_dialog.modes, QList<ModelDialogRunner::Mode>(3, ModelDialogRunner::Mode::Add));
    QCOMPARE(m_dialog.currents, QList<DeviceModel*>(3, nullptr));
    const auto* models = child<QComboBox>("modelBox");
    QCOMPARE(models->count(), 4);
    QCOMPARE(models->itemText(3), QStringLiteral("ZV-N100"));
    QCOMPARE(models->currentIndex(), 3);
    QCOMPARE(text("password"), QStringLiteral("888888"));
    const auto* masterCodes = child<QComboBox>("masterCodeBox");
    QCOMPARE(masterCodes->count(), 2);
    QCOMPARE(masterCodes->currentText(), QStringLiteral("子网掩码"));
    // Only the box shows the last master code; the list waits until one is chosen.
    QCOMPARE(text("masterCodeNumber"), QStringLiteral("4"));
    QCOMPARE(child<CGridmara>("subCodeList")->GetItemCount(), 5);

    // The new model is the one Edit opens.
    click("editModelButton");
    QCOMPARE(m_dialog.currents.last(), m_models->Models()[3].get());
    QVERIFY(m_prompter.messages.isEmpty());
}

void ProgramPageTest::editingAModelRefreshesWhatItChanged() {
    click("editModelButton");
    QVERIFY2(m_dialog.modes.isEmpty(), "no model to edit");
    choose("modelBox", kPanel);
    choose("masterCodeBox", kSirenTime);
    m_dialog.script = [this](DeviceModel* current) {
        auto masterCode = std::make_unique<MasterCodeItem>();
        masterCode->Function = QStringLiteral("布防提示");
        m_models->AddMasterCode(*current, std::move(masterCode));
        std::vector<std::unique_ptr<SubCodeItem>> subCodes;
        subCodes.push_back(std::make_unique<SubCodeItem>());
        subCodes.back()->SubCode = 3;
        subCodes.back()->CodeValue = QStringLiteral("15");
        m_models->AddSubCodes(*current->MasterCodes()[kSirenTime], std::move(subCodes));
        return ModelDialogRunner::Outcome{true, false, current};
    };
    click("editModelButton");
    QCOMPARE(m_dialog.modes, QList<ModelDialogRunner::Mode>{ModelDialogRunner::Mode::Edit});
    QCOMPARE(m_dialog.currents, QList<DeviceModel*>{m_models->Models()[kPanel].get()});
    const auto* masterCodes = child<QComboBox>("masterCodeBox");
    QCOMPARE(masterCodes->count(), 7);
    QCOMPARE(masterCodes->currentIndex(), 6);
    QCOMPARE(masterCodes->currentText(), QStringLiteral("布防提示"));
    QCOMPARE(text("password"), QStringLiteral("123456"));
    // The master code shown has its new sub code, so that its rows and sub codes stay one for one.
    QCOMPARE(column(kValueColumn), (QStringList{"05", "10", "15"}));
    QCOMPARE(text("masterCodeNumber"), QStringLiteral("3"));

    // Cancel without removals changes nothing.
    m_dialog.script = [](DeviceModel*) { return ModelDialogRunner::Outcome{}; };
    click("editModelButton");
    QCOMPARE(masterCodes->currentIndex(), 6);
    QCOMPARE(column(kValueColumn).size(), 3);
}

void ProgramPageTest::whatTheDialogRemovedIsForgotten() {
    choose("modelBox", kPanel);
    choose("masterCodeBox", kZoneTypes);
    clickRow(2);
    // Removals alone end the dialog with Cancel.
    m_dialog.script = [this](DeviceModel* current) {
        m_models->RemoveMasterCode(current->MasterCodes()[kZoneTypes].get());
        return ModelDialogRunner::Outcome{false, true, current};
    };
    click("editModelButton");
    QCOMPARE(child<CGridmara>("subCodeList")->GetItemCount(), 0);
    QVERIFY(text("masterCodeNumber").isEmpty());
    QVERIFY(child<QPlainTextEdit>("remark")->toPlainText().isEmpty());
    QVERIFY(text("initialLine").isEmpty());
    const auto* masterCodes = child<QComboBox>("masterCodeBox");
    QCOMPARE(masterCodes->count(), 5);
    QCOMPARE(masterCodes->itemText(0), QStringLiteral("警号鸣响时间"));
    QCOMPARE(masterCodes->currentIndex(), -1);

    // Nothing of the removed master code is modified or sent.
    fill("initialLine", QStringLiteral("0"));
    fill("numericInitialValue", QStringLiteral("1"));
    click("modifyButton");
    for (const char* scope : {"sendScope.OneSubCode", "sendScope.AllSubCode"}) {
        child<QRadioButton>(scope)->click();
        click("sendButton");
    }
    QCOMPARE(m_prompter.messages, QStringList(2, kConfirmSend));
    QVERIFY(m_commands.calls.isEmpty());

    // The model's remaining master codes are there to choose.
    choose("masterCodeBox", 0);
    QCOMPARE(column(kValueColumn), (QStringList{"05", "10"}));
}

void ProgramPageTest::useDefaultDataAsksFirst() {
    m_prompter.answer = false;
    click("useDefaultButton");
    QCOMPARE(m_resets, 0);
    m_prompter.answer = true;
    click("useDefaultButton");
    QCOMPARE(m_resets, 1);
    QCOMPARE(m_prompter.messages,
             QStringList(2, QStringLiteral("系统提示: 默认数据将覆盖当前数据，确定吗？")));
}

QTEST_MAIN(ProgramPageTest)
#include "ProgramPageTest.moc"
