#include "main/MainDlg.h"

#include "DatabaseWriteLock.h"
#include "FullDisk.h"
#include "ReadOnlyFile.h"
#include "RecordingPrompter.h"
#include "TestDatabase.h"
#include "basectrl/BaseCtrlPage.h"
#include "config/ModelConfigDlg.h"
#include "gridmara/CGridmara.h"
#include "gridmara/CGridmaraView.h"
#include "gridmara/CQvHeaderCtrl.h"
#include "main/AboutDlg.h"
#include "main/PageTabCtrl.h"
#include "ostrel/ostrel.h"
#include "program/ProgramPage.h"
#include "voice/VoicePage.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {
const QString kOneUdpPort =
    QStringLiteral("Only one UDP port can be open at a time. Delete the other UDP port from the list first.");
} // namespace

// The main window in a scratch working folder that holds the generated language databases.
class MainDlgTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void withoutAnIniShowsEnglishTextsAndTheChineseRadio();
    void flagChoosesTheRadio_data();
    void flagChoosesTheRadio();
    void unreadableTextsFallBackToChinese_data();
    void unreadableTextsFallBackToChinese();
    void enterKeepsTheWindowEscapeAndCloseBoxEndIt();
    void restartStartsANewInstanceInTheChosenLanguage();
    void restartWithAProgramThatCannotStartStillEnds();
    void menuOpensTheAboutBox();
    void loadsTheModelTreeAtStartAndFreesItOnClose();
    void missingToolDatabaseIsToldOnceWithWhatToDo();
    void toolDatabaseHeldThroughTheStartIsToldOnceAndTakesNoChange();
    void damagedToolDatabaseIsOneMessageAndWhatCouldBeReadIsShown();
    void readOnlyToolDatabaseIsToldOnceAtStartAndRefusesChanges();
    void restartOnAFullDiskKeepsTheToolRunning();
    void programmingPageWorksOnTheWindowsModelsAndTerminal();
    void resetToDefaultsReplacesTheToolDatabaseAndRestarts();
    void resetWithoutDefaultsKeepsTheWindowOpen();
    void portListHoldsOneUdpPortBesideSerialPorts_data();
    void portListHoldsOneUdpPortBesideSerialPorts();
    void deletingTheUdpPortMakesRoomForAnother();

private:
    void writeIni(const QByteArray& text);
    // Types the port into the new port box and clicks Add.
    void addPort(const CMainDlg& window, const QString& port);
    QStringList listedPorts(const CMainDlg& window);
    std::unique_ptr<CMainDlg> makeWindow(const QString& programPath = QStringLiteral(TARVEX_PROGRAM));
    // Opens the device model dialog from the programming page, adds a model named `name` in it and closes
    // it again.
    void addModelInTheDialog(const CMainDlg& window, const QString& name);
    // Shows the window on the programming page and asks to delete its first device model; the prompts
    // before it are forgotten.
    void deleteTheFirstModel(CMainDlg& window);
    template <typename Widget> Widget* child(const CMainDlg& window, const char* name);

    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_previousFolder;
    RecordingPrompter m_prompter;
};

void MainDlgTest::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_previousFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_folder->path()));
    QVERIFY(QDir().mkdir(QStringLiteral("DB")));
    for (const QString& name : {QStringLiteral("DB/Chinese.mdb"), QStringLiteral("DB/English.mdb"),
                                QStringLiteral("DB/Default.mdb")})
        QVERIFY(QFile::copy(builtWorkFile(name), name));
    // The tool database as a first start finds it.
    QVERIFY(QFile::copy(QStringLiteral("DB/Default.mdb"), QStringLiteral("DB/VaZeraVI.mdb")));
    m_prompter.messages.clear();
}

void MainDlgTest::cleanup() {
    QDir::setCurrent(m_previousFolder);
    m_folder.reset();
    qunsetenv("TARVEX_QUIT_AFTER_START");
}

