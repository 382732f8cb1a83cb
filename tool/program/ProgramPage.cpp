#include "program/ProgramPage.h"

#include "basectrl/GbkText.h"
#include "config/ModelDialogRunner.h"
#include "forms/CaptionedControls.h"
#include "forms/DatabaseTookChange.h"
#include "forms/InputBoxes.h"
#include "forms/ListLook.h"
#include "gridmara/CGridmara.h"
#include "model/DeviceModelList.h"
#include "program/DigitStringRun.h"
#include "prompt/Prompter.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QtMath>
#include <algorithm>

namespace {

constexpr int kPasswordLimit = 6;
constexpr int kMasterCodeNumberLimit = 32;
constexpr int kInitialLineLimit = 3;
constexpr int kLineCountLimit = 3;
constexpr int kStepLimit = 16;
constexpr int kNumericValueLimit = 6;
constexpr int kTextValueByteLimit = 32;
constexpr int kRemarkLines = 3;
// How many unanswered values the end of a send names; a silent terminal leaves all of a device's unanswered.
constexpr std::size_t kNamedCodesLimit = 20;
// What a terminal is sent for a value that was never programmed.
constexpr char kUnprogrammedValue[] = "f";

enum SendScope { kCurrentSubCode = 0, kCurrentMasterCode = 1, kCurrentDevice = 2 };
enum ListColumn { kLineColumn, kSubCodeColumn, kFunctionColumn, kLengthColumn, kValueColumn };
constexpr int kAlignLeft = 0;
constexpr int kAlignCentre = 2;

// The value type radio buttons in the order of the value types, which are their ids.
constexpr const char* kValueTypeKeys[] = {"tString", "tNumber", "tIp", "Phone"};
static_assert(StringValue == 0 && DigitString == 1 && IpAddress == 2 && TelephoneNumber == 3);
constexpr const char* kSendScopeKeys[] = {"OneSubCode", "AllSubCode", "AllTerminal"};

// How Ostrel is to send the values of a value type.
int DataModeOf(std::int32_t valueType) {
    switch (valueType) {
    case StringValue:
        return OSTREL_DATA_TEXT;
    case DigitString:
        return OSTREL_DATA_DECIMAL_DIGITS;
    case IpAddress:
        return OSTREL_DATA_DOTTED_ADDRESS;
    case TelephoneNumber:
        return OSTREL_DATA_HEX_DIGITS;
    }
    // A type the tool does not know is no mode of Ostrel's either: the frame then goes without its data.
    return valueType;
}

// The function a sub code programs: the left name, with numbered sub codes followed by the number and the
// right name.
QString FunctionText(const MasterCodeItem& masterCode, const SubCodeItem& subCode) {
    if (!masterCode.HaveOrder)
        return masterCode.lDescribe;
    return masterCode.lDescribe + QString::number(subCode.SubCode) + masterCode.rDescribe;
}

template <typename Item> int IndexOf(const std::vector<std::unique_ptr<Item>>& items, const Item* item) {
    const auto found = std::find_if(items.begin(), items.end(),
                                    [item](const std::unique_ptr<Item>& held) { return held.get() == item; });
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

template <typename Item> int CountOf(const std::vector<std::unique_ptr<Item>>& items) {
    return static_cast<int>(items.size());
}

// A digits box as wide as its digits, so that the page keeps its room for the list.
QLineEdit* MakeNarrowDigitsBox(QWidget* parent, const char* objectName, int maxLength) {
    QLineEdit* box = MakeDigitsBox(parent, objectName, maxLength);
    // The style's own width, less the seventeen characters it makes room for, plus one more than the digits.
    const QFontMetrics metrics = box->fontMetrics();
    box->setFixedWidth(box->sizeHint().width() - metrics.horizontalAdvance(QString(17, QLatin1Char('x'))) +
                       metrics.horizontalAdvance(QString(maxLength + 1, QLatin1Char('0'))));
    return box;
}

} // namespace

CProgramPage::CProgramPage(Prompter& prompter, QString languageDatabasePath, DeviceModelList& models,
                           const OstrelSession& session,
                           std::function<const TerminalEntry*()> selectedTerminal, CommandExports& commands,
                           ModelDialogRunner& modelDialog, std::function<void()> resetToDefaults,
                           QWidget* parent)
    : QWidget(parent), m_prompter(prompter), m_languageDatabasePath(std::move(languageDatabasePath)),
      m_models(models), m_session(session), m_selectedTerminal(std::move(selectedTerminal)),
      m_commands(commands), m_modelDialog(modelDialog), m_resetToDefaults(std::move(resetToDefaults)) {
    connect(&m_session, &OstrelSession::FramesSettled, this, &CProgramPage::OnFramesSettled);
    connect(&m_session, &OstrelSession::Stopped, this, &CProgramPage::OnSessionStopped);

    BuildControls();
    m_texts = m_captions.load(m_languageDatabasePath, kProgramTable, m_prompter).texts;
    SetUpSubCodeList();
    FillModelBox();
}

// Top to bottom in the order of the work: model, master code, its sub codes, then changing and sending
// their values.
void CProgramPage::BuildControls() {
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(BuildValueGroup(), 1);
    bottom->addWidget(BuildSendGroup());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(BuildModelRow());
    layout->addWidget(BuildMasterCodeGroup());
    layout->addWidget(BuildSubCodeGroup(), 1);
    layout->addLayout(bottom);
    ShowValueType(DigitString);
}

QLayout* CProgramPage::BuildModelRow() {
    m_modelBox = new QComboBox(this);
    m_modelBox->setObjectName(QStringLiteral("modelBox"));
    m_modelBox->setMinimumContentsLength(16);
    // Only the user's choice counts, also of the entry already shown.
    connect(m_modelBox, &QComboBox::activated, this, &CProgramPage::OnModelSelected);
    m_password = MakeNarrowDigitsBox(this, "password", kPasswordLimit);

    auto* layout = new QGridLayout;
    layout->addWidget(MakeLabel(m_captions, this, "Device"), 0, 0);
    layout->addWidget(m_modelBox, 0, 1);
    layout->addWidget(MakeLabel(m_captions, this, "Psw"), 0, 2);
    layout->addWidget(m_password, 0, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(
        MakeButton(m_captions, this, "AddNewTer", "addModelButton", this, &CProgramPage::OnAddModel));
    buttons->addWidget(
        MakeButton(m_captions, this, "tEdit", "editModelButton", this, &CProgramPage::OnEditModel));
    buttons->addWidget(
        MakeButton(m_captions, this, "DelTer", "deleteModelButton", this, &CProgramPage::OnDeleteModel));
    buttons->addStretch(1);
    buttons->addWidget(
        MakeButton(m_captions, this, "UseDefault", "useDefaultButton", this, &CProgramPage::OnUseDefault));
    layout->addLayout(buttons, 1, 0, 1, 5);
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(4, 1);
    return layout;
}

QGroupBox* CProgramPage::BuildMasterCodeGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "MasterCtrl", "masterCodeGroup");
    m_masterCodeBox = new QComboBox(group);
    m_masterCodeBox->setObjectName(QStringLiteral("masterCodeBox"));
    connect(m_masterCodeBox, &QComboBox::activated, this, &CProgramPage::OnMasterCodeSelected);
    m_masterCodeNumber = new QLineEdit(group);
    m_masterCodeNumber->setObjectName(QStringLiteral("masterCodeNumber"));
    m_masterCodeNumber->setReadOnly(true);
    m_masterCodeNumber->setMaxLength(kMasterCodeNumberLimit);
    m_remark = new QPlainTextEdit(group);
    m_remark->setObjectName(QStringLiteral("remark"));
    m_remark->setReadOnly(true);
    m_remark->setFixedHeight(m_remark->fontMetrics().lineSpacing() * kRemarkLines +
                             2 * m_remark->frameWidth() + 2 * qCeil(m_remark->document()->documentMargin()));

