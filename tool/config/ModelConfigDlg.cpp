#include "config/ModelConfigDlg.h"

#include "basectrl/GbkByteLimitValidator.h"
#include "config/ValidatedPlainTextEdit.h"
#include "forms/CaptionedControls.h"
#include "forms/DatabaseTookChange.h"
#include "forms/InputBoxes.h"
#include "forms/ListLook.h"
#include "gridmara/CGridmara.h"
#include "model/DeviceModelList.h"
#include "model/RisingDigitValues.h"
#include "prompt/Prompter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <utility>

namespace {

// The title is the template's in every language.
const QString kTitle = QStringLiteral("高级配置");

// Room for a dozen master codes and sub codes at once; the layout keeps every control whole when smaller.
constexpr QSize kInitialSize(760, 720);

// Text limits in bytes of the terminals' character set, as the tool database's columns were sized.
constexpr int kModelNameLimit = 32;
constexpr int kNameLimit = 32;
constexpr int kRemarkLimit = 255;
constexpr int kTextValueLimit = 32;
// Digit limits.
constexpr int kPasswordLimit = 6;
constexpr int kMasterCodeLimit = 4;
constexpr int kCodeNumLimit = 6;
constexpr int kSubCodeNumberLimit = 3;
constexpr int kStepLimit = 6;
constexpr int kNumericValueLimit = 6;

constexpr int kAlignLeft = 0;
constexpr int kMasterCodeColumnWidth = 60;
constexpr int kMasterFunctionColumnWidth = 180;
constexpr int kSubCodeColumnWidth = 60;
constexpr int kSubFunctionColumnWidth = 200;
constexpr int kCodeNumColumnWidth = 85;
constexpr int kValueColumnWidth = 100;
enum SubCodeColumn { kSubCodeNumber = 0, kSubCodeFunction = 1, kSubCodeDigits = 2, kSubCodeValue = 3 };
enum MasterCodeColumn { kMasterCodeNumber = 0, kMasterCodeFunction = 1 };
const QColor kColumnColour(192, 192, 192);
const QColor kValueColumnColour(185, 255, 185);
const QColor kValueTextColour(0, 64, 128);

// The value types in the order of their radio buttons, which is also their ProType.
constexpr std::array<const char*, 4> kValueTypeKeys = {"tString", "tNumber", "tIp", "Phone"};

} // namespace

CModelConfigDlg::CModelConfigDlg(Prompter& prompter, DeviceModelList& models, QString languageDatabasePath,
                                 Mode mode, DeviceModel* current, QWidget* parent)
    : QDialog(parent), m_prompter(prompter), m_models(models),
      m_languageDatabasePath(std::move(languageDatabasePath)) {
    setWindowTitle(kTitle);
    BuildControls();
    m_texts = m_captions.load(m_languageDatabasePath, kConfigureTable, m_prompter).texts;
    SetUpLists();
    if (mode == Mode::Edit) {
        // The model is the page's: its name and password are not the dialog's to change.
        m_addModelButton->setEnabled(false);
        m_modelName->setEnabled(false);
        m_adminPassword->setEnabled(false);
        m_currentModel = current;
        if (m_currentModel != nullptr)
            ShowModel();
    }
    resize(kInitialSize);
}

void CModelConfigDlg::reject() {
    done(m_changed ? Accepted : Rejected);
}

