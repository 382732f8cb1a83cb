#include "voice/VoicePage.h"

#include "FakeSoundDevice.h"
#include "FullDisk.h"
#include "RecordingPrompter.h"
#include "RequiredChild.h"
#include "ScratchWorkingFolder.h"
#include "TestDatabase.h"
#include "TypedText.h"
#include "gridmara/CGridmara.h"
#include "gridmara/CLcCombox.h"
#include "model/ToolDatabase.h"
#include "voice/WaveFolder.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <memory>

namespace {

enum SlotColumn { kTypeColumn, kWaveNameColumn, kRemarkColumn, kOrderColumn };

// The slots of the three-slot example: orders 3 and 31 with a file, 20 without.
constexpr char kThreeSlots[] = R"(
    DELETE FROM tb_Sound;
    INSERT INTO tb_Sound (byOrder, WavType, WavName, Remark)
        VALUES (3, '防区名称', 'a.wav', ''), (20, '报警信息', '', '报警'), (31, '警情类型', 'b.wav', '火警');
)";

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

bool WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

class VoicePageTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showsTheSlotsOfItsLanguage_data();
    void showsTheSlotsOfItsLanguage();
    void unreadableTextsFallBackToChineseWithACaption();
    void anUnknownLanguageFlagListsNoSlotsButTheFilesWork();
    void aDoubleClickAssignsAFileThroughTheDropDown();

    void importCopiesTheFileInAndReplacesOnlyWhenConfirmed();
    void importingTheFileThatIsAlreadyThereKeepsIt();
    void aFailedImportAddsNothing();

    void recordingSavesUnderTheNewNameAndRefusesItTwice();
    void recordingChecksComeBeforeTheDevice();
    void aRecordingThatCannotBeSavedIsToldAndThePageStaysUsable();
    void aTimeLimitEndsAndSavesTheRecordingByItself();

    void testPlayTogglesUntilTheStopNotification();
    void deleteRefusesAssignedFilesAndAsksFirst();

    void writePlaysTheThreeSlotExampleInTime();
    void writeAsksFirstAndSendsNothingBroken();
    void closeWritesEveryAssignmentToBothTables();
    void closeOnAFullDiskTellsWhyAndTheStoredAssignmentsStay();
    void withoutTheToolDatabaseThePageListsNoSlotsAndSavesNothing();

private:
    std::unique_ptr<CVoicePage> makePage(const QString& languageDatabase = builtWorkFile("DB/Chinese.mdb"),
                                         int languageFlag = 0);
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    void doubleClickCell(int row, int column);
    void record(const QString& name);
    QStringList waveList() const;
    QStringList waveBox() const;
    QStringList slotColumn(int column) const;
    void selectWave(const QString& name);
    template <typename Widget> Widget* child(const char* name) const {
        return requiredChild<Widget>(*m_page, name);
    }

    RecordingPrompter m_prompter;
    FakeSoundDevice m_sound;
    // What the import dialog answers.
    QString m_importChoice;
    std::unique_ptr<ScratchWorkingFolder> m_folder;
    std::unique_ptr<CVoicePage> m_page;
};

void VoicePageTest::init() {
    m_folder = std::make_unique<ScratchWorkingFolder>();
    QVERIFY(m_folder->isValid());
    QVERIFY(createToolDatabase(QLatin1String(kToolDatabasePath), ""));
    QVERIFY(copyBuiltSoundFiles());
    m_sound.events.clear();
    m_sound.canPlay = m_sound.canRecord = true;
    m_sound.saveFails = false;
    m_prompter.answer = true;
    m_importChoice.clear();
    m_page = makePage();
    m_prompter.messages.clear();
}

void VoicePageTest::cleanup() {
    m_page.reset();
    m_folder.reset();
}

std::unique_ptr<CVoicePage> VoicePageTest::makePage(const QString& languageDatabase, int languageFlag) {
    auto page = std::make_unique<CVoicePage>(m_prompter, languageDatabase, languageFlag, m_sound,
                                             [this] { return m_importChoice; });
    page->resize(900, 600);
    page->show();
    return page;
}