void MainDlgTest::writeIni(const QByteArray& text) {
    QFile ini(QStringLiteral("Language.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(text);
}

std::unique_ptr<CMainDlg> MainDlgTest::makeWindow(const QString& programPath) {
    return std::make_unique<CMainDlg>(m_prompter, programPath);
}

template <typename Widget> Widget* MainDlgTest::child(const CMainDlg& window, const char* name) {
    auto* widget = window.findChild<Widget*>(QLatin1String(name));
    if (widget == nullptr)
        qFatal("the main window has no %s", name);
    return widget;
}

void MainDlgTest::addPort(const CMainDlg& window, const QString& port) {
    auto* newPort = child<QLineEdit>(window, "newPort");
    newPort->clear();
    QTest::keyClicks(newPort, port);
    QTest::mouseClick(child<QPushButton>(window, "addPortButton"), Qt::LeftButton);
}

QStringList MainDlgTest::listedPorts(const CMainDlg& window) {
    const auto* ports = child<QListWidget>(window, "portList");
    QStringList texts;
    for (int row = 0; row < ports->count(); ++row)
        texts << ports->item(row)->text();
    return texts;
}

void MainDlgTest::withoutAnIniShowsEnglishTextsAndTheChineseRadio() {
    const auto window = makeWindow();
    QVERIFY(m_prompter.messages.isEmpty());
    QCOMPARE(window->windowTitle(), QStringLiteral("Zenvar Configuration Tool"));
    QCOMPARE(child<QGroupBox>(*window, "terminalGroup")->title(), QStringLiteral("Terminals"));
    QCOMPARE(child<QPushButton>(*window, "startButton")->text(), QStringLiteral("Start"));
    QVERIFY(child<QRadioButton>(*window, "chineseRadio")->isChecked());
    QVERIFY(!child<QRadioButton>(*window, "englishRadio")->isChecked());
    QCOMPARE(window->RadioChoice(), LanguageSettings::Chinese);

    const auto* tabs = child<CPageTabCtrl>(*window, "pageTab");
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Basic Control"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("Voice"));
    QVERIFY(qobject_cast<CBaseCtrlPage*>(tabs->widget(0)));
    QVERIFY(qobject_cast<CProgramPage*>(tabs->widget(1)));
    QVERIFY(qobject_cast<CVoicePage*>(tabs->widget(2)));
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(child<CGridmaraView>(*window, "terminalList")->Header().ColumnText(1), QStringLiteral("State"));

    window->show();
    QVERIFY(child<QPushButton>(*window, "startButton")->isVisible());
    QVERIFY(!child<QPushButton>(*window, "stopButton")->isVisible());
}

void MainDlgTest::flagChoosesTheRadio_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("title");
    QTest::newRow("Flag -5 is Chinese")
        << QByteArray("[Language]\nFlag=-5\nName=Chinese.mdb\n") << false << QStringLiteral("Zenvar配置工具");
    QTest::newRow("Flag 7 is English") << QByteArray("[Language]\nFlag=7\nName=English.mdb\n") << true
                                       << QStringLiteral("Zenvar Configuration Tool");
}

void MainDlgTest::flagChoosesTheRadio() {
    QFETCH(QByteArray, ini);
    QFETCH(bool, english);
    QFETCH(QString, title);
    writeIni(ini);
    const auto window = makeWindow();
    QCOMPARE(child<QRadioButton>(*window, "englishRadio")->isChecked(), english);
    QCOMPARE(child<QRadioButton>(*window, "chineseRadio")->isChecked(), !english);
    QCOMPARE(window->windowTitle(), title);
}

void MainDlgTest::unreadableTextsFallBackToChinese_data() {
    QTest::addColumn<QByteArray>("sql");
    QTest::addColumn<QStringList>("messages");
    // Each page reads its own table of the same database, and says so when it cannot.
    QTest::newRow("missing database") << QByteArray()
                                      << QStringList{QStringLiteral("连接数据库失败DB/Broken.mdb"),
                                                     QStringLiteral("连接数据库失败DB/Broken.mdb"),
                                                     QStringLiteral("连接数据库失败DB/Broken.mdb"),
                                                     QStringLiteral("连接数据库失败DB/Broken.mdb")};
    QTest::newRow("empty table") << QByteArray("CREATE TABLE tb_QvTools (QvTitle TEXT, TerInfo TEXT);")
                                 << QStringList{QStringLiteral("打开数据库表失败SELECT * FROM tb_Control"),
                                                QStringLiteral("打开数据库表失败SELECT * FROM tb_Program"),
                                                QStringLiteral("打开数据库表失败SELECT * FROM tb_Voice")};
    QTest::newRow("missing table") << QByteArray("CREATE TABLE tb_Control (SelTer TEXT);")
                                   << QStringList{QStringLiteral("打开数据库表失败SELECT * FROM tb_QvTools"),
                                                  QStringLiteral("打开数据库表失败SELECT * FROM tb_Program"),
                                                  QStringLiteral("打开数据库表失败SELECT * FROM tb_Voice")};
}

void MainDlgTest::unreadableTextsFallBackToChinese() {
    QFETCH(QByteArray, sql);
    QFETCH(QStringList, messages);
    if (!sql.isEmpty())
        QVERIFY(createDatabase(QStringLiteral("DB/Broken.mdb"), sql.constData()));
    writeIni("[Language]\nFlag=1\nName=Broken.mdb\n");
    const auto window = makeWindow();
    QCOMPARE(m_prompter.messages, messages);
    QCOMPARE(window->windowTitle(), QStringLiteral("Zenvar配置工具"));
    QCOMPARE(child<QGroupBox>(*window, "monitorGroup")->title(), QStringLiteral("监控"));
    QCOMPARE(child<QPushButton>(*window, "addTerminalButton")->text(), QStringLiteral("新 增"));
    QCOMPARE(child<CGridmaraView>(*window, "terminalList")->Header().ColumnText(0),
             QStringLiteral("设备地址"));
    QCOMPARE(child<CPageTabCtrl>(*window, "pageTab")->tabText(1), QStringLiteral("编程配置"));
    QVERIFY(child<QRadioButton>(*window, "englishRadio")->isChecked());
}

void MainDlgTest::enterKeepsTheWindowEscapeAndCloseBoxEndIt() {
    auto window = makeWindow();
    window->show();
    auto* address = child<QLineEdit>(*window, "newTerminalAddress");
    address->setFocus();
    address->setText(QStringLiteral("11.1.2"));
    QTest::keyClick(address, Qt::Key_Return);
    QTest::keyClick(address, Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(window->isVisible());
    QCOMPARE(window->Terminals().size(), 0); // Enter in an edit box presses no button

    // Enter on the focused button presses it, as Space does.
    auto* add = child<QPushButton>(*window, "addTerminalButton");
    add->setFocus();
    QTest::keyClick(add, Qt::Key_Return);
    QTRY_COMPARE(window->Terminals().size(), 1);
    QTest::keyClick(add, Qt::Key_Enter, Qt::KeypadModifier);
    QTRY_COMPARE(window->Terminals().size(), 2);
    QVERIFY(window->isVisible());

    QTest::keyClick(address, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    QCOMPARE(window->result(), int(QDialog::Rejected));

    window = makeWindow();
    window->show();
    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    QVERIFY2(!QFile::exists(QStringLiteral("Language.ini")), "only Restart writes the settings");
}

void MainDlgTest::restartStartsANewInstanceInTheChosenLanguage() {
    const QString marker = m_folder->filePath(QStringLiteral("started.txt"));
    qputenv("TARVEX_QUIT_AFTER_START", marker.toUtf8());
    const auto window = makeWindow();
    window->show();
    child<QRadioButton>(*window, "englishRadio")->click();
    QVERIFY2(!QFile::exists(QStringLiteral("Language.ini")), "choosing a language by itself does nothing");
    child<QPushButton>(*window, "restartButton")->click();

    QVERIFY(!window->isVisible());
    const QSettings ini(QStringLiteral("Language.ini"), QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("Language/Flag")).toString(), QStringLiteral("1"));
    QCOMPARE(ini.value(QStringLiteral("Language/Name")).toString(), QStringLiteral("English.mdb"));

    // The new instance runs the real program in this folder and reports what it started with.
    const auto startedLines = [&marker] {
        QFile file(marker);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    QVERIFY(QTest::qWaitFor([&] { return startedLines().endsWith(QLatin1Char('\n')); }, 60000));
    QCOMPARE(startedLines(), QStringLiteral("Zenvar Configuration Tool\tEnglish\n"));
}

void MainDlgTest::restartWithAProgramThatCannotStartStillEnds() {
    writeIni("[Language]\nFlag=1\nName=English.mdb\n");
    const auto window = makeWindow(m_folder->filePath(QStringLiteral("no-such-program")));
    window->show();
    child<QRadioButton>(*window, "chineseRadio")->click();
    child<QPushButton>(*window, "restartButton")->click();
    QVERIFY(!window->isVisible());
    QVERIFY(m_prompter.messages.isEmpty());
    const QSettings ini(QStringLiteral("Language.ini"), QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("Language/Flag")).toString(), QStringLiteral("0"));
    QCOMPARE(ini.value(QStringLiteral("Language/Name")).toString(), QStringLiteral("Chinese.mdb"));
}

void MainDlgTest::menuOpensTheAboutBox() {
    const auto window = makeWindow();
    window->show();
    QCOMPARE(window->actions().size(), 1);
    QAction* about = window->actions().first();
    QCOMPARE(about->text(), QStringLiteral("关于 Zenvar配置工具(&A)..."));

    QString seenTitle;
    QStringList seenLabels;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        seenTitle = box->windowTitle();
        for (const QLabel* label : box->findChildren<QLabel*>())
            seenLabels.append(label->text());
        box->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    closer.start(10);
    about->trigger();
    QCOMPARE(seenTitle, QStringLiteral("关于ZenvarTools"));
    QVERIFY(seenLabels.contains(QStringLiteral("Zenvar Tool 1.0 版")));
    QVERIFY(window->isVisible());
}

void MainDlgTest::loadsTheModelTreeAtStartAndFreesItOnClose() {
    QFile::remove(QStringLiteral("DB/VaZeraVI.mdb"));
    QVERIFY(createToolDatabase(
        QStringLiteral("DB/VaZeraVI.mdb"),
        "INSERT INTO tb_Terminal VALUES (4, 'ZV-K200', '1234'), (6, 'ZV-P816', '123456');"
        "INSERT INTO tb_MasterCode (MasterCode, TerID, Function) VALUES (1, 6, 'Entry delay');"
        "INSERT INTO tb_SubCode VALUES (6, 1, 1, '030');"));
    const auto window = makeWindow();
    QVERIFY(m_prompter.messages.isEmpty());
    const DeviceModelList& models = window->Models();
    QCOMPARE(models.Models().size(), std::size_t{2});
    QCOMPARE(models.Models()[1]->TerName, QStringLiteral("ZV-P816"));
    QCOMPARE(models.Models()[1]->MasterCodes()[0]->SubCodes()[0]->CodeValue, QStringLiteral("030"));
    QCOMPARE(models.NextModelId(), 7);

    window->show();
    QVERIFY(window->close());
    QVERIFY(models.Models().empty());
}

void MainDlgTest::addModelInTheDialog(const CMainDlg& window, const QString& name) {
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CModelConfigDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        closer.stop();
        dialog->findChild<QLineEdit*>(QStringLiteral("modelName"))->setText(name);
        dialog->findChild<QLineEdit*>(QStringLiteral("adminPassword"))->setText(QStringLiteral("1234"));
        dialog->findChild<QPushButton*>(QStringLiteral("addModelButton"))->click();
        dialog->reject();
    });
    closer.start(10);
    child<CPageTabCtrl>(window, "pageTab")->setCurrentIndex(1);
    QTest::mouseClick(child<QPushButton>(window, "addModelButton"), Qt::LeftButton);
}

