#pragma once

#include "forms/Captions.h"
#include "language/TextTable.h"
#include "voice/PromptTransfer.h"

#include <QString>
#include <QWidget>
#include <functional>

class CGridmara;
class CLcCombox;
class Prompter;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QModelIndex;
class QPushButton;
class QTimer;
class SoundDevice;

// Asks the user for a voice file to import: its path, or empty when the user cancelled.
QString ChooseWaveFileToImport();

// The voice page: the terminal's voice prompt slots with the file assigned to each, the voice files of
// Wave/ (imported, recorded, played for a test, deleted), and the transfer of the assigned prompts to the
// terminal by sound. The assignments are kept in the list and written to the tool database by the close
// hook. Its texts come from table tb_Voice of the language database.
class CVoicePage : public QWidget, private PromptSlotSource {
    Q_OBJECT
public:
    // `languageFlag` chooses the slots' language: 0 Chinese, 1 English, any other value none.
    // `chooseImportFile` asks for the file to import. Without `readToolDatabase` the page lists no slots:
    // the main window has found the tool database unusable and told the user so once.
    CVoicePage(Prompter& prompter, QString languageDatabasePath, int languageFlag, SoundDevice& sound,
               std::function<QString()> chooseImportFile = ChooseWaveFileToImport, QWidget* parent = nullptr,
               bool readToolDatabase = true);

    // The close hook of the main window's close sequence: ends a transfer, saves a recording that runs,
    // writes the assignments to the tool database when `saveAssignments` and lets the sound devices go.
    void OnClose(bool saveAssignments);

private:
    void BuildControls();
    QGroupBox* BuildSlotGroup();
    QGroupBox* BuildWaveGroup();
    QGroupBox* BuildAdvancedGroup();
    void LoadTexts();
    void SetUpSlotList();
    void LoadSlots();
    // Lists the files of Wave/ in the list box and the slots' drop-down.
    void FillWaveLists();

    void AddWaveName(const QString& name);
    void RemoveWaveName(int index);
    // The row of the wave file list that holds `fileName` in any letter case, or -1.
    int WaveNameRow(const QString& fileName) const;
    // The new file name with ".wav" added when it has none.
    QString NewFileName() const;
    bool IsAssigned(const QString& name) const;
    void SetTransferButtonsEnabled(bool enabled);
    void ShowPlayStopped();

    void OnImport();
    void OnRecord();
    void StopRecordingAndSave();
    void OnTestPlay();
    void OnDelete();
    void OnSlotDoubleClicked(const QModelIndex& index);
    void OnWrite();
    void OnTransferStep();
    void EndTransfer();

    int SlotCount() const override;
    PromptSlot SlotAt(int row) const override;
    std::vector<PromptSlot> CurrentSlots() const;

    Prompter& m_prompter;
    const QString m_languageDatabasePath;
    const int m_languageFlag;
    SoundDevice& m_sound;
    const std::function<QString()> m_chooseImportFile;
    // The message texts and column titles: from the table, else the Chinese fallbacks.
    TextTable m_texts = TextTable::chinese(kVoiceTable);
    Captions m_captions;
    // The caption of the confirmations: the fallback texts have one, the table none.
    QString m_confirmCaption;

    bool m_recording = false;
    bool m_playing = false;
    PromptTransfer m_transfer;
    PromptTransfer::Step m_nextStep = PromptTransfer::FirstOpeningTone;
    // One shot: ends a recording after the record time.
    QTimer* m_recordTimer = nullptr;
    // One shot: runs the transfer's next step.
    QTimer* m_transferTimer = nullptr;

    CGridmara* m_slotList = nullptr;
    // The assignments as the tool database gave them, to tell whether closing would lose a change.
    std::vector<PromptSlot> m_slotsAsLoaded;
    CLcCombox* m_waveBox = nullptr;
    QListWidget* m_waveList = nullptr;
    QPushButton* m_testPlayButton = nullptr;
    QPushButton* m_importButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QLineEdit* m_newName = nullptr;
    QPushButton* m_recordButton = nullptr;
    QCheckBox* m_timeLimit = nullptr;
    QLineEdit* m_recordTime = nullptr;
    QPushButton* m_writeButton = nullptr;
};