    auto* layout = new QGridLayout(group);
    layout->addWidget(MakeLabel(m_captions, group, "MasterFunc"), 0, 0);
    layout->addWidget(m_masterCodeBox, 0, 1);
    layout->addWidget(MakeLabel(m_captions, group, "MasterID"), 0, 2);
    layout->addWidget(m_masterCodeNumber, 0, 3);
    layout->addWidget(MakeLabel(m_captions, group, "MasterRemark"), 1, 0, Qt::AlignTop);
    layout->addWidget(m_remark, 1, 1, 1, 3);
    layout->setColumnStretch(1, 2);
    layout->setColumnStretch(3, 1);
    return group;
}

QGroupBox* CProgramPage::BuildSubCodeGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "SubCtrl", "subCodeGroup");
    m_subCodeList = new CGridmara(group);
    m_subCodeList->setObjectName(QStringLiteral("subCodeList"));
    connect(m_subCodeList, &QTableWidget::itemSelectionChanged, this, &CProgramPage::OnRowSelected);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(m_subCodeList);
    return group;
}

QGroupBox* CProgramPage::BuildValueGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "PgMod", "valueGroup");
    // The value type only shows the master code's; the device model dialog is where it is chosen.
    m_valueType = MakeRadioGroup(m_captions, group, kValueTypeKeys, "valueType");
    for (QAbstractButton* radio : m_valueType->buttons())
        radio->setEnabled(false);
    m_initialLine = MakeNarrowDigitsBox(group, "initialLine", kInitialLineLimit);
    m_lineCount = MakeNarrowDigitsBox(group, "lineCount", kLineCountLimit);
    m_step = MakeNarrowDigitsBox(group, "step", kStepLimit);
    m_numericInitialValue = MakeNarrowDigitsBox(group, "numericInitialValue", kNumericValueLimit);
    m_textInitialValue = MakeTextBox(group, "textInitialValue", kTextValueByteLimit);

    auto* types = new QHBoxLayout;
    for (QAbstractButton* radio : m_valueType->buttons())
        types->addWidget(radio);
    types->addStretch(1);
    auto* layout = new QGridLayout(group);
    layout->addWidget(MakeLabel(m_captions, group, "PgType"), 0, 0);
    layout->addLayout(types, 0, 1, 1, 6);
    layout->addWidget(MakeLabel(m_captions, group, "SLine"), 1, 0);
    layout->addWidget(m_initialLine, 1, 1);
    layout->addWidget(MakeLabel(m_captions, group, "LineNum"), 1, 2);
    layout->addWidget(m_lineCount, 1, 3);
    layout->addWidget(MakeLabel(m_captions, group, "Step"), 1, 4);
    layout->addWidget(m_step, 1, 5, Qt::AlignLeft);
    // The two initial values share one place: the value type shows one of them.
    layout->addWidget(MakeLabel(m_captions, group, "tInit"), 2, 0);
    layout->addWidget(m_numericInitialValue, 2, 1, 1, 3, Qt::AlignLeft);
    layout->addWidget(m_textInitialValue, 2, 1, 1, 5);
    layout->addWidget(MakeButton(m_captions, group, "tMod", "modifyButton", this, &CProgramPage::OnModify), 2,
                      6);
    layout->setColumnStretch(5, 1);
    return group;
}