void MainDlgTest::deleteTheFirstModel(CMainDlg& window) {
    window.show();
    m_prompter.messages.clear();
    child<CPageTabCtrl>(window, "pageTab")->setCurrentIndex(1);
    auto* modelBox = child<QComboBox>(window, "modelBox");
    modelBox->setCurrentIndex(0);
    emit modelBox->activated(0);
    QTest::mouseClick(child<QPushButton>(window, "deleteModelButton"), Qt::LeftButton);
}

void MainDlgTest::missingToolDatabaseIsToldOnceWithWhatToDo() {
    QVERIFY(QFile::remove(QStringLiteral("DB/VaZeraVI.mdb")));
    const auto window = makeWindow();
    // Once, though the model tree and the voice page's slots both live in it.
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral(
                                      "The tool database DB/VaZeraVI.mdb is missing. To start again from the "
                                      "shipped data, press \"Use Default Data\" on the Programming page.")});
    QVERIFY(window->Models().Models().empty());
    QCOMPARE(child<CGridmara>(*window, "slotList")->GetItemCount(), 0);
    // Closing has nothing of the voice page's to save, and says nothing.
    window->show();
    QVERIFY(window->close());
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY(!QFile::exists(QStringLiteral("DB/VaZeraVI.mdb")));
}

