#include "config/ModelConfigDlg.h"

#include "DatabaseWriteLock.h"
#include "FullDisk.h"
#include "RecordingPrompter.h"
#include "RequiredChild.h"
#include "ScratchWorkingFolder.h"
#include "TestDatabase.h"
#include "config/ModelConfigDialogRunner.h"
#include "config/ValidatedPlainTextEdit.h"
#include "gridmara/CGridmara.h"
#include "gridmara/CQvHeaderCtrl.h"
#include "model/DeviceModelList.h"
#include "model/ToolDatabase.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

const QString kToolDatabase = QLatin1String(kToolDatabasePath);
const QString kSaveFailed = QStringLiteral("修改未能保存到数据库：");
const QString kSureDel = QStringLiteral("系统提示: 确定要删除码？");

// Model 3 has a digit-string master code whose sub codes are named with their numbers, and a telephone
// number master code; model 7 has none.
constexpr char kTwoModels[] = R"(
    INSERT INTO tb_Terminal (TerID, TerName, AdminPsw) VALUES (3, 'Keypad', '1234'), (7, 'Panel', '123456');
    INSERT INTO tb_MasterCode (MasterCode, TerID, ProType, Function, HaveOrder, lDescribe, rDescribe, CodeNum, Remark)
        VALUES (12, 3, 1, '防区类型', 1, '防区', '类型', 2, 'zone types'),
               (5, 3, 3, '报警电话', 0, '报警电话', '', 16, 'phones');
    INSERT INTO tb_SubCode (TerID, MasterCode, SubCode, CodeValue)
        VALUES (3, 12, 1, '03'), (3, 12, 2, ''), (3, 5, 1, '5550100');
)";

// What the master code fields are filled with; the value type is the radio button's key.
struct MasterCodeInput {
    QString number = QStringLiteral("40");
    QString digits = QStringLiteral("4");
    QString function = QStringLiteral("Entry delay");
    QString left = QStringLiteral("Zone ");
    QString right = QStringLiteral(" delay");
    QString remark = QStringLiteral("seconds per zone");
    const char* type = "tNumber";
    bool haveOrder = true;
};

} // namespace

// The dialog on a model tree loaded from a tool database in a scratch working folder, shown offscreen,
// with its texts from the generated language databases.
class ModelConfigDlgTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addModeStartsEmptyWithBothListsSetUp();
    void editModeShowsTheModelWithItsNameAndPasswordLocked();
    void unreadableTextsFallBackToChinese_data();
    void unreadableTextsFallBackToChinese();
    void boxesRefuseWhatTheirColumnsCannotHold();
    void addingAModel_data();
    void addingAModel();
    void masterCodeNeedsAModelAndEveryFieldButTheRightName();
    void digitStringMasterCodeTakesARunOfZeroFilledValues();
    void textMasterCodeTakesOneSubCodeAsTyped();
    void selectingRowsShowsTheirCodes();
    void deletingAMasterCodeTakesItsSubCodesAlong();
    void deletingASubCode();
    void enterNeverClosesEscapeAndCloseBoxTellWhetherSomethingWasAdded();
    void runnerReportsAdditionsRemovalsAndTheModel();
    void changesTheDatabaseRefusesAreReportedAndChangeNothing();
    void changesWithoutADatabaseChangeNothing();
    void changesOnAFullDiskAreToldWithTheirReasonAndChangeNothing();
    void aTreeNotLoadedWholeTakesNoChange();

private:
    void open(CModelConfigDlg::Mode mode, DeviceModel* current, const char* language = "Chinese");
    DeviceModel& keypad() const { return *m_models->Models()[0]; }
    template <typename Widget> Widget* child(const char* name) const {
        return requiredChild<Widget>(*m_dialog, name);
    }
    void click(const char* name) { QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton); }
    void type(const char* boxName, const QString& text);
    void fillMasterCode(const MasterCodeInput& input);
    void fillSubCodes(const QString& first, const QString& count, const QString& step, const QString& value);
    void selectRow(const char* listName, int row);
    // Each row of a list as its cells joined by "|".
    QStringList rows(const char* listName) const;
    QStringList databaseRows(const char* sql) const { return queryRows(kToolDatabase, sql); }

    std::unique_ptr<ScratchWorkingFolder> m_folder;
    RecordingPrompter m_prompter;
    std::unique_ptr<DeviceModelList> m_models;
    std::unique_ptr<CModelConfigDlg> m_dialog;
};

void ModelConfigDlgTest::init() {
    m_folder = std::make_unique<ScratchWorkingFolder>();
    QVERIFY(m_folder->isValid());
    QVERIFY(createToolDatabase(kToolDatabase, kTwoModels));
    m_prompter.messages.clear();
    m_prompter.answer = true;
    m_models = std::make_unique<DeviceModelList>(m_prompter);
    m_models->Load();
    QCOMPARE(m_models->Models().size(), std::size_t{2});
    QVERIFY(m_prompter.messages.isEmpty());
}

void ModelConfigDlgTest::cleanup() {
    m_dialog.reset();
    m_models.reset();
    m_folder.reset();
}

void ModelConfigDlgTest::open(CModelConfigDlg::Mode mode, DeviceModel* current, const char* language) {
    m_dialog = std::make_unique<CModelConfigDlg>(
        m_prompter, *m_models, builtWorkFile(QStringLiteral("DB/%1.mdb").arg(QLatin1String(language))), mode,
        current);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
}

void ModelConfigDlgTest::type(const char* boxName, const QString& text) {
    if (auto* lines = m_dialog->findChild<ValidatedPlainTextEdit*>(QLatin1String(boxName))) {
        lines->clear();
        // Each line as typed, with the Return key between them.
        const QStringList typedLines = text.split(QLatin1Char('\n'));
        for (qsizetype line = 0; line < typedLines.size(); ++line) {
            if (line > 0)
                QTest::keyClick(lines, Qt::Key_Return);
            QTest::keyClicks(lines, typedLines[line]);
        }
        return;
    }
    auto* box = child<QLineEdit>(boxName);
    box->clear();
    QTest::keyClicks(box, text);
}