void CModelConfigDlg::BuildControls() {
    // Built top to bottom, so that the Tab key follows the fields as they are seen.
    QLayout* modelRow = BuildModelRow();
    auto* lists = new QHBoxLayout;
    lists->addWidget(BuildMasterCodeGroup());
    lists->addWidget(BuildMasterListGroup(), 1);
    QGroupBox* subCodeGroup = BuildSubCodeGroup();

    // The template's save and exit buttons: every change is saved as it is made, so they stay hidden and
    // do nothing.
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    for (const auto& [caption, objectName] : {std::pair{"保存并退出(&O)", "saveAndExitButton"},
                                              std::pair{"不保存退出(&Q)", "exitWithoutSavingButton"}}) {
        QPushButton* button = MakeButton(this, objectName);
        button->setText(QString::fromUtf8(caption));
        button->hide();
        closeRow->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(modelRow);
    layout->addLayout(lists, 1);
    layout->addWidget(subCodeGroup, 1);
    layout->addLayout(closeRow);
}

QLayout* CModelConfigDlg::BuildModelRow() {
    m_modelName = MakeTextBox(this, "modelName", kModelNameLimit);
    m_adminPassword = MakeDigitsBox(this, "adminPassword", kPasswordLimit);
    m_addModelButton =
        MakeButton(m_captions, this, "AddTer", "addModelButton", this, &CModelConfigDlg::OnAddModel);

    auto* row = new QHBoxLayout;
    row->addWidget(MakeLabel(m_captions, this, "Device"));
    row->addWidget(m_modelName, 2);
    row->addSpacing(12);
    row->addWidget(MakeLabel(m_captions, this, "AdminPsw"));
    row->addWidget(m_adminPassword, 1);
    row->addSpacing(12);
    row->addWidget(m_addModelButton);
    return row;
}

QGroupBox* CModelConfigDlg::BuildMasterCodeGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "MasterCtrl", "masterCodeGroup");
    m_masterCode = MakeDigitsBox(group, "masterCode", kMasterCodeLimit);
    m_codeNum = MakeDigitsBox(group, "codeNum", kCodeNumLimit);
    m_function = MakeTextBox(group, "function", kNameLimit);
    m_leftName = MakeTextBox(group, "leftName", kNameLimit);
    m_rightName = MakeTextBox(group, "rightName", kNameLimit);
    m_haveOrder = new QCheckBox(group);
    m_haveOrder->setObjectName(QStringLiteral("haveOrder"));
    m_captions.add("HaveOrder", m_haveOrder);
    QGroupBox* valueTypeGroup = BuildValueTypeGroup(group);
    m_remark = new ValidatedPlainTextEdit(group);
    m_remark->setObjectName(QStringLiteral("remark"));
    m_remark->setValidator(new GbkByteLimitValidator(kRemarkLimit, m_remark));
    m_remark->setTabChangesFocus(true);

    auto* layout = new QGridLayout(group);
    layout->addWidget(MakeLabel(m_captions, group, "MCode"), 0, 0);
    layout->addWidget(m_masterCode, 0, 1);
    layout->addWidget(MakeLabel(m_captions, group, "MLength"), 0, 2);
    layout->addWidget(m_codeNum, 0, 3);
    layout->addWidget(MakeLabel(m_captions, group, "MFunc"), 1, 0);
    layout->addWidget(m_function, 1, 1, 1, 3);
    layout->addWidget(MakeLabel(m_captions, group, "LValue"), 2, 0);
    layout->addWidget(m_leftName, 2, 1);
    layout->addWidget(MakeLabel(m_captions, group, "RValue"), 2, 2);
    layout->addWidget(m_rightName, 2, 3);
    layout->addWidget(m_haveOrder, 3, 1, 1, 3);
    layout->addWidget(valueTypeGroup, 4, 0, 1, 4);
    layout->addWidget(MakeLabel(m_captions, group, "Remark"), 5, 0, Qt::AlignTop);
    layout->addWidget(m_remark, 5, 1, 1, 3);
    layout->addWidget(MakeButton(m_captions, group, "AddMCode", "addMasterCodeButton", this,
                                 &CModelConfigDlg::OnAddMasterCode),
                      6, 3, Qt::AlignRight);
    layout->setRowStretch(5, 1);
    return group;
}

QGroupBox* CModelConfigDlg::BuildValueTypeGroup(QWidget* parent) {
    QGroupBox* group = MakeGroupBox(m_captions, parent, "MType", "valueTypeGroup");
    m_valueType = MakeRadioGroup(m_captions, group, kValueTypeKeys, "valueType");
    m_valueType->button(DigitString)->setChecked(true);
    auto* layout = new QGridLayout(group);
    for (int type = 0; type < static_cast<int>(kValueTypeKeys.size()); ++type)
        layout->addWidget(m_valueType->button(type), type / 2, type % 2);
    return group;
}

QGroupBox* CModelConfigDlg::BuildMasterListGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "MList", "masterListGroup");
    m_masterList = new CGridmara(group);
    m_masterList->setObjectName(QStringLiteral("masterList"));
    connect(m_masterList, &QTableWidget::itemSelectionChanged, this, &CModelConfigDlg::OnMasterCodeSelected);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(MakeButton(m_captions, group, "DelMCode", "deleteMasterCodeButton", this,
                                  &CModelConfigDlg::OnDeleteMasterCode));
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(m_masterList, 1);
    layout->addLayout(buttons);
    return group;
}