void MainDlgTest::toolDatabaseHeldThroughTheStartIsToldOnceAndTakesNoChange() {
    writeIni("[Language]\nFlag=0\nName=Chinese.mdb\n");
    std::unique_ptr<CMainDlg> window;
    {
        const DatabaseWriteLock otherProgram(QStringLiteral("DB/VaZeraVI.mdb"),
                                             DatabaseWriteLock::Stage::Committing);
        QVERIFY(otherProgram.isLocked());
        window = makeWindow();
    }
    QCOMPARE(m_prompter.messages,
             QStringList{
                 QStringLiteral("工具数据库 DB/VaZeraVI.mdb 正被其他程序使用，未能读取设备型号（database is "
                                "locked）。请关闭该程序后重新启动本工具；在此之前不能修改设备型号。")});
    QVERIFY(window->Models().Models().empty());

    // The other program is done, but the tree knows none of the stored models: a new one is refused, never
    // written under an id a stored model has.
    window->show();
    m_prompter.messages.clear();
    addModelInTheDialog(*window, QStringLiteral("ZV-9"));
    QCOMPARE(m_prompter.messages,
             QStringList{
                 QStringLiteral("工具数据库在启动时未能完整读取，为免覆盖已存储的数据，现在不能修改设备型号。"
                                "请在数据库恢复正常后重新启动本工具。")});
    QVERIFY(window->Models().Models().empty());
    QCOMPARE(queryRows(QStringLiteral("DB/VaZeraVI.mdb"), "SELECT count(*) FROM tb_Terminal"),
             QStringList{QStringLiteral("3")});
}