void VoicePageTest::doubleClickCell(int row, int column) {
    auto* list = child<CGridmara>("slotList");
    list->scrollTo(list->model()->index(row, column));
    const QPoint centre = list->visualRect(list->model()->index(row, column)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
}

void VoicePageTest::record(const QString& name) {
    typeIntoBox(child<QLineEdit>("newName"), name);
    click("recordButton");
    click("recordButton");
}

QStringList VoicePageTest::waveList() const {
    QStringList names;
    const auto* list = child<QListWidget>("waveList");
    for (int row = 0; row < list->count(); ++row)
        names << list->item(row)->text();
    return names;
}

QStringList VoicePageTest::waveBox() const {
    QStringList names;
    const auto* box = child<CLcCombox>("waveBox");
    for (int index = 0; index < box->count(); ++index)
        names << box->itemText(index);
    return names;
}

QStringList VoicePageTest::slotColumn(int column) const {
    QStringList texts;
    const auto* list = child<CGridmara>("slotList");
    for (int row = 0; row < list->GetItemCount(); ++row)
        texts << list->GetItemText(row, column);
    return texts;
}

void VoicePageTest::selectWave(const QString& name) {
    auto* list = child<QListWidget>("waveList");
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    list->setCurrentItem(found.first());
}

void VoicePageTest::showsTheSlotsOfItsLanguage_data() {
    QTest::addColumn<QString>("database");
    QTest::addColumn<int>("flag");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("zoneType");
    QTest::addColumn<QString>("sendCaption");
    QTest::newRow("Chinese") << QStringLiteral("DB/Chinese.mdb") << 0
                             << QStringList({"类型", "说明", "说明", "序号"}) << QStringLiteral("防区名称")
                             << QStringLiteral("发送命令");
    QTest::newRow("English") << QStringLiteral("DB/English.mdb") << 1
                             << QStringList({"Type", "Sound file", "Description", "No."})
                             << QStringLiteral("Zone name") << QStringLiteral("Write to Device");
}

void VoicePageTest::showsTheSlotsOfItsLanguage() {
    QFETCH(QString, database);
    QFETCH(int, flag);
    m_page = makePage(builtWorkFile(database), flag);
    auto* list = child<CGridmara>("slotList");

    QTEST(child<QPushButton>("writeButton")->text(), "sendCaption");
    QCOMPARE(list->GetItemCount(), 40);
    QStringList titles;
    for (int column = 0; column < list->columnCount(); ++column)
        titles << list->horizontalHeaderItem(column)->text();
    QTEST(titles, "titles");
    QCOMPARE(list->columnWidth(kTypeColumn), 80);
    QCOMPARE(list->columnWidth(kWaveNameColumn), 120);
    QCOMPARE(list->columnWidth(kRemarkColumn), 150);
    QVERIFY(list->columnWidth(kOrderColumn) == 0 || list->isColumnHidden(kOrderColumn));
    QTEST(list->GetItemText(5, kTypeColumn), "zoneType");
    QCOMPARE(list->GetItemText(17, kWaveNameColumn), QStringLiteral("Armed.wav"));
    QCOMPARE(list->GetItemText(31, kOrderColumn), QStringLiteral("31"));
    QCOMPARE(slotColumn(kWaveNameColumn).count(QString()), 37);
    QVERIFY(m_prompter.messages.isEmpty());

    // The list box and the list's drop-down hold the folder's files, in the same order.
    QCOMPARE(waveList(), QStringList({"Armed.wav", "Disarmed.wav", "Welcome.wav"}));
    QCOMPARE(waveBox(), waveList());

    // The confirmations of texts read from the table have no caption.
    m_prompter.answer = false;
    click("writeButton");
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY(m_prompter.messages.first().startsWith(QLatin1String(": ")));
}

void VoicePageTest::unreadableTextsFallBackToChineseWithACaption() {
    m_page = makePage(QStringLiteral("DB/Nowhere.mdb"));
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("连接数据库失败DB/Nowhere.mdb")});
    QCOMPARE(child<QPushButton>("importButton")->text(), QStringLiteral("导入声音"));
    QCOMPARE(child<QGroupBox>("advancedGroup")->title(), QStringLiteral("高级设置"));
    QCOMPARE(child<CGridmara>("slotList")->GetItemCount(), 40); // the slots come from the tool database
    m_prompter.messages.clear();
    m_prompter.answer = false;
    click("writeButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("系统提示: 确定要写入设备吗？")});
}

