#pragma once

#include "basectrl/CommandExports.h"
#include "forms/Captions.h"
#include "language/TextTable.h"
#include "terminals/OstrelSession.h"
#include "terminals/TerminalEntry.h"

#include <QWidget>
#include <functional>
#include <optional>

class Prompter;
class QButtonGroup;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;

// The base control page: the everyday commands to the terminal selected in the main window. Each group
// of controls has its own send button, which checks the group's inputs, tells the user about the first
// problem, and otherwise queues one Ostrel command (or one per output) for the selected terminal. The
// page never waits for the terminal. Its texts come from table tb_Control of the language database.
class CBaseCtrlPage : public QWidget {
    Q_OBJECT
public:
    // Commands go through the context `session` runs. `selectedTerminal` gives the terminal of the main
    // window's selected row, or null when no row is selected; the entry is read at once and not kept.
    // Without it (no main window) the buttons do nothing.
    CBaseCtrlPage(Prompter& prompter, QString languageDatabasePath, const OstrelSession& session,
                  std::function<const TerminalEntry*()> selectedTerminal, QWidget* parent = nullptr);
    // The same page sending through `commands` instead of Ostrel's exports.
    CBaseCtrlPage(Prompter& prompter, QString languageDatabasePath, const OstrelSession& session,
                  std::function<const TerminalEntry*()> selectedTerminal, CommandExports& commands,
                  QWidget* parent = nullptr);

    // The address of the terminal selected in the main window, or the empty text.
    void SetCurrentAddress(const QString& addressText);

private:
    void BuildControls();
    QGroupBox* BuildLayCtrlGroup();
    QGroupBox* BuildBuzzerGroup();
    QGroupBox* BuildLedGroup();
    QGroupBox* BuildNotesGroup();
    QGroupBox* BuildOutputGroup();
    QGroupBox* BuildTimeGroup();
    QGroupBox* BuildNameGroup();
    QPushButton* MakeSendButton(QWidget* parent, const char* objectName, void (CBaseCtrlPage::*handler)());
    void FillLists();

    // The terminal to send to: none when communication is stopped or the page has no main window (both
    // silently), or when no terminal is selected (after telling the user).
    std::optional<CommandTarget> SelectedTarget();

    void OnSendLayCtrl();
    void OnSendBuzzer();
    void OnSendLed();
    void OnSendNotes();
    void OnSendOutput();
    void OnSendTime();
    void OnSendName();

    Prompter& m_prompter;
    const QString m_languageDatabasePath;
    const OstrelSession& m_session;
    const std::function<const TerminalEntry*()> m_selectedTerminal;
    CommandExports& m_commands;
    // The message texts and list entries: from the table, else the Chinese fallbacks.
    TextTable m_texts = TextTable::chinese(kControlTable);
    Captions m_captions;

    QLineEdit* m_currentAddress = nullptr;
    QButtonGroup* m_armAction = nullptr;
    QComboBox* m_zoneList = nullptr;
    QLineEdit* m_armPassword = nullptr;
    QLineEdit* m_soundingTime = nullptr;
    QLineEdit* m_pauseTime = nullptr;
    QLineEdit* m_totalTime = nullptr;
    QButtonGroup* m_ledAction = nullptr;
    QLineEdit* m_ledContent = nullptr;
    QLineEdit* m_messageContent = nullptr;
    QButtonGroup* m_outputKind = nullptr;
    QButtonGroup* m_outputState = nullptr;
    QLineEdit* m_startNumber = nullptr;
    QLineEdit* m_outputCount = nullptr;
    QDateEdit* m_date = nullptr;
    QTimeEdit* m_time = nullptr;
    QComboBox* m_nameTarget = nullptr;
    QLabel* m_namePasswordLabel = nullptr;
    QLineEdit* m_namePassword = nullptr;
    QLineEdit* m_name = nullptr;
};