void MainDlgTest::damagedToolDatabaseIsOneMessageAndWhatCouldBeReadIsShown() {
    QVERIFY(QFile::remove(QStringLiteral("DB/VaZeraVI.mdb")));
    QVERIFY(createToolDatabase(QStringLiteral("DB/VaZeraVI.mdb"), kLargeSite));
    QVERIFY(damageTable(QStringLiteral("DB/VaZeraVI.mdb"), "tb_SubCode"));
    const auto window = makeWindow();
    // One message for all the reads the damaged table failed, not one for each.
    QCOMPARE(
        m_prompter.messages,
        QStringList{QStringLiteral(
            "The tool database DB/VaZeraVI.mdb could not be read completely: 6000 reads failed, the first "
            "\"SELECT rowid,* FROM tb_SubCode WHERE TerID=0 AND MasterCode=0\": database disk image is "
            "malformed. What could be read is shown, but the device models cannot be changed until the "
            "database is repaired, so that nothing it stores is overwritten.")});
    QCOMPARE(window->Models().Models().size(), std::size_t{kLargeSiteModels});
    QCOMPARE(window->Models().Models()[0]->MasterCodes().size(), std::size_t{60});
    QCOMPARE(child<QComboBox>(*window, "modelBox")->count(), kLargeSiteModels);
    // The voice page's tables are whole, and listed.
    QCOMPARE(child<CGridmara>(*window, "slotList")->GetItemCount(), 40);

    deleteTheFirstModel(*window);
    QCOMPARE(
        m_prompter.messages,
        (QStringList{QStringLiteral("Confirm: Delete this device model?"),
                     QStringLiteral("The tool database could not be read completely at start. So that "
                                    "nothing it stores is overwritten, the device models cannot be changed. "
                                    "Restart the tool once the database is in order.")}));
    QCOMPARE(window->Models().Models().size(), std::size_t{kLargeSiteModels});
    QCOMPARE(queryRows(QStringLiteral("DB/VaZeraVI.mdb"), "SELECT count(*) FROM tb_MasterCode WHERE TerID=0"),
             QStringList{QStringLiteral("60")});
}