void ModelConfigDlgTest::fillMasterCode(const MasterCodeInput& input) {
    type("masterCode", input.number);
    type("codeNum", input.digits);
    type("function", input.function);
    type("leftName", input.left);
    type("rightName", input.right);
    type("remark", input.remark);
    child<QRadioButton>(QByteArray("valueType.").append(input.type).constData())->setChecked(true);
    child<QCheckBox>("haveOrder")->setChecked(input.haveOrder);
}

void ModelConfigDlgTest::fillSubCodes(const QString& first, const QString& count, const QString& step,
                                      const QString& value) {
    type("firstSubCode", first);
    type("subCodeCount", count);
    type("step", step);
    type("numericInitialValue", value);
}

void ModelConfigDlgTest::selectRow(const char* listName, int row) {
    auto* list = child<CGridmara>(listName);
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

QStringList ModelConfigDlgTest::rows(const char* listName) const {
    const auto* list = child<CGridmara>(listName);
    QStringList texts;
    for (int row = 0; row < list->GetItemCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list->columnCount(); ++column)
            cells << list->GetItemText(row, column);
        texts << cells.join(QLatin1Char('|'));
    }
    return texts;
}

void ModelConfigDlgTest::addModeStartsEmptyWithBothListsSetUp() {
    open(CModelConfigDlg::Mode::Add, &keypad());
    QVERIFY(m_prompter.messages.isEmpty());
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("高级配置"));
    QCOMPARE(child<QGroupBox>("masterCodeGroup")->title(), QStringLiteral("主码"));
    QCOMPARE(child<QGroupBox>("subCodeGroup")->title(), QStringLiteral("从码"));
    QCOMPARE(child<QPushButton>("addModelButton")->text(), QStringLiteral("添加新设备型号"));
    QCOMPARE(child<QRadioButton>("valueType.tIp")->text(), QStringLiteral("IP地址"));
    QVERIFY(child<QRadioButton>("valueType.tNumber")->isChecked());

    // No model yet: the current model passed in is the page's, not the dialog's in add mode.
    QCOMPARE(m_dialog->CurrentModel(), nullptr);
    for (const char* name : {"modelName", "adminPassword", "addModelButton"})
        QVERIFY2(child<QWidget>(name)->isEnabled(), name);
    for (const char* box :
         {"modelName", "adminPassword", "masterCode", "codeNum", "function", "leftName", "rightName",
          "firstSubCode", "subCodeCount", "step", "numericInitialValue", "textInitialValue"})
        QVERIFY2(child<QLineEdit>(box)->text().isEmpty(), box);
    QVERIFY(child<ValidatedPlainTextEdit>("remark")->toPlainText().isEmpty());
    QVERIFY(child<QLineEdit>("numericInitialValue")->isVisible());
    QVERIFY(!child<QLineEdit>("textInitialValue")->isVisible());
    QVERIFY(child<QLineEdit>("subCodeCount")->isEnabled());
    for (const char* hidden : {"saveAndExitButton", "exitWithoutSavingButton"})
        QVERIFY2(!child<QPushButton>(hidden)->isVisible(), hidden);

    struct Column {
        const char* title;
        int width;
        QColor background;
    };
    const QColor grey(192, 192, 192);
    const std::vector<std::pair<const char*, std::vector<Column>>> lists = {
        {"masterList", {{"主码", 60, grey}, {"功能说明", 180, grey}}},
        {"subCodeList",
         {{"从码", 60, grey},
          {"功能说明", 200, grey},
          {"编程位数", 85, grey},
          {"编程值", 100, {185, 255, 185}}}},
    };
    for (const auto& [name, columns] : lists) {
        const auto* list = child<CGridmara>(name);
        QCOMPARE(list->GetItemCount(), 0);
        QVERIFY(list->showGrid());
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list->Header().HeightScale(), 1.5F);
        QCOMPARE(list->RowHeight(), 20);
        QCOMPARE(list->columnCount(), static_cast<int>(columns.size()));
        for (int column = 0; column < list->columnCount(); ++column) {
            QCOMPARE(list->Header().ColumnText(column), QString::fromUtf8(columns[column].title));
            QVERIFY((list->Header().ColumnAlignment(column) & Qt::AlignHorizontal_Mask) == Qt::AlignLeft);
            QCOMPARE(list->columnWidth(column), columns[column].width);
            QColor background;
            QVERIFY(list->FindColColor(column, background));
            QCOMPARE(background, columns[column].background);
        }
    }
    QColor valueText;
    QVERIFY(child<CGridmara>("subCodeList")->FindColTextColor(3, valueText));
    QCOMPARE(valueText, QColor(0, 64, 128));
    QVERIFY(!child<CGridmara>("subCodeList")->FindColTextColor(0, valueText));
}

void ModelConfigDlgTest::editModeShowsTheModelWithItsNameAndPasswordLocked() {
    open(CModelConfigDlg::Mode::Edit, &keypad(), "English");
    QVERIFY(m_prompter.messages.isEmpty());
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("高级配置"));
    QCOMPARE(child<QGroupBox>("masterListGroup")->title(), QStringLiteral("Master Codes"));
    QCOMPARE(child<QPushButton>("deleteMasterCodeButton")->text(), QStringLiteral("Delete"));
    QCOMPARE(child<QRadioButton>("valueType.Phone")->text(), QStringLiteral("Phone number"));
    QCOMPARE(child<CGridmara>("masterList")->Header().ColumnText(0), QStringLiteral("Master Code"));
    QCOMPARE(child<CGridmara>("subCodeList")->Header().ColumnText(3), QStringLiteral("Value"));

    QCOMPARE(m_dialog->CurrentModel(), &keypad());
    QCOMPARE(child<QLineEdit>("modelName")->text(), QStringLiteral("Keypad"));
    QCOMPARE(child<QLineEdit>("adminPassword")->text(), QStringLiteral("1234"));
    for (const char* name : {"modelName", "adminPassword", "addModelButton"})
        QVERIFY2(!child<QWidget>(name)->isEnabled(), name);
    for (const char* hidden : {"saveAndExitButton", "exitWithoutSavingButton"})
        QVERIFY2(!child<QPushButton>(hidden)->isVisible(), hidden);
    QCOMPARE(rows("masterList"), (QStringList{QStringLiteral("12|防区类型"), QStringLiteral("5|报警电话")}));
    QVERIFY(rows("subCodeList").isEmpty());
    QCOMPARE(child<CGridmara>("masterList")->GetFirstSelectedRow(), -1);

    // Edit mode without a model: nothing to show, and nothing to add master codes to.
    open(CModelConfigDlg::Mode::Edit, nullptr);
    QVERIFY(rows("masterList").isEmpty());
    fillMasterCode({});
    click("addMasterCodeButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("请先添加设备型号")});
}

