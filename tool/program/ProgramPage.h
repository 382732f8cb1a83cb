#pragma once

#include "basectrl/CommandExports.h"
#include "forms/Captions.h"
#include "language/TextTable.h"
#include "model/DeviceModelList.h"
#include "program/ProgrammingRun.h"
#include "terminals/OstrelSession.h"
#include "terminals/TerminalEntry.h"

#include <QWidget>
#include <functional>
#include <span>

class CGridmara;
class ModelDialogRunner;
class Prompter;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The programming page: the device models of the tool database with their master codes, the sub codes of
// the chosen master code and their programming values. Values are changed one row or a rising run of rows
// at a time and saved at once; they are sent to the terminal selected in the main window, one programming
// command per sub code, for a sub code, a master code or the whole device model. A send is over when every
// frame it queued has its outcome from the session (or the session stopped); the page then tells how many
// were answered and which were not. Its texts come from table tb_Program of the language database.
class CProgramPage : public QWidget {
    Q_OBJECT
public:
    // `models` is the main window's tree, which the page changes only through its operations. Commands go
    // through the context `session` runs, whose outcomes end each send. `selectedTerminal` gives the terminal
    // of the main window's selected row, or null; without it (no main window) Send does nothing.
    // `resetToDefaults` replaces the tool database by the shipped defaults and restarts the tool.
    CProgramPage(Prompter& prompter, QString languageDatabasePath, DeviceModelList& models,
                 const OstrelSession& session, std::function<const TerminalEntry*()> selectedTerminal,
                 CommandExports& commands, ModelDialogRunner& modelDialog,
                 std::function<void()> resetToDefaults, QWidget* parent = nullptr);

private:
    void BuildControls();
    QLayout* BuildModelRow();
    QGroupBox* BuildMasterCodeGroup();
    QGroupBox* BuildSubCodeGroup();
    QGroupBox* BuildValueGroup();
    QGroupBox* BuildSendGroup();
    void SetUpSubCodeList();

    void FillModelBox();
    void ShowModel(DeviceModel& model);
    void ShowMasterCode(MasterCodeItem& masterCode);
    void SelectLastMasterCodeEntry();
    void ForgetMasterCode();
    void ForgetModel();
    void SelectRow(int row);
    // Writes the values and, once saved, shows them in their rows; false when they were not saved.
    bool SaveValues(std::span<const ValueChange> changes, int firstRow);
    // False after telling the user why the database did not take a change.
    bool TookChange(const SaveResult& result);
    void ShowValueType(int valueType);
    QString NotQueuedText(int refused) const;

    void OnModelSelected(int index);
    void OnMasterCodeSelected(int index);
    void OnRowSelected();
    void OnAddModel();
    void OnEditModel();
    void OnDeleteModel();
    void OnUseDefault();
    void OnModify();
    void ModifyDigitStringRun(int rowCount);
    void ModifyTextValue(int rowCount);
    void OnSend();
    // Queues one programming command per sub code into a new run.
    void SendSubCodes(const CommandTarget& target, std::span<const SubCodeItem* const> subCodes);
    void OnFramesSettled(const std::vector<OstrelOutcome>& outcomes);
    void OnSessionStopped();
    // Tells how the run went and lets Send be pressed again.
    void FinishRun();

    Prompter& m_prompter;
    const QString m_languageDatabasePath;
    DeviceModelList& m_models;
    const OstrelSession& m_session;
    const std::function<const TerminalEntry*()> m_selectedTerminal;
    CommandExports& m_commands;
    ModelDialogRunner& m_modelDialog;
    const std::function<void()> m_resetToDefaults;
    // The message texts and column titles: from the table, else the Chinese fallbacks.
    TextTable m_texts = TextTable::chinese(kProgramTable);
    Captions m_captions;

    // The model and master code the page works on; the list shows the sub codes of the master code,
    // which may belong to a model chosen before the current one.
    DeviceModel* m_currentModel = nullptr;
    MasterCodeItem* m_currentMasterCode = nullptr;
    // The last send's frames; while some still wait for their outcome, Send waits for them.
    ProgrammingRun m_run;

    QComboBox* m_modelBox = nullptr;
    QLineEdit* m_password = nullptr;
    QComboBox* m_masterCodeBox = nullptr;
    QLineEdit* m_masterCodeNumber = nullptr;
    QPlainTextEdit* m_remark = nullptr;
    CGridmara* m_subCodeList = nullptr;
    QButtonGroup* m_valueType = nullptr;
    QLineEdit* m_initialLine = nullptr;
    QLineEdit* m_lineCount = nullptr;
    QLineEdit* m_step = nullptr;
    QLineEdit* m_numericInitialValue = nullptr;
    QLineEdit* m_textInitialValue = nullptr;
    QButtonGroup* m_sendScope = nullptr;
    QPushButton* m_sendButton = nullptr;
};