void MainDlgTest::readOnlyToolDatabaseIsToldOnceAtStartAndRefusesChanges() {
    const ReadOnlyFile readOnly(QStringLiteral("DB/VaZeraVI.mdb"));
    if (!readOnly.isSet())
        QSKIP("the file system here cannot make a file read-only for root");
    const auto window = makeWindow();
    QCOMPARE(m_prompter.messages,
             QStringList{
                 QStringLiteral("The tool database is read-only; changes cannot be saved: DB/VaZeraVI.mdb")});
    QCOMPARE(window->Models().Models().size(), std::size_t{3});

    // Every change is refused with the database's reason, and the tree stays.
    deleteTheFirstModel(*window);
    addModelInTheDialog(*window, QStringLiteral("ZV-9"));
    const QString refused = QStringLiteral(
        "The change could not be saved in the tool database: attempt to write a readonly database");
    QCOMPARE(m_prompter.messages,
             (QStringList{QStringLiteral("Confirm: Delete this device model?"), refused, refused}));
    QCOMPARE(window->Models().Models().size(), std::size_t{3});
    QCOMPARE(child<QComboBox>(*window, "modelBox")->count(), 3);
}

void MainDlgTest::restartOnAFullDiskKeepsTheToolRunning() {
    writeIni("[Language]\nFlag=0\nName=Chinese.mdb\n");
    const auto window = makeWindow(m_folder->filePath(QStringLiteral("no-such-program")));
    window->show();
    child<QRadioButton>(*window, "englishRadio")->click();
    {
        const FullDisk full;
        QVERIFY(full.isSet());
        child<QPushButton>(*window, "restartButton")->click();
    }
    QCOMPARE(m_prompter.messages,
             QStringList{QStringLiteral("无法保存语言选择（Language.ini），本工具未重新启动。")});
    QVERIFY(window->isVisible());
    QFile ini(QStringLiteral("Language.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), QByteArray("[Language]\nFlag=0\nName=Chinese.mdb\n"));

    // With room again, Restart goes through.
    ini.close();
    child<QPushButton>(*window, "restartButton")->click();
    QVERIFY(!window->isVisible());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("Flag=1"));
}

void MainDlgTest::programmingPageWorksOnTheWindowsModelsAndTerminal() {
    const auto window = makeWindow(m_folder->filePath(QStringLiteral("no-such-program")));
    window->show();
    QVERIFY(qobject_cast<CProgramPage*>(child<CPageTabCtrl>(*window, "pageTab")->widget(1)));
    auto* models = child<QComboBox>(*window, "modelBox");
    QCOMPARE(models->count(), 3);
    QCOMPARE(models->itemText(2), window->Models().Models()[2]->TerName);
    const auto choose = [](QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    };
    choose(models, 0);
    choose(child<QComboBox>(*window, "masterCodeBox"), 0);
    child<CGridmara>(*window, "subCodeList")->selectRow(0);

    // The page sends to the terminal selected in the window, through the running Ostrel context.
    addPort(*window, QStringLiteral("0"));
    QTest::mouseClick(child<QPushButton>(*window, "startButton"), Qt::LeftButton);
    auto* send = child<QPushButton>(*window, "sendButton");
    QTest::mouseClick(send, Qt::LeftButton);
    QTest::keyClicks(child<QLineEdit>(*window, "newTerminalAddress"), QStringLiteral("11.1.2"));
    QTest::mouseClick(child<QPushButton>(*window, "addTerminalButton"), Qt::LeftButton);
    child<CGridmaraView>(*window, "terminalList")->selectRow(0);
    QTest::mouseClick(send, Qt::LeftButton);
    QVERIFY(!send->isEnabled());
    // The terminal added by hand was never heard: the command is dropped unsent, and the end says so.
    QTRY_VERIFY_WITH_TIMEOUT(send->isEnabled(), 10000);
    QCOMPARE(m_prompter.messages,
             (QStringList{QStringLiteral("Select a terminal first."),
                          QStringLiteral("Confirm: Send the values to the terminal?"),
                          QStringLiteral("All commands have been sent.\n0 answered, 1 not answered.\n"
                                         "Not answered (master code/sub code): 1/1")}));
    // The window's activity pane has it, as every command of its pages.
    const QAbstractItemModel* activity = child<CGridmaraView>(*window, "activityList")->model();
    QCOMPARE(activity->rowCount(), 1);
    QCOMPARE(activity->index(0, 3).data().toString(), QStringLiteral("Unreachable (not sent)"));

    // Add opens the device model dialog over the window.
    bool dialogSeen = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<CModelConfigDlg*>(QApplication::activeModalWidget())) {
            dialogSeen = dialog->parentWidget() == window.get();
            dialog->reject();
        }
    });
    closer.start(10);
    QTest::mouseClick(child<QPushButton>(*window, "addModelButton"), Qt::LeftButton);
    closer.stop();
    QVERIFY(dialogSeen);
    QCOMPARE(models->count(), 3);

    // A model deleted on the page is gone from the window's tree.
    m_prompter.messages.clear();
    QTest::mouseClick(child<QPushButton>(*window, "deleteModelButton"), Qt::LeftButton);
    QCOMPARE(window->Models().Models().size(), std::size_t{2});
    QCOMPARE(models->count(), 2);

    // Default data is the window's reset: the shipped defaults come back and the tool restarts.
    QTest::mouseClick(child<QPushButton>(*window, "useDefaultButton"), Qt::LeftButton);
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(m_prompter.messages, (QStringList{QStringLiteral("Confirm: Delete this device model?"),
                                               QStringLiteral("Confirm: The default data will replace the "
                                                              "current data. Continue?")}));
    QCOMPARE(queryRows(QStringLiteral("DB/VaZeraVI.mdb"), "SELECT count(*) FROM tb_Terminal"),
             QStringList{QStringLiteral("3")});
}