QGroupBox* CModelConfigDlg::BuildSubCodeGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "SubCtrl", "subCodeGroup");
    m_subCodeList = new CGridmara(group);
    m_subCodeList->setObjectName(QStringLiteral("subCodeList"));
    connect(m_subCodeList, &QTableWidget::itemSelectionChanged, this, &CModelConfigDlg::OnSubCodeSelected);
    m_firstSubCode = MakeDigitsBox(group, "firstSubCode", kSubCodeNumberLimit);
    m_subCodeCount = MakeDigitsBox(group, "subCodeCount", kSubCodeNumberLimit);
    m_step = MakeDigitsBox(group, "step", kStepLimit);
    m_numericInitialValue = MakeDigitsBox(group, "numericInitialValue", kNumericValueLimit);
    m_textInitialValue = MakeTextBox(group, "textInitialValue", kTextValueLimit);
    // Both initial values share one place; a new master code is a digit string until chosen otherwise.
    m_textInitialValue->hide();

    auto* fields = new QGridLayout;
    fields->addWidget(MakeLabel(m_captions, group, "InitCode"), 0, 0);
    fields->addWidget(m_firstSubCode, 0, 1);
    fields->addWidget(MakeLabel(m_captions, group, "ScodeNum"), 1, 0);
    fields->addWidget(m_subCodeCount, 1, 1);
    fields->addWidget(MakeLabel(m_captions, group, "Step"), 2, 0);
    fields->addWidget(m_step, 2, 1);
    fields->addWidget(MakeLabel(m_captions, group, "SValue"), 3, 0);
    fields->addWidget(m_numericInitialValue, 3, 1);
    fields->addWidget(m_textInitialValue, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(MakeButton(m_captions, group, "AddSubCode", "addSubCodesButton", this,
                                  &CModelConfigDlg::OnAddSubCodes));
    buttons->addWidget(MakeButton(m_captions, group, "DelSubCode", "deleteSubCodeButton", this,
                                  &CModelConfigDlg::OnDeleteSubCode));
    fields->addLayout(buttons, 4, 0, 1, 2);
    fields->setRowStretch(5, 1);

    auto* layout = new QHBoxLayout(group);
    layout->addWidget(m_subCodeList, 1);
    layout->addLayout(fields);
    return group;
}

void CModelConfigDlg::SetUpLists() {
    SetUpList(*m_masterList);
    m_masterList->InsertColumn(kMasterCodeNumber, m_texts.text("MasterCtrl"), kAlignLeft,
                               kMasterCodeColumnWidth);
    m_masterList->InsertColumn(kMasterCodeFunction, m_texts.text("Function"), kAlignLeft,
                               kMasterFunctionColumnWidth);
    for (const int column : {kMasterCodeNumber, kMasterCodeFunction})
        m_masterList->SetColColor(column, kColumnColour);
    FitWidthToColumns(*m_masterList);

    SetUpList(*m_subCodeList);
    m_subCodeList->InsertColumn(kSubCodeNumber, m_texts.text("SubCtrl"), kAlignLeft, kSubCodeColumnWidth);
    m_subCodeList->InsertColumn(kSubCodeFunction, m_texts.text("Function"), kAlignLeft,
                                kSubFunctionColumnWidth);
    m_subCodeList->InsertColumn(kSubCodeDigits, m_texts.text("tLength"), kAlignLeft, kCodeNumColumnWidth);
    m_subCodeList->InsertColumn(kSubCodeValue, m_texts.text("tValue"), kAlignLeft, kValueColumnWidth);
    for (const int column : {kSubCodeNumber, kSubCodeFunction, kSubCodeDigits})
        m_subCodeList->SetColColor(column, kColumnColour);
    m_subCodeList->SetColColor(kSubCodeValue, kValueColumnColour);
    m_subCodeList->SetColTextColor(kSubCodeValue, kValueTextColour);
    FitWidthToColumns(*m_subCodeList);
}

bool CModelConfigDlg::TookChange(const SaveResult& result) {
    return DatabaseTookChange(result, m_prompter, m_texts);
}

void CModelConfigDlg::ShowModel() {
    for (const auto& masterCode : m_currentModel->MasterCodes())
        AppendMasterCodeRow(*masterCode);
    m_modelName->setText(m_currentModel->TerName);
    m_adminPassword->setText(m_currentModel->AdminPsw);
}

void CModelConfigDlg::ShowMasterCode() {
    // Rows and the current sub code belong to the master code shown before.
    m_currentSubCode = nullptr;
    m_subCodeList->DeleteAllItems();
    for (const auto& subCode : m_currentMasterCode->SubCodes())
        AppendSubCodeRow(*subCode);
    m_masterCode->setText(QString::number(m_currentMasterCode->MasterCode));
    m_function->setText(m_currentMasterCode->Function);
    m_leftName->setText(m_currentMasterCode->lDescribe);
    m_rightName->setText(m_currentMasterCode->rDescribe);
    m_codeNum->setText(QString::number(m_currentMasterCode->CodeNum));
    m_haveOrder->setChecked(m_currentMasterCode->HaveOrder);
    m_remark->setPlainText(m_currentMasterCode->Remark);
    if (QAbstractButton* type = m_valueType->button(m_currentMasterCode->ProType))
        type->setChecked(true);
    ShowValueFields();
}