void VoicePageTest::anUnknownLanguageFlagListsNoSlotsButTheFilesWork() {
    m_page = makePage(builtWorkFile("DB/Chinese.mdb"), 7);
    QCOMPARE(child<CGridmara>("slotList")->GetItemCount(), 0);
    QCOMPARE(waveList().size(), 3);

    QVERIFY(WriteFile(QStringLiteral("outside.wav"), "RIFF"));
    m_importChoice = QDir::current().absoluteFilePath(QStringLiteral("outside.wav"));
    click("importButton");
    QCOMPARE(waveList().last(), QStringLiteral("outside.wav"));
    QVERIFY(QFile::exists(QStringLiteral("Wave/outside.wav")));

    // With no slot using it, it goes again.
    selectWave(QStringLiteral("outside.wav"));
    click("deleteButton");
    QVERIFY(!QFile::exists(QStringLiteral("Wave/outside.wav")));
    QCOMPARE(waveList().size(), 3);
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral(": 确定要删除吗？")});
}

void VoicePageTest::aDoubleClickAssignsAFileThroughTheDropDown() {
    auto* list = child<CGridmara>("slotList");
    auto* box = child<CLcCombox>("waveBox");
    doubleClickCell(5, kRemarkColumn);
    QVERIFY2(box->isHidden(), "only the file column is edited");

    doubleClickCell(5, kWaveNameColumn);
    QVERIFY(box->isVisible());
    box->setCurrentIndex(1);
    emit box->activated(1);
    QCOMPARE(list->GetItemText(5, kWaveNameColumn), QStringLiteral("Disarmed.wav"));
    QVERIFY(box->isHidden());
    // Kept in the list until the page closes.
    QCOMPARE(queryRows(QLatin1String(kToolDatabasePath), "SELECT WavName FROM tb_Sound WHERE byOrder=5"),
             QStringList{QString()});
}

void VoicePageTest::importCopiesTheFileInAndReplacesOnlyWhenConfirmed() {
    QVERIFY(QDir().mkdir(QStringLiteral("elsewhere")));
    QVERIFY(WriteFile(QStringLiteral("elsewhere/Armed.wav"), "new armed"));
    QVERIFY(WriteFile(QStringLiteral("elsewhere/fresh.wav"), "fresh"));
    const QByteArray shipped = ReadFile(QStringLiteral("Wave/Armed.wav"));

    m_importChoice = QDir::current().absoluteFilePath(QStringLiteral("elsewhere/fresh.wav"));
    click("importButton");
    QCOMPARE(waveList(), QStringList({"Armed.wav", "Disarmed.wav", "Welcome.wav", "fresh.wav"}));
    QCOMPARE(waveBox(), waveList());
    QCOMPARE(child<QListWidget>("waveList")->currentRow(), 3);
    QCOMPARE(ReadFile(QStringLiteral("Wave/fresh.wav")), QByteArray("fresh"));
    QVERIFY(m_prompter.messages.isEmpty());

    // A name already listed, in any letter case, asks first; Cancel keeps the file.
    m_importChoice = QDir::current().absoluteFilePath(QStringLiteral("elsewhere/Armed.wav"));
    m_prompter.answer = false;
    click("importButton");
    QCOMPARE(m_prompter.messages,
             QStringList{QStringLiteral(": 已经存在相同名称的声音文件，确定要替换吗？")});
    QCOMPARE(ReadFile(QStringLiteral("Wave/Armed.wav")), shipped);
    QCOMPARE(waveList().first(), QStringLiteral("Armed.wav"));

    // OK replaces it; its name moves to the end of both lists.
    m_prompter.answer = true;
    click("importButton");
    QCOMPARE(ReadFile(QStringLiteral("Wave/Armed.wav")), QByteArray("new armed"));
    QCOMPARE(waveList(), QStringList({"Disarmed.wav", "Welcome.wav", "fresh.wav", "Armed.wav"}));
    QCOMPARE(waveBox(), waveList());

    // Another letter case is another file here: the listed one makes way, so the list still mirrors the
    // folder.
    QVERIFY(WriteFile(QStringLiteral("elsewhere/WELCOME.wav"), "loud welcome"));
    m_importChoice = QDir::current().absoluteFilePath(QStringLiteral("elsewhere/WELCOME.wav"));
    click("importButton");
    QCOMPARE(waveList(), QStringList({"Disarmed.wav", "fresh.wav", "Armed.wav", "WELCOME.wav"}));
    QCOMPARE(ListWaveFiles(), QStringList({"Armed.wav", "Disarmed.wav", "fresh.wav", "WELCOME.wav"}));
}