void MainDlgTest::resetToDefaultsReplacesTheToolDatabaseAndRestarts() {
    QFile::remove(QStringLiteral("DB/VaZeraVI.mdb"));
    QVERIFY(createToolDatabase(QStringLiteral("DB/VaZeraVI.mdb"),
                               "INSERT INTO tb_Terminal VALUES (9, 'Mine', '1');"));
    // Stands in for the tool: a restart is seen as this program running in the working folder.
    QFile program(QStringLiteral("restart.sh"));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\necho started > restarted.txt\n");
    program.close();
    QVERIFY(program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    const auto window = makeWindow(QFileInfo(program).absoluteFilePath());
    window->show();
    QCOMPARE(window->Models().Models().size(), std::size_t{1});
    window->ResetToDefaults();
    QVERIFY2(window->isVisible(), "the window closes once the asking handler has returned");
    QTRY_VERIFY(!window->isVisible());
    QVERIFY(m_prompter.messages.isEmpty());
    QVERIFY(window->Models().Models().empty());
    const auto contents = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QCOMPARE(contents(QStringLiteral("DB/VaZeraVI.mdb")), contents(QStringLiteral("DB/Default.mdb")));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QStringLiteral("restarted.txt")), 30000);
}

void MainDlgTest::resetWithoutDefaultsKeepsTheWindowOpen() {
    QVERIFY(QFile::remove(QStringLiteral("DB/Default.mdb")));
    const auto window = makeWindow(m_folder->filePath(QStringLiteral("no-such-program")));
    window->show();
    window->ResetToDefaults();
    QCoreApplication::sendPostedEvents();
    QVERIFY(window->isVisible());
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("DB/Default.mdb: No such file or directory")});
    QCOMPARE(window->Models().Models().size(), std::size_t{3});
}