QGroupBox* CProgramPage::BuildSendGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "PgCmd", "sendGroup");
    m_sendScope = MakeRadioGroup(m_captions, group, kSendScopeKeys, "sendScope");
    m_sendButton = MakeButton(m_captions, group, "SendCmd", "sendButton", this, &CProgramPage::OnSend);

    auto* layout = new QVBoxLayout(group);
    for (QAbstractButton* radio : m_sendScope->buttons())
        layout->addWidget(radio);
    layout->addStretch(1);
    layout->addWidget(m_sendButton, 0, Qt::AlignRight);
    return group;
}

void CProgramPage::SetUpSubCodeList() {
    // The list style's check boxes are left out: a list that paints its own cells never shows them, and
    // nothing reads them.
    SetUpList(*m_subCodeList);
    m_subCodeList->SetColColor(kLineColumn, QColor(192, 192, 192));
    for (int column : {kSubCodeColumn, kFunctionColumn, kLengthColumn})
        m_subCodeList->SetColColor(column, QColor(196, 196, 255));
    m_subCodeList->SetColColor(kValueColumn, QColor(185, 255, 185));
    m_subCodeList->SetColTextColor(kValueColumn, QColor(0, 64, 128));
    m_subCodeList->InsertColumn(kLineColumn, m_texts.text("tLine"), kAlignLeft, 45);
    m_subCodeList->InsertColumn(kSubCodeColumn, m_texts.text("SubCode"), kAlignLeft, 45);
    m_subCodeList->InsertColumn(kFunctionColumn, m_texts.text("Function"), kAlignLeft, 150);
    m_subCodeList->InsertColumn(kLengthColumn, m_texts.text("tLength"), kAlignCentre, 75);
    m_subCodeList->InsertColumn(kValueColumn, m_texts.text("tValue"), kAlignCentre, 150);
    // Every column stays in sight, the values above all.
    FitWidthToColumns(*m_subCodeList);
}

void CProgramPage::FillModelBox() {
    m_modelBox->clear();
    for (const std::unique_ptr<DeviceModel>& model : m_models.Models())
        m_modelBox->addItem(model->TerName);
    m_modelBox->setCurrentIndex(-1);
}