void ModelConfigDlgTest::unreadableTextsFallBackToChinese_data() {
    QTest::addColumn<QByteArray>("sql");
    QTest::newRow("missing database") << QByteArray();
    QTest::newRow("empty table") << QByteArray("CREATE TABLE tb_Configure (Device TEXT, TerEmpty TEXT);");
}

void ModelConfigDlgTest::unreadableTextsFallBackToChinese() {
    QFETCH(QByteArray, sql);
    QTemporaryDir folder;
    const QString database = folder.filePath(QStringLiteral("Broken.mdb"));
    if (!sql.isEmpty())
        QVERIFY(createDatabase(database, sql.constData()));
    m_dialog = std::make_unique<CModelConfigDlg>(m_prompter, *m_models, database, CModelConfigDlg::Mode::Add,
                                                 nullptr);
    QCOMPARE(m_prompter.messages,
             sql.isEmpty() ? QStringList{QStringLiteral("连接数据库失败") + database} : QStringList{});
    QCOMPARE(child<QGroupBox>("masterListGroup")->title(), QStringLiteral("主码列表"));
    QCOMPARE(child<QPushButton>("addSubCodesButton")->text(), QStringLiteral("添加"));
    QCOMPARE(child<CGridmara>("subCodeList")->Header().ColumnText(2), QStringLiteral("编程位数"));
    m_prompter.messages.clear();
    click("addMasterCodeButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("请先添加设备型号")});
}

void ModelConfigDlgTest::boxesRefuseWhatTheirColumnsCannotHold() {
    open(CModelConfigDlg::Mode::Add, nullptr);
    type("modelName", QString(33, QLatin1Char('n')));
    QCOMPARE(child<QLineEdit>("modelName")->text(), QString(32, QLatin1Char('n')));
    type("adminPassword", QStringLiteral("12a34-5678"));
    QCOMPARE(child<QLineEdit>("adminPassword")->text(), QStringLiteral("123456"));
    type("masterCode", QStringLiteral("12345"));
    QCOMPARE(child<QLineEdit>("masterCode")->text(), QStringLiteral("1234"));
    for (const char* digits : {"codeNum", "step", "numericInitialValue"}) {
        type(digits, QStringLiteral("1234567"));
        QCOMPARE(child<QLineEdit>(digits)->text(), QStringLiteral("123456"));
    }
    for (const char* number : {"firstSubCode", "subCodeCount"}) {
        type(number, QStringLiteral("1 2x345"));
        QCOMPARE(child<QLineEdit>(number)->text(), QStringLiteral("123"));
    }

    // The remark holds 255 bytes; a character more is refused where it was typed, and the cursor stays.
    auto* remark = child<ValidatedPlainTextEdit>("remark");
    const QString full = QString(250, QLatin1Char('r')) + QStringLiteral("\nend");
    type("remark", full + QLatin1Char('s'));
    QCOMPARE(remark->toPlainText(), full + QLatin1Char('s'));
    QTextCursor cursor = remark->textCursor();
    cursor.setPosition(10);
    remark->setTextCursor(cursor);
    QTest::keyClick(remark, Qt::Key_X);
    QCOMPARE(remark->toPlainText(), full + QLatin1Char('s'));
    QCOMPARE(remark->textCursor().position(), 10);
    QTest::keyClick(remark, Qt::Key_Backspace);
    QTest::keyClick(remark, Qt::Key_X);
    QCOMPARE(remark->toPlainText(), QString(9, QLatin1Char('r')) + QLatin1Char('x') +
                                        QString(240, QLatin1Char('r')) + QStringLiteral("\nends"));
}

void ModelConfigDlgTest::addingAModel_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    const QString pswEmpty = QStringLiteral("设备型号和管理密码不能为空");
    QTest::newRow("no name") << QString() << QStringLiteral("1234") << pswEmpty;
    QTest::newRow("no password") << QStringLiteral("ZV-9") << QString() << pswEmpty;
    QTest::newRow("name of another model")
        << QStringLiteral("Keypad") << QStringLiteral("1") << QStringLiteral("已经存在该名称的设备型号");
    QTest::newRow("name differing only in case")
        << QStringLiteral("keypad") << QStringLiteral("1") << QString();
    QTest::newRow("Chinese name") << QStringLiteral("键盘") << QStringLiteral("000000") << QString();
}