void VoicePageTest::importingTheFileThatIsAlreadyThereKeepsIt() {
    const QByteArray shipped = ReadFile(QStringLiteral("Wave/Welcome.wav"));
    m_importChoice = QDir::current().absoluteFilePath(QStringLiteral("Wave/Welcome.wav"));
    click("importButton");
    QCOMPARE(m_prompter.messages.size(), 1);
    QCOMPARE(ReadFile(QStringLiteral("Wave/Welcome.wav")), shipped);
    QCOMPARE(waveList(), QStringList({"Armed.wav", "Disarmed.wav", "Welcome.wav"}));
    QCOMPARE(waveBox(), waveList());
}

void VoicePageTest::aFailedImportAddsNothing() {
    m_importChoice.clear(); // the dialog was cancelled
    click("importButton");
    QVERIFY(m_prompter.messages.isEmpty());

    m_importChoice = QDir::current().absoluteFilePath(QStringLiteral("vanished.wav"));
    click("importButton");
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY(m_prompter.messages.first().startsWith(QStringLiteral("声音文件复制失败：")));
    QCOMPARE(waveList().size(), 3);
    QCOMPARE(ListWaveFiles().size(), 3);
}

void VoicePageTest::recordingSavesUnderTheNewNameAndRefusesItTwice() {
    auto* recordButton = child<QPushButton>("recordButton");
    QCOMPARE(recordButton->text(), QStringLiteral("录音"));
    typeIntoBox(child<QLineEdit>("newName"), QStringLiteral("hello"));
    click("recordButton");
    QVERIFY(m_sound.recording);
    QCOMPARE(recordButton->text(), QStringLiteral("停止录音"));
    QVERIFY(!child<QLineEdit>("newName")->isEnabled());
    QVERIFY(!child<QPushButton>("testPlayButton")->isEnabled());

    click("recordButton");
    QVERIFY(!m_sound.recording);
    QCOMPARE(recordButton->text(), QStringLiteral("开始录音"));
    QVERIFY(child<QLineEdit>("newName")->isEnabled());
    QVERIFY(child<QPushButton>("testPlayButton")->isEnabled());
    QVERIFY(readWav("Wave/hello.wav").isValid());
    QVERIFY2(QFile::exists(QStringLiteral("a")), "saved first beside the folder, and left there");
    QCOMPARE(waveList().last(), QStringLiteral("hello.wav"));
    QCOMPARE(waveBox(), waveList());
    QCOMPARE(child<QListWidget>("waveList")->currentItem()->text(), QStringLiteral("hello.wav"));
    QVERIFY(m_prompter.messages.isEmpty());

    // Hello is hello in another letter case: refused. A name that has ".wav" already keeps it.
    typeIntoBox(child<QLineEdit>("newName"), QStringLiteral("Hello"));
    click("recordButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("已经存在该名称的声音文件，请重新出入")});
    QVERIFY(!m_sound.recording);
    record(QStringLiteral("door.wav"));
    QCOMPARE(waveList().last(), QStringLiteral("door.wav"));

    // A quote is part of a name; a folder separator cannot be typed.
    record(QStringLiteral("O'Neil"));
    QCOMPARE(waveList().last(), QStringLiteral("O'Neil.wav"));
    typeIntoBox(child<QLineEdit>("newName"), QStringLiteral("../up"));
    QCOMPARE(child<QLineEdit>("newName")->text(), QStringLiteral("..up"));
}

void VoicePageTest::recordingChecksComeBeforeTheDevice() {
    click("recordButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("请先输入文件名")});

    typeIntoBox(child<QLineEdit>("newName"), QStringLiteral("x"));
    child<QCheckBox>("timeLimit")->setChecked(true);
    click("recordButton");
    QCOMPARE(m_prompter.messages.last(), QStringLiteral("启用限时录音时，时间不能为空"));

    child<QCheckBox>("timeLimit")->setChecked(false);
    m_sound.canRecord = false;
    click("recordButton");
    QCOMPARE(m_prompter.messages.last(), QStringLiteral("不能录音"));
    QVERIFY(child<QLineEdit>("newName")->isEnabled());
    QCOMPARE(child<QPushButton>("recordButton")->text(), QStringLiteral("录音"));
    QVERIFY(!m_sound.recording);
}

void VoicePageTest::aRecordingThatCannotBeSavedIsToldAndThePageStaysUsable() {
    m_sound.saveFails = true;
    record(QStringLiteral("full"));
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("不能保存\nNo space left on device")});
    QVERIFY(!QFile::exists(QStringLiteral("Wave/full.wav")));
    QCOMPARE(waveList().size(), 3);
    QVERIFY(child<QLineEdit>("newName")->isEnabled());
    QVERIFY(child<QPushButton>("testPlayButton")->isEnabled());

    // A copy into Wave/ that fails is told too, and adds nothing.
    m_sound.saveFails = false;
    m_prompter.messages.clear();
    QVERIFY(QDir().mkdir(QStringLiteral("Wave/full.wav")));
    record(QStringLiteral("full"));
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY(m_prompter.messages.first().startsWith(QStringLiteral("声音文件复制失败：")));
    QCOMPARE(waveList().size(), 3);
}