void CProgramPage::OnModelSelected(int index) {
    if (index < 0 || index >= CountOf(m_models.Models()))
        return;
    ShowModel(*m_models.Models()[index]);
}

// The list keeps the master code shown before until one of this model's is chosen.
void CProgramPage::ShowModel(DeviceModel& model) {
    m_currentModel = &model;
    m_masterCodeBox->clear();
    for (const std::unique_ptr<MasterCodeItem>& masterCode : model.MasterCodes())
        m_masterCodeBox->addItem(masterCode->Function);
    m_masterCodeBox->setCurrentIndex(-1);
    m_password->setText(model.AdminPsw);
}

void CProgramPage::OnMasterCodeSelected(int index) {
    if (index < 0 || m_currentModel == nullptr || index >= CountOf(m_currentModel->MasterCodes()))
        return;
    ShowMasterCode(*m_currentModel->MasterCodes()[index]);
}

void CProgramPage::ShowMasterCode(MasterCodeItem& masterCode) {
    m_currentMasterCode = &masterCode;
    m_subCodeList->DeleteAllItems();
    // A row's first column is its line number, which the initial line refers to.
    for (const std::unique_ptr<SubCodeItem>& subCode : masterCode.SubCodes()) {
        const int row = m_subCodeList->InsertItemToEnd(QString::number(m_subCodeList->GetItemCount()));
        m_subCodeList->SetItemText(row, kSubCodeColumn, QString::number(subCode->SubCode));
        m_subCodeList->SetItemText(row, kFunctionColumn, FunctionText(masterCode, *subCode));
        m_subCodeList->SetItemText(row, kLengthColumn, QString::number(masterCode.CodeNum));
        if (!subCode->CodeValue.isEmpty())
            m_subCodeList->SetItemText(row, kValueColumn, subCode->CodeValue);
    }
    m_masterCodeNumber->setText(QString::number(masterCode.MasterCode));
    m_remark->setPlainText(masterCode.Remark);
    ShowValueType(masterCode.ProType);
    // No row of the new list is chosen.
    m_initialLine->clear();
}

// Digit strings are changed in rising runs of rows, the other types one row at a time.
void CProgramPage::ShowValueType(int valueType) {
    if (QAbstractButton* radio = m_valueType->button(valueType)) {
        radio->setChecked(true);
    } else {
        // A type the tool does not know: no radio button is chosen.
        m_valueType->setExclusive(false);
        for (QAbstractButton* each : m_valueType->buttons())
            each->setChecked(false);
        m_valueType->setExclusive(true);
    }
    const bool digitString = valueType == DigitString;
    m_lineCount->setEnabled(digitString);
    m_step->setEnabled(digitString);
    m_numericInitialValue->setVisible(digitString);
    m_textInitialValue->setVisible(!digitString);
}

void CProgramPage::SelectLastMasterCodeEntry() {
    // Only the box's selection: the list shows what it showed until the user chooses.
    if (m_masterCodeBox->count() > 0)
        m_masterCodeBox->setCurrentIndex(m_masterCodeBox->count() - 1);
}

void CProgramPage::ForgetMasterCode() {
    m_currentMasterCode = nullptr;
    m_subCodeList->DeleteAllItems();
    m_masterCodeNumber->clear();
    m_remark->clear();
    m_initialLine->clear();
}

void CProgramPage::ForgetModel() {
    m_currentModel = nullptr;
    m_modelBox->setCurrentIndex(-1);
    m_password->clear();
    m_masterCodeBox->clear();
    ForgetMasterCode();
}

// Loads the chosen row into the fields, whether the user or the page chose it: its line as the initial
// line, one line, and its value as the initial value.
void CProgramPage::OnRowSelected() {
    const int row = m_subCodeList->GetFirstSelectedRow();
    if (row < 0)
        return;
    m_initialLine->setText(QString::number(row));
    m_lineCount->setText(QStringLiteral("1"));
    QLineEdit* value = m_valueType->checkedId() == DigitString ? m_numericInitialValue : m_textInitialValue;
    value->setText(m_subCodeList->GetItemText(row, kValueColumn));
}

void CProgramPage::SelectRow(int row) {
    m_subCodeList->selectRow(row);
}

void CProgramPage::OnModify() {
    if (m_currentMasterCode == nullptr)
        return;
    const int rowCount = CountOf(m_currentMasterCode->SubCodes());
    if (m_initialLine->text().toInt() >= rowCount) {
        m_prompter.inform(m_texts.text("SLineErr"));
        return;
    }
    switch (m_currentMasterCode->ProType) {
    case DigitString:
        ModifyDigitStringRun(rowCount);
        break;
    case StringValue:
    case IpAddress:
    case TelephoneNumber:
        ModifyTextValue(rowCount);
        break;
    default:
        // A type the tool does not know has no values to write.
        break;
    }
}