void ModelConfigDlgTest::addingAModel() {
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, message);
    open(CModelConfigDlg::Mode::Add, nullptr);
    child<QLineEdit>("modelName")->setText(name);
    type("adminPassword", password);
    click("addModelButton");

    const QStringList keptRows = {QStringLiteral("3|Keypad|1234"), QStringLiteral("7|Panel|123456")};
    if (!message.isEmpty()) {
        QCOMPARE(m_prompter.messages, QStringList{message});
        QCOMPARE(m_models->Models().size(), std::size_t{2});
        QCOMPARE(databaseRows("SELECT TerID, TerName, AdminPsw FROM tb_Terminal"), keptRows);
        QCOMPARE(m_dialog->CurrentModel(), nullptr);
        QVERIFY(child<QPushButton>("addModelButton")->isEnabled());
        QCOMPARE(child<QLineEdit>("modelName")->text(), name);
        m_dialog->reject();
        QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
        return;
    }
    QVERIFY(m_prompter.messages.isEmpty());
    QCOMPARE(m_models->Models().size(), std::size_t{3});
    const DeviceModel& added = *m_models->Models().back();
    QCOMPARE(m_dialog->CurrentModel(), &added);
    QCOMPARE(added.TerID, 8);
    QCOMPARE(added.TerName, name);
    QCOMPARE(added.AdminPsw, password);
    QVERIFY(added.MasterCodes().empty());
    QCOMPARE(databaseRows("SELECT TerID, TerName, AdminPsw FROM tb_Terminal"),
             keptRows + QStringList{QStringLiteral("8|%1|%2").arg(name, password)});
    // One model per opening of the dialog; the fields stay as typed.
    QVERIFY(!child<QPushButton>("addModelButton")->isEnabled());
    QCOMPARE(child<QLineEdit>("modelName")->text(), name);
    m_dialog->reject();
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
}