void MainDlgTest::portListHoldsOneUdpPortBesideSerialPorts_data() {
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("listed");
    // Ports 1 to 10 are COM1 to COM10; every other number is a UDP port.
    QTest::newRow("a second UDP port")
        << QStringList{"6000", "6001"} << QStringList{kOneUdpPort} << QStringList{"6000"};
    QTest::newRow("0 after a UDP port")
        << QStringList{"6000", "0"} << QStringList{kOneUdpPort} << QStringList{"6000"};
    QTest::newRow("a UDP port after 0")
        << QStringList{"0", "6000"} << QStringList{kOneUdpPort} << QStringList{"0"};
    QTest::newRow("the number after COM10 after a UDP port")
        << QStringList{"6000", QString::number(OSTREL_PORT_COM10 + 1)} << QStringList{kOneUdpPort}
        << QStringList{"6000"};
    QTest::newRow("the same UDP port again")
        << QStringList{"6000", "6000"} << QStringList{QStringLiteral("This port is already in the list.")}
        << QStringList{"6000"};
    QTest::newRow("COM1 and COM10 beside a UDP port")
        << QStringList{"6000", "1", "10"} << QStringList{} << QStringList{"1", "10", "6000"};
    QTest::newRow("a second UDP port among serial ones")
        << QStringList{"1", "6000", "10", "7000", "2"} << QStringList{kOneUdpPort}
        << QStringList{"1", "10", "2", "6000"};
}

void MainDlgTest::portListHoldsOneUdpPortBesideSerialPorts() {
    QFETCH(QStringList, typed);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, listed);
    const auto window = makeWindow();
    window->show();
    for (const QString& port : typed)
        addPort(*window, port);
    QCOMPARE(m_prompter.messages, messages);
    QCOMPARE(listedPorts(*window), listed);
}

void MainDlgTest::deletingTheUdpPortMakesRoomForAnother() {
    writeIni("[Language]\nFlag=0\nName=Chinese.mdb\n");
    const auto window = makeWindow();
    window->show();
    addPort(*window, QStringLiteral("6000"));
    addPort(*window, QStringLiteral("6001"));
    QCOMPARE(m_prompter.messages,
             QStringList{QStringLiteral("同一时间只能打开一个UDP端口，请先从列表中删除另一个UDP端口。")});

    child<QListWidget>(*window, "portList")->setCurrentRow(0);
    QTest::mouseClick(child<QPushButton>(*window, "deletePortButton"), Qt::LeftButton);
    addPort(*window, QStringLiteral("6001"));
    QCOMPARE(m_prompter.messages.size(), 1);
    QCOMPARE(listedPorts(*window), QStringList{QStringLiteral("6001")});
}

QTEST_MAIN(MainDlgTest)
#include "MainDlgTest.moc"
