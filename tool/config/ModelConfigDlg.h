#pragma once

#include "config/ModelDialogRunner.h"
#include "forms/Captions.h"
#include "language/TextTable.h"

#include <QDialog>

class CGridmara;
class DeviceModel;
class DeviceModelList;
class MasterCodeItem;
class Prompter;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class SubCodeItem;
class ValidatedPlainTextEdit;
struct SaveResult;

// The device model dialog, opened modally by the programming page: in add mode to create one device
// model and give it master codes and sub codes, in edit mode to add and remove master codes and sub codes
// of the page's model. Every change goes to the tool database and the model tree at once, and the lists
// show it only once the database has taken it; there is no save step. Its texts come from table
// tb_Configure of the language database.
class CModelConfigDlg : public QDialog {
    Q_OBJECT
public:
    using Mode = ModelDialogRunner::Mode;

    // `current` is the model to edit in edit mode; add mode starts without a model.
    CModelConfigDlg(Prompter& prompter, DeviceModelList& models, QString languageDatabasePath, Mode mode,
                    DeviceModel* current, QWidget* parent = nullptr);

    // The model the dialog works on: in add mode the one it added, or null.
    DeviceModel* CurrentModel() const { return m_currentModel; }
    // Whether it removed master codes or sub codes, which alone do not make its result OK.
    bool RemovedAny() const { return m_removedAny; }

    // The Enter key never ends the dialog.
    void accept() override {}
    // The Escape key and the close box: OK when something was added, Cancel otherwise.
    void reject() override;

private:
    void BuildControls();
    QLayout* BuildModelRow();
    QGroupBox* BuildMasterCodeGroup();
    QGroupBox* BuildValueTypeGroup(QWidget* parent);
    QGroupBox* BuildMasterListGroup();
    QGroupBox* BuildSubCodeGroup();
    void SetUpLists();

    // True when the database and the tree took the change. A database that cannot be opened has been
    // reported already; a refused change is reported here with the database's reason.
    bool TookChange(const SaveResult& result);

    void ShowModel();
    void ShowMasterCode();
    // A digit-string master code takes a run of numbered values; the other types one text value at a time.
    void ShowValueFields();
    void ShowSubCodeCount();
    void AppendMasterCodeRow(const MasterCodeItem& masterCode);
    void AppendSubCodeRow(const SubCodeItem& subCode);
    void ForgetMasterCode();

    void OnAddModel();
    void OnAddMasterCode();
    void OnDeleteMasterCode();
    void OnAddSubCodes();
    void OnDeleteSubCode();
    void OnMasterCodeSelected();
    void OnSubCodeSelected();

    Prompter& m_prompter;
    DeviceModelList& m_models;
    const QString m_languageDatabasePath;
    // Set by every addition: the dialog then ends with OK.
    bool m_changed = false;
    bool m_removedAny = false;
    DeviceModel* m_currentModel = nullptr;
    MasterCodeItem* m_currentMasterCode = nullptr;
    SubCodeItem* m_currentSubCode = nullptr;
    // The message texts and column titles: from the table, else the Chinese fallbacks.
    TextTable m_texts = TextTable::chinese(kConfigureTable);
    Captions m_captions;

    QLineEdit* m_modelName = nullptr;
    QLineEdit* m_adminPassword = nullptr;
    QPushButton* m_addModelButton = nullptr;
    QLineEdit* m_masterCode = nullptr;
    QLineEdit* m_codeNum = nullptr;
    QLineEdit* m_function = nullptr;
    QCheckBox* m_haveOrder = nullptr;
    QLineEdit* m_leftName = nullptr;
    QLineEdit* m_rightName = nullptr;
    QButtonGroup* m_valueType = nullptr;
    ValidatedPlainTextEdit* m_remark = nullptr;
    CGridmara* m_masterList = nullptr;
    CGridmara* m_subCodeList = nullptr;
    QLineEdit* m_firstSubCode = nullptr;
    QLineEdit* m_subCodeCount = nullptr;
    QLineEdit* m_step = nullptr;
    QLineEdit* m_numericInitialValue = nullptr;
    QLineEdit* m_textInitialValue = nullptr;
};