void ModelConfigDlgTest::masterCodeNeedsAModelAndEveryFieldButTheRightName() {
    open(CModelConfigDlg::Mode::Add, nullptr);
    fillMasterCode({});
    click("addMasterCodeButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("请先添加设备型号")});
    type("modelName", QStringLiteral("ZV-9"));
    type("adminPassword", QStringLiteral("1"));
    click("addModelButton");
    DeviceModel* model = m_dialog->CurrentModel();
    QVERIFY(model != nullptr);

    // Each required field left empty in turn.
    m_prompter.messages.clear();
    using Field = QString MasterCodeInput::*;
    for (const Field field : {&MasterCodeInput::number, &MasterCodeInput::left, &MasterCodeInput::digits,
                              &MasterCodeInput::function, &MasterCodeInput::remark}) {
        MasterCodeInput input;
        input.*field = QString();
        fillMasterCode(input);
        click("addMasterCodeButton");
    }
    QCOMPARE(m_prompter.messages,
             QStringList(5, QStringLiteral("主码、功能、左值、编程位数和说明，其中之一不能为空")));
    QVERIFY(model->MasterCodes().empty());
    QVERIFY(rows("masterList").isEmpty());

    // The right name may be empty.
    m_prompter.messages.clear();
    MasterCodeInput phone;
    phone.number = QStringLiteral("0030");
    phone.digits = QStringLiteral("16");
    phone.function = QStringLiteral("Alarm phone");
    phone.left = QStringLiteral("Phone");
    phone.right = QString();
    phone.remark = QStringLiteral("dialled\nin order");
    phone.type = "Phone";
    phone.haveOrder = false;
    fillMasterCode(phone);
    click("addMasterCodeButton");
    QVERIFY(m_prompter.messages.isEmpty());
    QCOMPARE(model->MasterCodes().size(), std::size_t{1});
    const MasterCodeItem& added = *model->MasterCodes()[0];
    QCOMPARE(added.MasterCode, 30);
    QCOMPARE(added.ProType, std::int32_t{TelephoneNumber});
    QCOMPARE(added.CodeNum, 16);
    QVERIFY(added.rDescribe.isEmpty());
    QCOMPARE(added.Remark, QStringLiteral("dialled\nin order"));
    QCOMPARE(databaseRows("SELECT MasterCode, TerID, ProType, Function, HaveOrder, lDescribe, rDescribe, "
                          "CodeNum, Remark FROM tb_MasterCode WHERE TerID = 8"),
             QStringList{QStringLiteral("30|8|3|Alarm phone|0|Phone||16|dialled\nin order")});
    // Shown, selected, and its fields as the tree holds them: a text type takes one value at a time.
    QCOMPARE(rows("masterList"), QStringList{QStringLiteral("30|Alarm phone")});
    QCOMPARE(child<CGridmara>("masterList")->GetFirstSelectedRow(), 0);
    QCOMPARE(child<QLineEdit>("masterCode")->text(), QStringLiteral("30"));
    QVERIFY(!child<QLineEdit>("subCodeCount")->isEnabled());
    QCOMPARE(child<QLineEdit>("subCodeCount")->text(), QStringLiteral("0"));
    QVERIFY(!child<QLineEdit>("step")->isEnabled());
    QCOMPARE(child<QLineEdit>("step")->text(), QStringLiteral("0"));
    QVERIFY(child<QLineEdit>("textInitialValue")->isVisible());
    QVERIFY(!child<QLineEdit>("numericInitialValue")->isVisible());

    // The same number again, whatever its other fields.
    MasterCodeInput again;
    again.number = QStringLiteral("30");
    fillMasterCode(again);
    click("addMasterCodeButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("已经存在相同的主码")});
    QCOMPARE(model->MasterCodes().size(), std::size_t{1});
    QCOMPARE(rows("masterList").size(), 1);
    QCOMPARE(databaseRows("SELECT count(*) FROM tb_MasterCode WHERE TerID = 8"), QStringList{"1"});
    // Model 3's number 12 is no concern of model 8.
    again.number = QStringLiteral("12");
    fillMasterCode(again);
    click("addMasterCodeButton");
    QCOMPARE(m_prompter.messages.size(), 1);
    QCOMPARE(rows("masterList"),
             (QStringList{QStringLiteral("30|Alarm phone"), QStringLiteral("12|Entry delay")}));
    QCOMPARE(child<CGridmara>("masterList")->GetFirstSelectedRow(), 1);
}

void ModelConfigDlgTest::digitStringMasterCodeTakesARunOfZeroFilledValues() {
    open(CModelConfigDlg::Mode::Edit, &keypad());
    fillMasterCode({});
    click("addMasterCodeButton");
    QVERIFY(m_prompter.messages.isEmpty());
    MasterCodeItem& delays = *keypad().MasterCodes().back();
    QCOMPARE(delays.MasterCode, 40);
    QVERIFY(child<QLineEdit>("subCodeCount")->isEnabled());
    QVERIFY(child<QLineEdit>("step")->isEnabled());
    QVERIFY(child<QLineEdit>("numericInitialValue")->isVisible());
    QVERIFY(!child<QLineEdit>("textInitialValue")->isVisible());

    // Refused inputs, each with nothing added: the last value 0 + 9 × 1200 = 10800 has five digits.
    fillSubCodes(QString(), QStringLiteral("10"), QStringLiteral("100"), QStringLiteral("0"));
    click("addSubCodesButton");
    fillSubCodes(QStringLiteral("1"), QString(), QStringLiteral("100"), QStringLiteral("0"));
    click("addSubCodesButton");
    fillSubCodes(QStringLiteral("1"), QStringLiteral("10"), QString(), QStringLiteral("0"));
    click("addSubCodesButton");
    fillSubCodes(QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("100"), QString());
    click("addSubCodesButton");
    fillSubCodes(QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("1200"), QStringLiteral("0"));
    click("addSubCodesButton");
    fillSubCodes(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("100"), QStringLiteral("0"));
    click("addSubCodesButton");
    QCOMPARE(m_prompter.messages,
             (QStringList{QStringLiteral("最小从码和从码数量不能为空"),
                          QStringLiteral("最小从码和从码数量不能为空"),
                          QStringLiteral("初始值和递增量不能为空"), QStringLiteral("初始值和递增量不能为空"),
                          QStringLiteral("此条件生成的最大从码值的位数大于编程位数，请重新输入条件")}));
    QVERIFY(delays.SubCodes().empty());
    QVERIFY(rows("subCodeList").isEmpty());
    QCOMPARE(databaseRows("SELECT count(*) FROM tb_SubCode WHERE MasterCode = 40"), QStringList{"0"});

    // Sub codes 1 to 10 with 0000, 0100, ..., 0900; the last value 900 needs no more than four digits.
    m_prompter.messages.clear();
    fillSubCodes(QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("100"), QStringLiteral("0"));
    click("addSubCodesButton");
    QVERIFY(m_prompter.messages.isEmpty());
    QStringList expectedRows;
    QStringList expectedDatabase;
    for (int number = 1; number <= 10; ++number) {
        const QString value = QStringLiteral("%1").arg((number - 1) * 100, 4, 10, QLatin1Char('0'));
        expectedRows << QStringLiteral("%1|Zone %1 delay|4|%2").arg(number).arg(value);
        expectedDatabase << QStringLiteral("3|40|%1|%2").arg(number).arg(value);
    }
    QCOMPARE(rows("subCodeList"), expectedRows);
    QCOMPARE(
        databaseRows("SELECT TerID, MasterCode, SubCode, CodeValue FROM tb_SubCode WHERE MasterCode = 40"),
        expectedDatabase);
    QCOMPARE(delays.SubCodes().size(), std::size_t{10});
    QCOMPARE(delays.SubCodes()[9]->CodeValue, QStringLiteral("0900"));
    // The inputs stay for another run.
    QCOMPARE(child<QLineEdit>("step")->text(), QStringLiteral("100"));

    // A run of one value.
    m_prompter.messages.clear();
    fillSubCodes(QStringLiteral("11"), QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("7"));
    click("addSubCodesButton");
    QCOMPARE(rows("subCodeList").last(), QStringLiteral("11|Zone 11 delay|4|0007"));
    m_dialog->reject();
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
}

void ModelConfigDlgTest::textMasterCodeTakesOneSubCodeAsTyped() {
    open(CModelConfigDlg::Mode::Edit, &keypad());
    selectRow("masterList", 1);
    QCOMPARE(rows("subCodeList"), QStringList{QStringLiteral("1|报警电话|16|5550100")});
    QVERIFY(child<QRadioButton>("valueType.Phone")->isChecked());
    QCOMPARE(child<QLineEdit>("subCodeCount")->text(), QStringLiteral("1"));
    QVERIFY(!child<QLineEdit>("subCodeCount")->isEnabled());

    click("addSubCodesButton");
    type("firstSubCode", QStringLiteral("4"));
    click("addSubCodesButton");
    QCOMPARE(m_prompter.messages,
             (QStringList{QStringLiteral("最小从码和从码数量不能为空"), QStringLiteral("初始值不能为空")}));

    m_prompter.messages.clear();
    type("textInitialValue", QStringLiteral(" +86 10 5550199"));
    click("addSubCodesButton");
    QVERIFY(m_prompter.messages.isEmpty());
    // One sub code whatever the count says, its value as typed, not filled to 16 digits.
    QCOMPARE(rows("subCodeList"), (QStringList{QStringLiteral("1|报警电话|16|5550100"),
                                               QStringLiteral("4|报警电话|16| +86 10 5550199")}));
    QCOMPARE(databaseRows("SELECT SubCode, CodeValue FROM tb_SubCode WHERE MasterCode = 5"),
             (QStringList{QStringLiteral("1|5550100"), QStringLiteral("4| +86 10 5550199")}));
    QCOMPARE(keypad().MasterCodes()[1]->SubCodes().size(), std::size_t{2});
    QCOMPARE(child<QLineEdit>("subCodeCount")->text(), QStringLiteral("2"));
    // Sub codes alone are an addition too.
    m_dialog->reject();
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
}

void ModelConfigDlgTest::selectingRowsShowsTheirCodes() {
    open(CModelConfigDlg::Mode::Edit, &keypad());
    fillSubCodes(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"));
    click("addSubCodesButton");
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("请先选择一个主码")});

    selectRow("masterList", 1);
    selectRow("masterList", 0);
    QCOMPARE(rows("subCodeList"),
             (QStringList{QStringLiteral("1|防区1类型|2|03"), QStringLiteral("2|防区2类型|2|")}));
    QCOMPARE(child<CGridmara>("subCodeList")->item(1, 3), nullptr);
    QCOMPARE(child<QLineEdit>("masterCode")->text(), QStringLiteral("12"));
    QCOMPARE(child<QLineEdit>("function")->text(), QStringLiteral("防区类型"));
    QCOMPARE(child<QLineEdit>("leftName")->text(), QStringLiteral("防区"));
    QCOMPARE(child<QLineEdit>("rightName")->text(), QStringLiteral("类型"));
    QCOMPARE(child<QLineEdit>("codeNum")->text(), QStringLiteral("2"));
    QVERIFY(child<QCheckBox>("haveOrder")->isChecked());
    QCOMPARE(child<ValidatedPlainTextEdit>("remark")->toPlainText(), QStringLiteral("zone types"));
    QVERIFY(child<QRadioButton>("valueType.tNumber")->isChecked());
    QVERIFY(child<QLineEdit>("subCodeCount")->isEnabled());
    QVERIFY(child<QLineEdit>("numericInitialValue")->isVisible());
    QVERIFY(!child<QLineEdit>("textInitialValue")->isVisible());
    // The telephone master code shown before left "0" in the step.
    QVERIFY(child<QLineEdit>("step")->text().isEmpty());
    QVERIFY(child<QLineEdit>("numericInitialValue")->text().isEmpty());

    selectRow("subCodeList", 0);
    QCOMPARE(child<QLineEdit>("firstSubCode")->text(), QStringLiteral("1"));
    QCOMPARE(child<QLineEdit>("numericInitialValue")->text(), QStringLiteral("03"));
    selectRow("masterList", 1);
    selectRow("subCodeList", 0);
    QCOMPARE(child<QLineEdit>("textInitialValue")->text(), QStringLiteral("5550100"));
    QCOMPARE(m_prompter.messages.size(), 1);
}

void ModelConfigDlgTest::deletingAMasterCodeTakesItsSubCodesAlong() {
    open(CModelConfigDlg::Mode::Edit, &keypad());
    click("deleteMasterCodeButton");
    QVERIFY2(m_prompter.messages.isEmpty(), "nothing selected, nothing asked");
    selectRow("masterList", 0);
    selectRow("subCodeList", 1);

    m_prompter.answer = false;
    click("deleteMasterCodeButton");
    QCOMPARE(m_prompter.messages, QStringList{kSureDel});
    QCOMPARE(rows("masterList").size(), 2);
    QCOMPARE(keypad().MasterCodes().size(), std::size_t{2});

    m_prompter.answer = true;
    click("deleteMasterCodeButton");
    QCOMPARE(m_prompter.messages, QStringList(2, kSureDel));
    QCOMPARE(rows("masterList"), QStringList{QStringLiteral("5|报警电话")});
    QCOMPARE(child<CGridmara>("masterList")->GetFirstSelectedRow(), -1);
    QVERIFY(rows("subCodeList").isEmpty());
    QCOMPARE(keypad().MasterCodes().size(), std::size_t{1});
    QCOMPARE(databaseRows("SELECT MasterCode FROM tb_MasterCode WHERE TerID = 3"), QStringList{"5"});
    QCOMPARE(databaseRows("SELECT MasterCode, SubCode FROM tb_SubCode WHERE TerID = 3"), QStringList{"5|1"});

    // Neither the deleted master code nor its sub code selected before can be deleted again.
    click("deleteSubCodeButton");
    click("deleteMasterCodeButton");
    QCOMPARE(m_prompter.messages.size(), 2);
    fillSubCodes(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"));
    click("addSubCodesButton");
    QCOMPARE(m_prompter.messages.last(), QStringLiteral("请先选择一个主码"));

    // Deletions alone end the dialog with Cancel; the opener learns of them apart.
    QVERIFY(m_dialog->RemovedAny());
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
}

void ModelConfigDlgTest::deletingASubCode() {
    open(CModelConfigDlg::Mode::Edit, &keypad());
    selectRow("masterList", 0);
    click("deleteSubCodeButton");
    QVERIFY2(m_prompter.messages.isEmpty(), "nothing selected, nothing asked");
    selectRow("subCodeList", 0);
    click("deleteSubCodeButton");
    QCOMPARE(m_prompter.messages, QStringList{kSureDel});
    QCOMPARE(rows("subCodeList"), QStringList{QStringLiteral("2|防区2类型|2|")});
    QCOMPARE(child<CGridmara>("subCodeList")->GetFirstSelectedRow(), -1);
    QCOMPARE(databaseRows("SELECT SubCode FROM tb_SubCode WHERE MasterCode = 12"), QStringList{"2"});
    QCOMPARE(keypad().MasterCodes()[0]->SubCodes().size(), std::size_t{1});
    click("deleteSubCodeButton");
    QCOMPARE(m_prompter.messages.size(), 1);

    // A sub code selected under another master code is not the one shown now.
    selectRow("subCodeList", 0);
    selectRow("masterList", 1);
    click("deleteSubCodeButton");
    QCOMPARE(m_prompter.messages.size(), 1);
    QCOMPARE(keypad().MasterCodes()[0]->SubCodes().size(), std::size_t{1});
    QCOMPARE(rows("subCodeList"), QStringList{QStringLiteral("1|报警电话|16|5550100")});

    // A text master code's count follows its sub codes.
    selectRow("subCodeList", 0);
    click("deleteSubCodeButton");
    QVERIFY(rows("subCodeList").isEmpty());
    QCOMPARE(child<QLineEdit>("subCodeCount")->text(), QStringLiteral("0"));
    QCOMPARE(databaseRows("SELECT count(*) FROM tb_SubCode WHERE MasterCode = 5"), QStringList{"0"});
    QVERIFY(m_dialog->RemovedAny());
    m_dialog->close();
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
}

void ModelConfigDlgTest::enterNeverClosesEscapeAndCloseBoxTellWhetherSomethingWasAdded() {
    open(CModelConfigDlg::Mode::Edit, &keypad());
    for (const char* box : {"masterCode", "function", "firstSubCode", "textInitialValue"}) {
        child<QWidget>(box)->setFocus();
        QTest::keyClick(child<QWidget>(box), Qt::Key_Return);
        QTest::keyClick(child<QWidget>(box), Qt::Key_Enter);
    }
    QTest::keyClick(m_dialog.get(), Qt::Key_Return);
    QVERIFY(m_dialog->isVisible());
    QVERIFY(m_prompter.messages.isEmpty());
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    QVERIFY(!m_dialog->RemovedAny());

    open(CModelConfigDlg::Mode::Edit, &keypad());
    fillMasterCode({});
    click("addMasterCodeButton");
    QTest::keyClick(child<QWidget>("masterCode"), Qt::Key_Return);
    QVERIFY(m_dialog->isVisible());
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));

    open(CModelConfigDlg::Mode::Add, nullptr);
    type("modelName", QStringLiteral("ZV-9"));
    type("adminPassword", QStringLiteral("1"));
    click("addModelButton");
    m_dialog->close();
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
}