void CModelConfigDlg::ShowValueFields() {
    const bool digitString = m_currentMasterCode->ProType == DigitString;
    m_subCodeCount->setEnabled(digitString);
    m_step->setEnabled(digitString);
    m_numericInitialValue->setVisible(digitString);
    m_textInitialValue->setVisible(!digitString);
    if (digitString) {
        m_step->clear();
        m_numericInitialValue->clear();
    } else {
        ShowSubCodeCount();
        m_step->setText(QStringLiteral("0"));
        m_textInitialValue->clear();
    }
}

void CModelConfigDlg::ShowSubCodeCount() {
    m_subCodeCount->setText(QString::number(m_currentMasterCode->SubCodes().size()));
}

void CModelConfigDlg::AppendMasterCodeRow(const MasterCodeItem& masterCode) {
    const int row = m_masterList->InsertItemToEnd(QString::number(masterCode.MasterCode));
    m_masterList->SetItemText(row, kMasterCodeFunction, masterCode.Function);
}

void CModelConfigDlg::AppendSubCodeRow(const SubCodeItem& subCode) {
    const MasterCodeItem& masterCode = *subCode.Owner();
    QString function = masterCode.lDescribe;
    if (masterCode.HaveOrder)
        function += QString::number(subCode.SubCode) + masterCode.rDescribe;
    const int row = m_subCodeList->InsertItemToEnd(QString::number(subCode.SubCode));
    m_subCodeList->SetItemText(row, kSubCodeFunction, function);
    m_subCodeList->SetItemText(row, kSubCodeDigits, QString::number(masterCode.CodeNum));
    if (!subCode.CodeValue.isEmpty())
        m_subCodeList->SetItemText(row, kSubCodeValue, subCode.CodeValue);
}

void CModelConfigDlg::ForgetMasterCode() {
    m_currentMasterCode = nullptr;
    m_currentSubCode = nullptr;
    m_subCodeList->DeleteAllItems();
}

void CModelConfigDlg::OnAddModel() {
    const QString name = m_modelName->text();
    const QString password = m_adminPassword->text();
    if (name.isEmpty() || password.isEmpty()) {
        m_prompter.inform(m_texts.text("PswEmpty"));
        return;
    }
    if (m_models.ModelNameExists(name)) {
        m_prompter.inform(m_texts.text("ExistTer"));
        return;
    }
    // Its TerID is chosen as it is written.
    auto model = std::make_unique<DeviceModel>();
    model->TerName = name;
    model->AdminPsw = password;
    DeviceModel* added = model.get();
    if (!TookChange(m_models.AddModel(std::move(model))))
        return;
    m_currentModel = added;
    m_changed = true;
    // One model per opening of the dialog.
    m_addModelButton->setEnabled(false);
}

void CModelConfigDlg::OnAddMasterCode() {
    if (m_currentModel == nullptr) {
        m_prompter.inform(m_texts.text("TerEmpty"));
        return;
    }
    // The right name may be empty: a function without a second part.
    const std::array<QString, 5> required = {m_masterCode->text(), m_leftName->text(), m_codeNum->text(),
                                             m_function->text(), m_remark->toPlainText()};
    if (std::any_of(required.begin(), required.end(), [](const QString& text) { return text.isEmpty(); })) {
        m_prompter.inform(m_texts.text("AllEmpty"));
        return;
    }
    const std::int32_t number = m_masterCode->text().toInt();
    if (DeviceModelList::MasterCodeExists(m_currentModel, number)) {
        m_prompter.inform(m_texts.text("ExistMCode"));
        return;
    }
    auto masterCode = std::make_unique<MasterCodeItem>();
    masterCode->MasterCode = number;
    masterCode->CodeNum = m_codeNum->text().toInt();
    masterCode->HaveOrder = m_haveOrder->isChecked();
    masterCode->ProType = m_valueType->checkedId();
    masterCode->Function = m_function->text();
    masterCode->lDescribe = m_leftName->text();
    masterCode->rDescribe = m_rightName->text();
    masterCode->Remark = m_remark->toPlainText();
    MasterCodeItem* added = masterCode.get();
    if (!TookChange(m_models.AddMasterCode(*m_currentModel, std::move(masterCode))))
        return;
    m_changed = true;
    m_currentMasterCode = added;
    AppendMasterCodeRow(*added);
    // Selecting the new row shows the new master code and its (empty) sub code list.
    m_masterList->selectRow(m_masterList->GetItemCount() - 1);
}