void VoicePageTest::aTimeLimitEndsAndSavesTheRecordingByItself() {
    typeIntoBox(child<QLineEdit>("newName"), QStringLiteral("timed"));
    child<QCheckBox>("timeLimit")->setChecked(true);
    typeIntoBox(child<QLineEdit>("recordTime"), QStringLiteral("2000"));
    QElapsedTimer elapsed;
    elapsed.start();
    click("recordButton");
    QVERIFY(m_sound.recording);
    QTRY_VERIFY_WITH_TIMEOUT(!m_sound.recording, 20000);
    QVERIFY(elapsed.elapsed() >= 1990);
    QVERIFY(QFile::exists(QStringLiteral("Wave/timed.wav")));
    QCOMPARE(waveList().last(), QStringLiteral("timed.wav"));
    QCOMPARE(child<QPushButton>("recordButton")->text(), QStringLiteral("开始录音"));
}

void VoicePageTest::testPlayTogglesUntilTheStopNotification() {
    auto* playButton = child<QPushButton>("testPlayButton");
    click("testPlayButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("请选择一个声音文件")});

    selectWave(QStringLiteral("Armed.wav"));
    click("testPlayButton");
    QCOMPARE(m_sound.testPlayback, QStringLiteral("Wave/Armed.wav"));
    QCOMPARE(playButton->text(), QStringLiteral("停止播放"));
    // The end of the file resets the button.
    m_sound.EndTestPlayback();
    QCOMPARE(playButton->text(), QStringLiteral("开始播放"));

    // Pressed again while it plays, it stops the playback.
    click("testPlayButton");
    click("testPlayButton");
    QVERIFY(m_sound.testPlayback.isEmpty());
    QCOMPARE(playButton->text(), QStringLiteral("开始播放"));

    // A recording ends a playback first.
    click("testPlayButton");
    record(QStringLiteral("over"));
    QVERIFY(m_sound.testPlayback.isEmpty());
    QCOMPARE(playButton->text(), QStringLiteral("开始播放"));

    m_sound.canPlay = false;
    selectWave(QStringLiteral("Welcome.wav"));
    click("testPlayButton");
    QCOMPARE(m_prompter.messages.last(), QStringLiteral("error no wave"));
    QCOMPARE(playButton->text(), QStringLiteral("开始播放"));
}

void VoicePageTest::deleteRefusesAssignedFilesAndAsksFirst() {
    click("deleteButton");
    QVERIFY2(m_prompter.messages.isEmpty(), "nothing selected, nothing done");

    selectWave(QStringLiteral("Welcome.wav"));
    click("deleteButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("该声音文件已经被引用，不能删除")});
    QVERIFY(QFile::exists(QStringLiteral("Wave/Welcome.wav")));

    // An unassigned file: Cancel keeps it, OK deletes it from the folder and both lists.
    child<CGridmara>("slotList")->SetItemText(17, kWaveNameColumn, QString());
    selectWave(QStringLiteral("Armed.wav"));
    m_prompter.answer = false;
    click("deleteButton");
    QVERIFY(QFile::exists(QStringLiteral("Wave/Armed.wav")));
    m_prompter.answer = true;
    click("deleteButton");
    QVERIFY(!QFile::exists(QStringLiteral("Wave/Armed.wav")));
    QCOMPARE(waveList(), QStringList({"Disarmed.wav", "Welcome.wav"}));
    QCOMPARE(waveBox(), waveList());

    // A file that cannot be deleted stays listed.
    m_prompter.messages.clear();
    child<CGridmara>("slotList")->SetItemText(18, kWaveNameColumn, QString());
    QVERIFY(QFile::remove(QStringLiteral("Wave/Disarmed.wav")));
    selectWave(QStringLiteral("Disarmed.wav"));
    click("deleteButton");
    QCOMPARE(m_prompter.messages.size(), 2);
    QVERIFY(m_prompter.messages.last().startsWith(QStringLiteral("声音文件删除失败：")));
    QCOMPARE(waveList(), QStringList({"Disarmed.wav", "Welcome.wav"}));
}

void VoicePageTest::writePlaysTheThreeSlotExampleInTime() {
    QVERIFY(createDatabase(QLatin1String(kToolDatabasePath), kThreeSlots));
    QVERIFY(QFile::copy(QStringLiteral("Wave/Armed.wav"), QStringLiteral("Wave/a.wav")));
    QVERIFY(QFile::copy(QStringLiteral("Wave/Disarmed.wav"), QStringLiteral("Wave/b.wav")));
    m_page = makePage();
    QCOMPARE(child<CGridmara>("slotList")->GetItemCount(), 3);
    const char* buttons[] = {"testPlayButton", "importButton", "deleteButton", "recordButton", "writeButton"};

    m_sound.events.clear();
    click("writeButton");
    for (const char* button : buttons)
        QVERIFY(!child<QPushButton>(button)->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>("writeButton")->isEnabled(), 30000);
    for (const char* button : buttons)
        QVERIFY(child<QPushButton>(button)->isEnabled());
    QCOMPARE(m_prompter.messages,
             QStringList({QStringLiteral(": 确定要写入设备吗？"), QStringLiteral("声音写入完毕")}));

    QCOMPARE(m_sound.played(), QStringList({"play sWav/9.wav", "play sWav/9.wav", "play sWav/0.wav",
                                            "play sWav/3.wav", "play Wave/a.wav", "stop", "play sWav/3.wav",
                                            "play sWav/1.wav", "play Wave/b.wav", "stop"}));
    // Each step no sooner than its time, and not much later; the voice files play 1.6 s each.
    const qint64 expected[] = {100, 300, 500, 700, 900, 2500, 2650, 2850, 3050, 4650};
    const qint64 start = m_sound.events.front().ms - expected[0];
    for (std::size_t step = 0; step < std::size(expected); ++step) {
        const qint64 late = m_sound.events[step].ms - start - expected[step];
        QVERIFY2(late >= -5 && late < 1000,
                 qPrintable(QStringLiteral("step %1 late by %2 ms").arg(step).arg(late)));
    }
    QVERIFY(m_sound.events[5].ms - m_sound.events[4].ms >= 1595);
}

void VoicePageTest::writeAsksFirstAndSendsNothingBroken() {
    m_prompter.answer = false;
    click("writeButton");
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY(child<QPushButton>("writeButton")->isEnabled());

    // Missing files are named, and nothing plays.
    m_prompter.answer = true;
    m_prompter.messages.clear();
    QVERIFY(QFile::remove(QStringLiteral("sWav/7.wav")));
    QVERIFY(QFile::remove(QStringLiteral("Wave/Welcome.wav")));
    click("writeButton");
    QCOMPARE(m_prompter.messages.last(),
             QStringLiteral("缺少以下声音文件，未写入设备：\nWave/Welcome.wav\nsWav/7.wav"));
    QVERIFY(child<QPushButton>("writeButton")->isEnabled());

    // No sound output: nothing could reach the terminal.
    m_sound.canPlay = false;
    click("writeButton");
    QCOMPARE(m_prompter.messages.last(), QStringLiteral("没有可用的声音输出设备，未写入设备"));
    QVERIFY(m_sound.events.empty());

    // A recording that runs is stopped and saved first.
    m_sound.canPlay = true;
    typeIntoBox(child<QLineEdit>("newName"), QStringLiteral("late"));
    click("recordButton");
    click("writeButton");
    QVERIFY(!m_sound.recording);
    QVERIFY(QFile::exists(QStringLiteral("Wave/late.wav")));
}

void VoicePageTest::closeWritesEveryAssignmentToBothTables() {
    auto* list = child<CGridmara>("slotList");
    list->SetItemText(3, kWaveNameColumn, QStringLiteral("O'Neil's.wav"));
    list->SetItemText(17, kWaveNameColumn, QStringLiteral("Welcome.wav"));
    list->SetItemText(18, kWaveNameColumn, QString()); // an empty cell is not written: it stays assigned
    m_page->OnClose(true);
    QVERIFY(m_prompter.messages.isEmpty());
    QVERIFY(m_sound.closed);
    const QStringList expected{"0|Welcome.wav", "3|O'Neil's.wav", "17|Welcome.wav", "18|Disarmed.wav"};
    for (const char* table : {"tb_Sound", "tb_SoundEg"})
        QCOMPARE(queryRows(QLatin1String(kToolDatabasePath), QByteArray("SELECT byOrder, WavName FROM ") +
                                                                 table +
                                                                 " WHERE WavName <> '' ORDER BY byOrder"),
                 expected);

    // After a reset to the defaults the page keeps its hands off the new database.
    m_page = makePage();
    child<CGridmara>("slotList")->SetItemText(4, kWaveNameColumn, QStringLiteral("Armed.wav"));
    m_page->OnClose(false);
    QCOMPARE(queryRows(QLatin1String(kToolDatabasePath), "SELECT WavName FROM tb_Sound WHERE byOrder=4"),
             QStringList{QString()});
}

void VoicePageTest::closeOnAFullDiskTellsWhyAndTheStoredAssignmentsStay() {
    // Nothing changed on the page: nothing is lost, so a database that takes no writes goes untold.
    {
        const FullDisk full;
        QVERIFY(full.isSet());
        m_page->OnClose(true);
    }
    QVERIFY(m_prompter.messages.isEmpty());

    m_page = makePage();
    child<CGridmara>("slotList")->SetItemText(4, kWaveNameColumn, QStringLiteral("Armed.wav"));
    {
        const FullDisk full;
        QVERIFY(full.isSet());
        m_page->OnClose(true);
    }
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("声音配置未能保存到数据库：disk I/O error")});
    for (const char* table : {"tb_Sound", "tb_SoundEg"})
        QCOMPARE(queryRows(QLatin1String(kToolDatabasePath), QByteArray("SELECT WavName FROM ") + table +
                                                                 " WHERE byOrder IN (0, 4) ORDER BY byOrder"),
                 (QStringList{QStringLiteral("Welcome.wav"), QString()}));
}

void VoicePageTest::withoutTheToolDatabaseThePageListsNoSlotsAndSavesNothing() {
    QVERIFY(QFile::remove(QLatin1String(kToolDatabasePath)));
    m_page = std::make_unique<CVoicePage>(
        m_prompter, builtWorkFile("DB/Chinese.mdb"), 0, m_sound, [this] { return m_importChoice; }, nullptr,
        false);
    QCOMPARE(child<CGridmara>("slotList")->GetItemCount(), 0);
    QCOMPARE(waveList(), QStringList({"Armed.wav", "Disarmed.wav", "Welcome.wav"}));
    m_page->OnClose(true);
    QVERIFY2(m_prompter.messages.isEmpty(), "the main window has told the user about the tool database");
    QVERIFY(!QFile::exists(QLatin1String(kToolDatabasePath)));
}

QTEST_MAIN(VoicePageTest)
#include "VoicePageTest.moc"