void CProgramPage::ModifyDigitStringRun(int rowCount) {
    const DigitStringRun run = PlanDigitStringRun(
        {m_initialLine->text(), m_numericInitialValue->text(), m_lineCount->text(), m_step->text()}, rowCount,
        m_currentMasterCode->CodeNum);
    switch (run.outcome) {
    case DigitStringRun::NoStart:
        m_prompter.inform(m_texts.text("SLineEmpty"));
        return;
    case DigitStringRun::NoSize:
        m_prompter.inform(m_texts.text("AllEmpty"));
        return;
    case DigitStringRun::NoLines:
        return;
    case DigitStringRun::TooManyDigits:
        m_prompter.inform(m_texts.text("PgNumErr"));
        return;
    case DigitStringRun::Values:
        break;
    }
    std::vector<ValueChange> changes;
    for (int index = 0; index < run.values.size(); ++index)
        changes.push_back({m_currentMasterCode->SubCodes()[run.firstRow + index].get(), run.values[index]});
    if (!SaveValues(changes, run.firstRow))
        return;
    // The next row after the run is ready for the next one; after the last row the selection stays.
    const int nextRow = run.firstRow + static_cast<int>(run.values.size());
    if (nextRow < rowCount)
        SelectRow(nextRow);
}

void CProgramPage::ModifyTextValue(int rowCount) {
    if (m_initialLine->text().isEmpty() || m_textInitialValue->text().isEmpty()) {
        m_prompter.inform(m_texts.text("SLineEmpty"));
        return;
    }
    const int row = m_initialLine->text().toInt();
    const ValueChange change{m_currentMasterCode->SubCodes()[row].get(), m_textInitialValue->text()};
    if (!SaveValues({&change, 1}, row))
        return;
    // Pressing Modify again programs the next row.
    if (row + 1 < rowCount)
        SelectRow(row + 1);
}

bool CProgramPage::SaveValues(std::span<const ValueChange> changes, int firstRow) {
    if (!TookChange(m_models.SetSubCodeValues(changes)))
        return false;
    for (std::size_t index = 0; index < changes.size(); ++index)
        m_subCodeList->SetItemText(firstRow + static_cast<int>(index), kValueColumn, changes[index].value);
    return true;
}

bool CProgramPage::TookChange(const SaveResult& result) {
    return DatabaseTookChange(result, m_prompter, m_texts);
}

void CProgramPage::OnAddModel() {
    const ModelDialogRunner::Outcome outcome = m_modelDialog.run(ModelDialogRunner::Mode::Add, nullptr);
    if (outcome.removed)
        ForgetMasterCode();
    if (!outcome.accepted || outcome.model == nullptr)
        return;
    const int index = IndexOf(m_models.Models(), outcome.model);
    if (index < 0)
        return;
    FillModelBox();
    m_modelBox->setCurrentIndex(index);
    ShowModel(*outcome.model);
    SelectLastMasterCodeEntry();
}

void CProgramPage::OnEditModel() {
    if (m_currentModel == nullptr)
        return;
    const ModelDialogRunner::Outcome outcome =
        m_modelDialog.run(ModelDialogRunner::Mode::Edit, m_currentModel);
    // Whatever the dialog removed may have been the master code shown, or some of its sub codes.
    if (outcome.removed)
        ForgetMasterCode();
    if (!outcome.accepted && !outcome.removed)
        return;
    ShowModel(*m_currentModel);
    if (!outcome.accepted)
        return;
    SelectLastMasterCodeEntry();
    // Sub codes added to the master code shown get their rows.
    if (m_currentMasterCode != nullptr)
        ShowMasterCode(*m_currentMasterCode);
}

void CProgramPage::OnDeleteModel() {
    if (m_currentModel == nullptr || !m_prompter.confirm(m_texts.text("SureDel"), m_texts.text("Notify")))
        return;
    const RemoveResult result = m_models.RemoveModel(m_currentModel);
    if (result.index < 0 || !TookChange(result.save))
        return;
    // The model box lists the models in the tree's order.
    m_modelBox->removeItem(result.index);
    ForgetModel();
}

void CProgramPage::OnUseDefault() {
    if (m_prompter.confirm(m_texts.text("Default"), m_texts.text("Notify")))
        m_resetToDefaults();
}