void ModelConfigDlgTest::runnerReportsAdditionsRemovalsAndTheModel() {
    ModelConfigDialogRunner runner(m_prompter, *m_models, builtWorkFile(QStringLiteral("DB/English.mdb")));
    const auto dialog = [] { return qobject_cast<CModelConfigDlg*>(QApplication::activeModalWidget()); };
    // What the user does while the dialog runs modally, before closing it with Escape.
    const auto whileRunning = [this, dialog](std::function<void()> actions) {
        QTimer::singleShot(0, this, [dialog, actions] {
            QVERIFY(dialog() != nullptr);
            actions();
            QTest::keyClick(dialog(), Qt::Key_Escape);
        });
    };
    const auto press = [dialog](const char* name) {
        QTest::mouseClick(dialog()->findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
    };
    const auto typeInto = [dialog](const char* name, const QString& text) {
        QTest::keyClicks(dialog()->findChild<QLineEdit*>(QLatin1String(name)), text);
    };

    whileRunning([&] {
        typeInto("modelName", QStringLiteral("ZV-9"));
        typeInto("adminPassword", QStringLiteral("1"));
        press("addModelButton");
    });
    ModelDialogRunner::Outcome outcome = runner.run(ModelDialogRunner::Mode::Add, nullptr);
    QVERIFY(outcome.accepted);
    QVERIFY(!outcome.removed);
    QCOMPARE(m_models->Models().size(), std::size_t{3});
    QCOMPARE(outcome.model, m_models->Models().back().get());

    // Add mode leaves the page's model alone.
    whileRunning([] {});
    outcome = runner.run(ModelDialogRunner::Mode::Add, &keypad());
    QVERIFY(!outcome.accepted);
    QVERIFY(!outcome.removed);
    QCOMPARE(outcome.model, nullptr);

    whileRunning([&] {
        dialog()->findChild<CGridmara*>(QStringLiteral("masterList"))->selectRow(0);
        press("deleteMasterCodeButton");
    });
    outcome = runner.run(ModelDialogRunner::Mode::Edit, &keypad());
    QVERIFY(!outcome.accepted);
    QVERIFY(outcome.removed);
    QCOMPARE(outcome.model, &keypad());
    QCOMPARE(keypad().MasterCodes().size(), std::size_t{1});
    // In the language the runner was given.
    QCOMPARE(m_prompter.messages, QStringList{QStringLiteral("Confirm: Delete it?")});
}

void ModelConfigDlgTest::changesTheDatabaseRefusesAreReportedAndChangeNothing() {
    open(CModelConfigDlg::Mode::Add, nullptr);
    type("modelName", QStringLiteral("ZV-9"));
    type("adminPassword", QStringLiteral("1"));
    {
        const DatabaseWriteLock otherProgram(kToolDatabase);
        QVERIFY(otherProgram.isLocked());
        click("addModelButton");
    }
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY2(m_prompter.messages[0].startsWith(kSaveFailed) && m_prompter.messages[0].contains("locked"),
             qPrintable(m_prompter.messages[0]));
    QCOMPARE(m_dialog->CurrentModel(), nullptr);
    QCOMPARE(m_models->Models().size(), std::size_t{2});
    QVERIFY(child<QPushButton>("addModelButton")->isEnabled());
    // Nothing typed is lost: once the other program is done, the same press saves it.
    click("addModelButton");
    QCOMPARE(m_prompter.messages.size(), 1);
    QCOMPARE(m_models->Models().size(), std::size_t{3});

    open(CModelConfigDlg::Mode::Edit, &keypad());
    selectRow("masterList", 0);
    fillMasterCode({});
    {
        const DatabaseWriteLock otherProgram(kToolDatabase);
        click("addMasterCodeButton");
    }
    QCOMPARE(m_prompter.messages.size(), 2);
    QVERIFY(m_prompter.messages[1].startsWith(kSaveFailed));
    QCOMPARE(rows("masterList").size(), 2);
    QCOMPARE(child<CGridmara>("masterList")->GetFirstSelectedRow(), 0);
    QCOMPARE(keypad().MasterCodes().size(), std::size_t{2});
    QCOMPARE(databaseRows("SELECT count(*) FROM tb_MasterCode WHERE TerID = 3"), QStringList{"2"});

    // Without tb_SubCode every change of sub codes fails, and so does deleting a master code, which
    // deletes its sub codes first.
    QVERIFY(createDatabase(kToolDatabase, "DROP TABLE tb_SubCode;"));
    m_prompter.messages.clear();
    selectRow("masterList", 0);
    fillSubCodes(QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("4"));
    click("addSubCodesButton");
    selectRow("subCodeList", 0);
    click("deleteSubCodeButton");
    click("deleteMasterCodeButton");
    QCOMPARE(m_prompter.messages.size(), 5);
    for (const int refusal : {0, 2, 4}) {
        const QString& message = m_prompter.messages[refusal];
        QVERIFY2(message.startsWith(kSaveFailed) && message.contains(QStringLiteral("tb_SubCode")),
                 qPrintable(message));
    }
    QCOMPARE(rows("masterList").size(), 2);
    QCOMPARE(rows("subCodeList"),
             (QStringList{QStringLiteral("1|防区1类型|2|03"), QStringLiteral("2|防区2类型|2|")}));
    QCOMPARE(keypad().MasterCodes().size(), std::size_t{2});
    QCOMPARE(keypad().MasterCodes()[0]->SubCodes().size(), std::size_t{2});
    QCOMPARE(databaseRows("SELECT MasterCode FROM tb_MasterCode WHERE TerID = 3"), (QStringList{"12", "5"}));
    // The sub code is still the current one: deleting it is asked again, and still refused.
    click("deleteSubCodeButton");
    QCOMPARE(m_prompter.messages.size(), 7);
    QVERIFY(!m_dialog->RemovedAny());
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
}

void ModelConfigDlgTest::changesWithoutADatabaseChangeNothing() {
    open(CModelConfigDlg::Mode::Edit, &keypad());
    selectRow("masterList", 0);
    QVERIFY(QFile::remove(kToolDatabase));
    fillMasterCode({});
    click("addMasterCodeButton");
    fillSubCodes(QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("4"));
    click("addSubCodesButton");
    // The connect routine has told the user each time; the dialog adds nothing of its own.
    QCOMPARE(m_prompter.messages, QStringList(2, QStringLiteral("连接数据库失败DB/VaZeraVI.mdb")));
    QCOMPARE(rows("masterList").size(), 2);
    QCOMPARE(rows("subCodeList").size(), 2);
    QCOMPARE(keypad().MasterCodes().size(), std::size_t{2});
    QCOMPARE(keypad().MasterCodes()[0]->SubCodes().size(), std::size_t{2});
    QVERIFY(!QFile::exists(kToolDatabase));
    m_dialog->reject();
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
}

void ModelConfigDlgTest::changesOnAFullDiskAreToldWithTheirReasonAndChangeNothing() {
    const QString refused = kSaveFailed + QStringLiteral("disk I/O error");
    const char* storedRows[] = {"SELECT * FROM tb_Terminal", "SELECT * FROM tb_MasterCode",
                                "SELECT * FROM tb_SubCode"};
    QStringList stored;
    for (const char* sql : storedRows)
        stored << databaseRows(sql);
    open(CModelConfigDlg::Mode::Edit, &keypad());
    selectRow("masterList", 0);
    const QStringList masterRows = rows("masterList");
    const QStringList subCodeRows = rows("subCodeList");
    {
        const FullDisk full;
        QVERIFY(full.isSet());
        fillSubCodes(QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("4"));
        click("addSubCodesButton");
        selectRow("subCodeList", 0);
        click("deleteSubCodeButton");
        click("deleteMasterCodeButton");
        fillMasterCode({});
        click("addMasterCodeButton");
    }
    QCOMPARE(m_prompter.messages, (QStringList{refused, kSureDel, refused, kSureDel, refused, refused}));
    QCOMPARE(rows("masterList"), masterRows);
    QCOMPARE(rows("subCodeList"), subCodeRows);
    QCOMPARE(keypad().MasterCodes().size(), std::size_t{2});
    QCOMPARE(keypad().MasterCodes()[0]->SubCodes().size(), std::size_t{2});
    QVERIFY(!m_dialog->RemovedAny());
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));

    // A new model is not added, and what was typed stays for another try.
    m_prompter.messages.clear();
    open(CModelConfigDlg::Mode::Add, nullptr);
    type("modelName", QStringLiteral("ZV-9"));
    type("adminPassword", QStringLiteral("1"));
    {
        const FullDisk full;
        click("addModelButton");
    }
    QCOMPARE(m_prompter.messages, QStringList{refused});
    QCOMPARE(m_dialog->CurrentModel(), nullptr);
    QCOMPARE(m_models->Models().size(), std::size_t{2});
    QVERIFY(child<QPushButton>("addModelButton")->isEnabled());
    QCOMPARE(child<QLineEdit>("modelName")->text(), QStringLiteral("ZV-9"));
    QStringList after;
    for (const char* sql : storedRows)
        after << databaseRows(sql);
    QCOMPARE(after, stored);
}

