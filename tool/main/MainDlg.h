#pragma once

#include "activity/ActivityLog.h"
#include "activity/ActivityRecordingExports.h"
#include "forms/Captions.h"
#include "language/LanguageSettings.h"
#include "language/TextTable.h"
#include "model/DeviceModelList.h"
#include "terminals/OstrelSession.h"
#include "terminals/TerminalTableModel.h"

#include <QCoreApplication>
#include <QDialog>
#include <QSortFilterProxyModel>
#include <memory>

class ActivityPane;
class CBaseCtrlPage;
class CGridmaraView;
class CommandFailureLine;
class CPageTabCtrl;
class CProgramPage;
class CVoicePage;
class ModelDialogRunner;
class Prompter;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class SoundDevice;

// The tool's only top-level window: terminals and ports on the left, the three pages on the right, the
// language choice above them and the activity of the commands they sent below them. Its texts come from
// table tb_QvTools of the language database.
class CMainDlg : public QDialog {
    Q_OBJECT
public:
    // `programPath` is the program that Restart starts again: this one.
    explicit CMainDlg(Prompter& prompter, QString programPath = QCoreApplication::applicationFilePath());
    ~CMainDlg() override;

    // The language radio button that is selected.
    LanguageSettings::Language RadioChoice() const;

    // The device models of the tool database, loaded at start and freed when the window closes.
    DeviceModelList& Models() { return m_models; }

    // Replaces the tool database by the shipped defaults and restarts the tool, which loads them. When the
    // defaults cannot take the tool database's place, the user has been told and nothing else happens.
    void ResetToDefaults();

    // The terminals in the order they became known, whatever order the list shows them in; the pages
    // address their commands with them.
    const TerminalList& Terminals() const { return m_terminalModel.Terminals(); }
    // The index in Terminals() of the selected terminal, or -1 when none is selected.
    int SelectedTerminalIndex() const;

    // The entry of the selected row, or null.
    const TerminalEntry* SelectedTerminal() const;

    // Communication: the running Ostrel context and its terminal events.
    OstrelSession& Session() { return m_session; }

    // The Enter key never ends the tool.
    void accept() override {}
    // The close sequence, run by the Escape key, the close box, Restart and the reset to defaults.
    void reject() override;

private:
    void BuildControls();
    QGroupBox* BuildTerminalGroup();
    QGroupBox* BuildMonitorGroup();
    void SetUpTerminalList();
    // Tells the user, once, what is wrong with the tool database, if anything.
    void TellToolDatabaseLoad(const ToolDatabaseLoad& load);
    // Without `readToolDatabase` the pages leave the tool database alone: it could not be opened.
    void CreatePages(bool readToolDatabase);
    void OnRestart();
    void OnAbout();
    void OnAddPort();
    void OnDeletePort();
    void OnStart();
    void OnStop();
    void OnAddTerminal();
    void OnDeleteTerminal();
    void OnSelectionChanged();
    void ShowPortsRunning(bool running);
    void OnTerminalsChanged(const std::vector<TerminalChange>& changes);
    void OnConnectionLost();
    // The ports as the user added them, without their states.
    QStringList PortTexts() const;
    // The list's entry of a port number, or null.
    QListWidgetItem* PortItem(int port) const;
    void ShowPortLine(int port, OstrelSession::LineState state);
    // The entries as they are while communication is stopped: the numbers alone.
    void ForgetPortLines();

    Prompter& m_prompter;
    const QString m_programPath;
    LanguageSettings m_language;
    DeviceModelList m_models{m_prompter};
    // The texts of messages, column and tab titles and states: from the table, else the Chinese fallbacks.
    TextTable m_texts = TextTable::chinese(kQvToolsTable);
    Captions m_captions;
    // Set when the closing window must start a new instance of the tool; never cleared.
    bool m_restartFlag = false;
    // Set once the shipped defaults have replaced the tool database.
    bool m_toolDatabaseReplaced = false;
    TerminalTableModel m_terminalModel;
    // Sorts and filters the terminals for the list.
    QSortFilterProxyModel m_terminalView;
    OstrelSession m_session;
    // Every command the pages sent and what became of it; the pages send through the recorder.
    ActivityLog m_activity;
    ActivityRecordingExports m_recordingExports;
    // The computer's sound, for the voice page.
    SoundDevice* m_sound;
    // How the programming page opens the device model dialog.
    std::unique_ptr<ModelDialogRunner> m_modelDialog;

    CGridmaraView* m_terminalList = nullptr;
    CommandFailureLine* m_commandFailures = nullptr;
    QLineEdit* m_terminalFilter = nullptr;
    QLineEdit* m_newTerminalAddress = nullptr;
    QListWidget* m_portList = nullptr;
    QLineEdit* m_newPort = nullptr;
    QPushButton* m_addPortButton = nullptr;
    QPushButton* m_deletePortButton = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    CPageTabCtrl* m_pageTab = nullptr;
    ActivityPane* m_activityPane = nullptr;
    CBaseCtrlPage* m_baseCtrlPage = nullptr;
    CProgramPage* m_programPage = nullptr;
    CVoicePage* m_voicePage = nullptr;
    QRadioButton* m_chineseRadio = nullptr;
    QRadioButton* m_englishRadio = nullptr;
    QPushButton* m_restartButton = nullptr;
};