void CProgramPage::OnSend() {
    const std::optional<CommandTarget> target =
        SelectedCommandTarget(m_session.Context(), m_selectedTerminal, m_prompter, m_texts.text("SelTer"));
    if (!target)
        return;
    if (m_password->text().isEmpty()) {
        m_prompter.inform(m_texts.text("PswEmpty"));
        return;
    }
    if (!m_prompter.confirm(m_texts.text("SureSend"), m_texts.text("Notify")))
        return;

    std::vector<const SubCodeItem*> subCodes;
    switch (m_sendScope->checkedId()) {
    case kCurrentSubCode: {
        if (m_currentMasterCode == nullptr)
            return;
        const int row = m_subCodeList->GetFirstSelectedRow();
        if (row < 0) {
            m_prompter.inform(m_texts.text("SelSubCode"));
            return;
        }
        subCodes.push_back(m_currentMasterCode->SubCodes()[row].get());
        break;
    }
    case kCurrentMasterCode:
        if (m_currentMasterCode == nullptr)
            return;
        for (const std::unique_ptr<SubCodeItem>& subCode : m_currentMasterCode->SubCodes())
            subCodes.push_back(subCode.get());
        break;
    case kCurrentDevice:
        if (m_currentModel == nullptr)
            return;
        for (const std::unique_ptr<MasterCodeItem>& masterCode : m_currentModel->MasterCodes())
            for (const std::unique_ptr<SubCodeItem>& subCode : masterCode->SubCodes())
                subCodes.push_back(subCode.get());
        break;
    }

    SendSubCodes(*target, subCodes);
    if (!m_run.IsWaiting()) {
        // Nothing leaves: Send stays ready, and a refusal is told at once.
        if (m_run.RefusedCount() > 0)
            m_prompter.inform(NotQueuedText(m_run.RefusedCount()));
        return;
    }
    m_sendButton->setEnabled(false);
}

// One programming command per sub code, all queued at once; Ostrel paces them on the wire.
void CProgramPage::SendSubCodes(const CommandTarget& target, std::span<const SubCodeItem* const> subCodes) {
    const QByteArray password = m_password->text().toLatin1();
    m_run = ProgrammingRun();
    for (const SubCodeItem* subCode : subCodes) {
        const MasterCodeItem& masterCode = *subCode->Owner();
        const QByteArray data = subCode->CodeValue.isEmpty() ? QByteArray(kUnprogrammedValue)
                                                             : GbkText::encode(subCode->CodeValue).bytes;
        const QueuedFrame frame =
            m_commands.ConfigFunction(target, password.constData(), masterCode.MasterCode, subCode->SubCode,
                                      data.constData(), DataModeOf(masterCode.ProType));
        if (frame == kNotQueued)
            m_run.Refused();
        else
            m_run.Queued(frame, {masterCode.MasterCode, subCode->SubCode});
    }
}

void CProgramPage::OnFramesSettled(const std::vector<OstrelOutcome>& outcomes) {
    if (!m_run.IsWaiting())
        return;
    m_run.Settle(outcomes);
    if (!m_run.IsWaiting())
        FinishRun();
}

void CProgramPage::OnSessionStopped() {
    if (!m_run.IsWaiting())
        return;
    m_run.StopWaiting();
    FinishRun();
}

void CProgramPage::FinishRun() {
    m_sendButton->setEnabled(true);
    const std::vector<ProgrammingRun::Codes> unanswered = m_run.Unanswered();
    QStringList lines{m_texts.text("SendOver"),
                      m_texts.text("SendResult").arg(m_run.AnsweredCount()).arg(unanswered.size())};
    if (!unanswered.empty()) {
        QStringList named;
        for (std::size_t index = 0; index < unanswered.size() && index < kNamedCodesLimit; ++index)
            named.append(
                QStringLiteral("%1/%2").arg(unanswered[index].masterCode).arg(unanswered[index].subCode));
        if (unanswered.size() > kNamedCodesLimit)
            named.append(QStringLiteral("…"));
        lines.append(m_texts.text("SendFailedCodes").arg(named.join(QStringLiteral(", "))));
    }
    if (m_run.RefusedCount() > 0)
        lines.append(NotQueuedText(m_run.RefusedCount()));
    m_prompter.inform(lines.join(QLatin1Char('\n')));
}

QString CProgramPage::NotQueuedText(int refused) const {
    return m_texts.text("NotQueued").arg(refused);
}