void CModelConfigDlg::OnDeleteMasterCode() {
    if (m_currentMasterCode == nullptr ||
        !m_prompter.confirm(m_texts.text("SureDel"), m_texts.text("Notify")))
        return;
    const RemoveResult result = m_models.RemoveMasterCode(m_currentMasterCode);
    if (result.index < 0 || !TookChange(result.save))
        return;
    // The master code and its sub codes are gone: nothing of them may stay shown or selectable. Without a
    // current row the list selects no other row in place of the removed one.
    ForgetMasterCode();
    m_masterList->selectionModel()->clear();
    m_masterList->removeRow(result.index);
    m_removedAny = true;
}

void CModelConfigDlg::OnAddSubCodes() {
    if (m_currentMasterCode == nullptr) {
        m_prompter.inform(m_texts.text("SelMCode"));
        return;
    }
    if (m_firstSubCode->text().isEmpty() || m_subCodeCount->text().isEmpty()) {
        m_prompter.inform(m_texts.text("SubEmpty"));
        return;
    }
    // A digit-string master code takes a run of rising values; the other types one value as typed.
    QStringList values;
    if (m_currentMasterCode->ProType == DigitString) {
        const int count = m_subCodeCount->text().toInt();
        if (count < 1)
            return;
        if (m_step->text().isEmpty() || m_numericInitialValue->text().isEmpty()) {
            m_prompter.inform(m_texts.text("SValueEmpty"));
            return;
        }
        std::optional<QStringList> run = RisingDigitValues(m_numericInitialValue->text(), m_step->text(),
                                                           count, m_currentMasterCode->CodeNum);
        if (!run) {
            m_prompter.inform(m_texts.text("PgNumErr"));
            return;
        }
        values = *run;
    } else if (m_textInitialValue->text().isEmpty()) {
        m_prompter.inform(m_texts.text("InitVEmpty"));
        return;
    } else {
        values.append(m_textInitialValue->text());
    }

    const int first = m_firstSubCode->text().toInt();
    std::vector<std::unique_ptr<SubCodeItem>> subCodes;
    for (const QString& value : values) {
        auto subCode = std::make_unique<SubCodeItem>();
        subCode->SubCode = first + static_cast<int>(subCodes.size());
        subCode->CodeValue = value;
        subCodes.push_back(std::move(subCode));
    }
    if (!TookChange(m_models.AddSubCodes(*m_currentMasterCode, std::move(subCodes))))
        return;
    m_changed = true;
    const auto& all = m_currentMasterCode->SubCodes();
    for (auto added = all.end() - values.size(); added != all.end(); ++added)
        AppendSubCodeRow(**added);
    if (m_currentMasterCode->ProType != DigitString)
        ShowSubCodeCount();
}

void CModelConfigDlg::OnDeleteSubCode() {
    if (m_currentSubCode == nullptr || !m_prompter.confirm(m_texts.text("SureDel"), m_texts.text("Notify")))
        return;
    const RemoveResult result = m_models.RemoveSubCode(m_currentSubCode);
    if (result.index < 0 || !TookChange(result.save))
        return;
    m_currentSubCode = nullptr;
    m_subCodeList->selectionModel()->clear();
    m_subCodeList->removeRow(result.index);
    m_removedAny = true;
    if (m_currentMasterCode->ProType != DigitString)
        ShowSubCodeCount();
}

void CModelConfigDlg::OnMasterCodeSelected() {
    const int row = m_masterList->GetFirstSelectedRow();
    if (row < 0 || m_currentModel == nullptr)
        return;
    m_currentMasterCode = m_currentModel->MasterCodes().at(static_cast<std::size_t>(row)).get();
    ShowMasterCode();
}

void CModelConfigDlg::OnSubCodeSelected() {
    const int row = m_subCodeList->GetFirstSelectedRow();
    if (row < 0 || m_currentMasterCode == nullptr)
        return;
    m_currentSubCode = m_currentMasterCode->SubCodes().at(static_cast<std::size_t>(row)).get();
    m_firstSubCode->setText(QString::number(m_currentSubCode->SubCode));
    QLineEdit* value =
        m_currentMasterCode->ProType == DigitString ? m_numericInitialValue : m_textInitialValue;
    value->setText(m_currentSubCode->CodeValue);
}