void ModelConfigDlgTest::aTreeNotLoadedWholeTakesNoChange() {
    // The sub codes could not be read at start: the tree misses them.
    QVERIFY(createDatabase(kToolDatabase, "DROP TABLE tb_SubCode;"));
    m_models = std::make_unique<DeviceModelList>(m_prompter);
    QCOMPARE(m_models->Load().outcome, ToolDatabaseLoad::Incomplete);
    const QString notLoaded =
        QStringLiteral("工具数据库在启动时未能完整读取，为免覆盖已存储的数据，现在不能修改设备型号。"
                       "请在数据库恢复正常后重新启动本工具。");
    open(CModelConfigDlg::Mode::Edit, &keypad());
    selectRow("masterList", 0);
    fillMasterCode({});
    click("addMasterCodeButton");
    click("deleteMasterCodeButton");
    QCOMPARE(m_prompter.messages, (QStringList{notLoaded, kSureDel, notLoaded}));
    QCOMPARE(rows("masterList").size(), 2);
    QCOMPARE(keypad().MasterCodes().size(), std::size_t{2});
    QCOMPARE(databaseRows("SELECT MasterCode FROM tb_MasterCode WHERE TerID = 3"), (QStringList{"12", "5"}));

    m_prompter.messages.clear();
    open(CModelConfigDlg::Mode::Add, nullptr);
    type("modelName", QStringLiteral("ZV-9"));
    type("adminPassword", QStringLiteral("1"));
    click("addModelButton");
    QCOMPARE(m_prompter.messages, QStringList{notLoaded});
    QCOMPARE(databaseRows("SELECT count(*) FROM tb_Terminal"), QStringList{"2"});
}

QTEST_MAIN(ModelConfigDlgTest)
#include "ModelConfigDlgTest.moc"
