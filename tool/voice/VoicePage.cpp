#include "voice/VoicePage.h"

#include "forms/CaptionedControls.h"
#include "forms/InputBoxes.h"
#include "forms/ListLook.h"
#include "gridmara/CGridmara.h"
#include "gridmara/CLcCombox.h"
#include "prompt/Prompter.h"
#include "voice/PromptSlotTable.h"
#include "voice/SoundDevice.h"
#include "voice/WaveFolder.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kNewNameLimit = 16;
constexpr int kRecordTimeLimit = 6;
enum SlotColumn { kTypeColumn, kWaveNameColumn, kRemarkColumn, kOrderColumn };
constexpr int kAlignLeft = 0;
constexpr char kFileExtension[] = ".wav";
// Where a recording is saved before it is copied into Wave/; left in place, as the next one replaces it.
constexpr char kRecordingFile[] = "a";
// Shown when a file cannot be played for a test; not one of the page's texts.
constexpr char kCannotPlay[] = "error no wave";
constexpr char kFallbackConfirmCaption[] = "系统提示";

// File names stay inside Wave/: no folder separators.
QValidator* MakeFileNameValidator(QObject* parent) {
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^/\\\\]*")), parent);
}

QString JoinedOrders(const std::vector<int>& orders) {
    QStringList texts;
    for (int order : orders)
        texts << QString::number(order);
    return texts.join(QLatin1String(", "));
}

} // namespace

QString ChooseWaveFileToImport() {
    return QFileDialog::getOpenFileName(nullptr, QString(), QString(), QStringLiteral("wav (*.wav)"));
}

CVoicePage::CVoicePage(Prompter& prompter, QString languageDatabasePath, int languageFlag, SoundDevice& sound,
                       std::function<QString()> chooseImportFile, QWidget* parent, bool readToolDatabase)
    : QWidget(parent), m_prompter(prompter), m_languageDatabasePath(std::move(languageDatabasePath)),
      m_languageFlag(languageFlag), m_sound(sound), m_chooseImportFile(std::move(chooseImportFile)),
      m_transfer(sound), m_recordTimer(new QTimer(this)), m_transferTimer(new QTimer(this)) {
    m_recordTimer->setObjectName(QStringLiteral("recordTimer"));
    m_recordTimer->setSingleShot(true);
    // A recording is never cut short of its time.
    m_recordTimer->setTimerType(Qt::PreciseTimer);
    connect(m_recordTimer, &QTimer::timeout, this, &CVoicePage::StopRecordingAndSave);
    m_transferTimer->setObjectName(QStringLiteral("transferTimer"));
    m_transferTimer->setSingleShot(true);
    // The terminal times the tones: never sooner than asked.
    m_transferTimer->setTimerType(Qt::PreciseTimer);
    connect(m_transferTimer, &QTimer::timeout, this, &CVoicePage::OnTransferStep);
    connect(&m_sound, &SoundDevice::TestPlaybackStopped, this, &CVoicePage::ShowPlayStopped);

    BuildControls();
    LoadTexts();
    SetUpSlotList();
    if (readToolDatabase)
        LoadSlots();
    FillWaveLists();
}

// The slots on the left; the voice files, their recording and the transfer on the right.
void CVoicePage::BuildControls() {
    m_writeButton = MakeButton(m_captions, this, "BtSend", "writeButton", this, &CVoicePage::OnWrite);
    auto* right = new QVBoxLayout;
    right->addWidget(BuildWaveGroup(), 1);
    right->addWidget(BuildAdvancedGroup());
    right->addWidget(m_writeButton);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(BuildSlotGroup(), 1);
    layout->addLayout(right);
}

QGroupBox* CVoicePage::BuildSlotGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "ConfList", "slotGroup");
    m_slotList = new CGridmara(group);
    m_slotList->setObjectName(QStringLiteral("slotList"));
    m_waveBox = new CLcCombox(group);
    m_waveBox->setObjectName(QStringLiteral("waveBox"));
    connect(m_slotList, &QAbstractItemView::doubleClicked, this, &CVoicePage::OnSlotDoubleClicked);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(m_slotList);
    return group;
}

QGroupBox* CVoicePage::BuildWaveGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "WavList", "waveGroup");
    m_waveList = new QListWidget(group);
    m_waveList->setObjectName(QStringLiteral("waveList"));
    m_testPlayButton =
        MakeButton(m_captions, group, "TestPlay", "testPlayButton", this, &CVoicePage::OnTestPlay);
    m_importButton = MakeButton(m_captions, group, "LoadWav", "importButton", this, &CVoicePage::OnImport);
    m_deleteButton = MakeButton(m_captions, group, "DelWav", "deleteButton", this, &CVoicePage::OnDelete);
    m_newName = new QLineEdit(group);
    m_newName->setObjectName(QStringLiteral("newName"));
    m_newName->setMaxLength(kNewNameLimit);
    m_newName->setValidator(MakeFileNameValidator(m_newName));
    m_recordButton = MakeButton(m_captions, group, "RecordWav", "recordButton", this, &CVoicePage::OnRecord);

    auto* layout = new QGridLayout(group);
    layout->addWidget(m_waveList, 0, 0, 1, 3);
    layout->addWidget(m_testPlayButton, 1, 0);
    layout->addWidget(m_importButton, 1, 1);
    layout->addWidget(m_deleteButton, 1, 2);
    layout->addWidget(MakeLabel(m_captions, group, "NewWavName"), 2, 0, 1, 3);
    layout->addWidget(m_newName, 3, 0, 1, 2);
    layout->addWidget(m_recordButton, 3, 2);
    return group;
}

QGroupBox* CVoicePage::BuildAdvancedGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "AdvancedConf", "advancedGroup");
    m_timeLimit = new QCheckBox(group);
    m_timeLimit->setObjectName(QStringLiteral("timeLimit"));
    m_captions.add("UseTimer", m_timeLimit);
    m_recordTime = MakeDigitsBox(group, "recordTime", kRecordTimeLimit);
    auto* layout = new QGridLayout(group);
    layout->addWidget(m_timeLimit, 0, 0, 1, 3);
    layout->addWidget(MakeLabel(m_captions, group, "RecordTime"), 1, 0);
    layout->addWidget(m_recordTime, 1, 1);
    layout->addWidget(MakeLabel(m_captions, group, "TimeUnit"), 1, 2);
    return group;
}

void CVoicePage::LoadTexts() {
    const Captions::Loaded loaded = m_captions.load(m_languageDatabasePath, kVoiceTable, m_prompter);
    m_texts = loaded.texts;
    if (!loaded.fromDatabase)
        m_confirmCaption = QString::fromUtf8(kFallbackConfirmCaption);
}

void CVoicePage::SetUpSlotList() {
    SetUpList(*m_slotList);
    m_slotList->InsertColumn(kTypeColumn, m_texts.text("WavType"), kAlignLeft, 80);
    m_slotList->InsertColumn(kWaveNameColumn, m_texts.text("WavName"), kAlignLeft, 120);
    m_slotList->InsertColumn(kRemarkColumn, m_texts.text("WavRemark"), kAlignLeft, 150);
    m_slotList->InsertColumn(kOrderColumn, m_texts.text("WavNumber"), kAlignLeft, 0);
    m_slotList->SetColColor(kTypeColumn, QColor(196, 196, 255));
    m_slotList->SetColColor(kWaveNameColumn, QColor(185, 255, 185));
    m_slotList->SetColTextColor(kWaveNameColumn, QColor(0, 64, 128));
    m_slotList->SetColColor(kRemarkColumn, QColor(196, 196, 255));
    m_slotList->SetColColor(kOrderColumn, QColor(196, 196, 255));
    m_slotList->UnionLcCtrls(m_waveBox, EditTypeCombox, kWaveNameColumn);
    FitWidthToColumns(*m_slotList);
}

void CVoicePage::LoadSlots() {
    const std::vector<PromptSlotRow> promptSlots = LoadPromptSlots(m_languageFlag, m_prompter);
    if (promptSlots.empty())
        return;
    m_slotList->DeleteAllItems();
    for (const PromptSlotRow& slot : promptSlots) {
        const int row = m_slotList->InsertItemToEnd(slot.type);
        if (!slot.waveName.isEmpty())
            m_slotList->SetItemText(row, kWaveNameColumn, slot.waveName);
        if (!slot.remark.isEmpty())
            m_slotList->SetItemText(row, kRemarkColumn, slot.remark);
        m_slotList->SetItemText(row, kOrderColumn, QString::number(slot.order));
    }
    m_slotsAsLoaded = CurrentSlots();
}

void CVoicePage::FillWaveLists() {
    for (const QString& name : ListWaveFiles())
        AddWaveName(name);
}

void CVoicePage::AddWaveName(const QString& name) {
    m_waveList->addItem(name);
    m_waveBox->addItem(name);
}

void CVoicePage::RemoveWaveName(int index) {
    delete m_waveList->takeItem(index);
    m_waveBox->removeItem(index);
}

int CVoicePage::WaveNameRow(const QString& fileName) const {
    for (int row = 0; row < m_waveList->count(); ++row) {
        if (m_waveList->item(row)->text().compare(fileName, Qt::CaseInsensitive) == 0)
            return row;
    }
    return -1;
}

QString CVoicePage::NewFileName() const {
    const QString name = m_newName->text();
    return name.contains(QLatin1String(kFileExtension)) ? name : name + QLatin1String(kFileExtension);
}

bool CVoicePage::IsAssigned(const QString& name) const {
    for (int row = 0; row < m_slotList->GetItemCount(); ++row) {
        if (m_slotList->GetItemText(row, kWaveNameColumn) == name)
            return true;
    }
    return false;
}

void CVoicePage::SetTransferButtonsEnabled(bool enabled) {
    for (QPushButton* button :
         {m_testPlayButton, m_importButton, m_deleteButton, m_recordButton, m_writeButton})
        button->setEnabled(enabled);
}

void CVoicePage::ShowPlayStopped() {
    m_playing = false;
    m_testPlayButton->setText(m_texts.text("StartPlay"));
}

void CVoicePage::OnImport() {
    const QString source = m_chooseImportFile();
    if (source.isEmpty())
        return;
    const QString name = QFileInfo(source).fileName();
    const int existing = WaveNameRow(name);
    if (existing >= 0) {
        if (!m_prompter.confirm(m_texts.text("ExistWavFile"), m_confirmCaption))
            return;
        // The very file already stands in Wave/: there is nothing to replace it with.
        if (IsWaveFile(source, m_waveList->item(existing)->text()))
            return;
    }
    QString error;
    if (!CopyIntoWaveFolder(source, name, existing >= 0, error)) {
        m_prompter.inform(m_texts.text("CopyFailed") + error);
        return;
    }
    if (existing >= 0) {
        // A name in another letter case is another file here: it goes, as the list no longer shows it.
        const QString replaced = m_waveList->item(existing)->text();
        if (replaced != name && !DeleteWaveFile(replaced, error))
            m_prompter.inform(m_texts.text("DelFailed") + error);
        RemoveWaveName(existing);
    }
    AddWaveName(name);
    m_waveList->setCurrentRow(m_waveList->count() - 1);
}

void CVoicePage::OnRecord() {
    if (m_recording) {
        StopRecordingAndSave();
        return;
    }
    if (m_newName->text().isEmpty()) {
        m_prompter.inform(m_texts.text("NameEmpty"));
        return;
    }
    if (WaveNameRow(NewFileName()) >= 0) {
        m_prompter.inform(m_texts.text("ExistFile"));
        return;
    }
    if (m_timeLimit->isChecked() && m_recordTime->text().isEmpty()) {
        m_prompter.inform(m_texts.text("TimeEmpty"));
        return;
    }
    if (m_playing) {
        ShowPlayStopped();
        m_sound.StopTestPlayback();
    }
    if (!m_sound.CanRecord() || !m_sound.StartRecording()) {
        m_prompter.inform(m_texts.text("CantRecord"));
        return;
    }
    m_recording = true;
    m_newName->setEnabled(false);
    m_testPlayButton->setEnabled(false);
    m_recordButton->setText(m_texts.text("StopRecord"));
    if (m_timeLimit->isChecked())
        m_recordTimer->start(m_recordTime->text().toInt());
}

void CVoicePage::StopRecordingAndSave() {
    m_recordTimer->stop();
    m_recordButton->setText(m_texts.text("StartRecord"));
    m_recording = false;
    m_sound.StopRecording();
    if (m_newName->text().isEmpty())
        return;
    // Whatever becomes of the recording, the page is ready for the next one.
    m_newName->setEnabled(true);
    m_testPlayButton->setEnabled(true);
    QString error;
    if (!m_sound.CanSave() || !m_sound.SaveRecording(QLatin1String(kRecordingFile), error)) {
        m_prompter.inform(error.isEmpty() ? m_texts.text("CantSave")
                                          : m_texts.text("CantSave") + u'\n' + error);
        return;
    }
    const QString fileName = NewFileName();
    if (!CopyIntoWaveFolder(QLatin1String(kRecordingFile), fileName, true, error)) {
        m_prompter.inform(m_texts.text("CopyFailed") + error);
        return;
    }
    if (WaveNameRow(fileName) < 0)
        AddWaveName(fileName);
    m_waveList->setCurrentRow(WaveNameRow(fileName));
}

void CVoicePage::OnTestPlay() {
    if (m_playing) {
        m_sound.StopTestPlayback();
        return;
    }
    const QListWidgetItem* selected = m_waveList->currentItem();
    if (selected == nullptr || !selected->isSelected()) {
        m_prompter.inform(m_texts.text("SelWav"));
        return;
    }
    if (!m_sound.StartTestPlayback(QFileInfo(WaveFilePath(selected->text())).absoluteFilePath())) {
        m_prompter.inform(QLatin1String(kCannotPlay));
        return;
    }
    m_playing = true;
    m_testPlayButton->setText(m_texts.text("StopPlay"));
}

void CVoicePage::OnDelete() {
    const QListWidgetItem* selected = m_waveList->currentItem();
    if (selected == nullptr || !selected->isSelected())
        return;
    const QString name = selected->text();
    if (IsAssigned(name)) {
        m_prompter.inform(m_texts.text("CantDel"));
        return;
    }
    if (!m_prompter.confirm(m_texts.text("SureDel"), m_confirmCaption))
        return;
    QString error;
    if (!DeleteWaveFile(name, error)) {
        m_prompter.inform(m_texts.text("DelFailed") + error);
        return;
    }
    RemoveWaveName(m_waveList->row(selected));
}

void CVoicePage::OnSlotDoubleClicked(const QModelIndex& index) {
    m_slotList->OpenEditMode(index);
}

void CVoicePage::OnWrite() {
    if (!m_prompter.confirm(m_texts.text("SureWrite"), m_confirmCaption))
        return;
    if (m_recording)
        StopRecordingAndSave();
    if (m_playing)
        m_sound.StopTestPlayback();
    // A broken sequence would teach the terminal wrong prompts: nothing is sent unless all of it can be.
    if (!m_sound.CanPlay()) {
        m_prompter.inform(m_texts.text("NoSound"));
        return;
    }
    if (const QStringList missing = MissingTransferFiles(*this); !missing.isEmpty()) {
        m_prompter.inform(m_texts.text("MissingWav") + u'\n' + missing.join(u'\n'));
        return;
    }
    SetTransferButtonsEnabled(false);
    const PromptTransfer::Next first = m_transfer.Start();
    m_nextStep = first.step;
    m_transferTimer->start(first.delay);
}

void CVoicePage::OnTransferStep() {
    const std::optional<PromptTransfer::Next> next = m_transfer.Run(m_nextStep, *this);
    if (!next) {
        EndTransfer();
        return;
    }
    m_nextStep = next->step;
    m_transferTimer->start(next->delay);
}

void CVoicePage::EndTransfer() {
    SetTransferButtonsEnabled(true);
    QString message = m_texts.text("WriteAll");
    if (!m_transfer.SkippedOrders().empty())
        message += u'\n' + m_texts.text("NotSent") + JoinedOrders(m_transfer.SkippedOrders());
    m_prompter.inform(message);
}

void CVoicePage::OnClose(bool saveAssignments) {
    m_transferTimer->stop();
    if (m_recording)
        StopRecordingAndSave();
    m_sound.StopSound();
    if (saveAssignments) {
        const std::vector<PromptSlot> promptSlots = CurrentSlots();
        QString error;
        // A database that takes no writes (read-only, say) is told only when it loses a change made here.
        if (!SavePromptAssignments(promptSlots, m_prompter, error) && !error.isEmpty() &&
            promptSlots != m_slotsAsLoaded)
            m_prompter.inform(m_texts.text("SaveFailed") + error);
    }
    m_sound.Close();
}

int CVoicePage::SlotCount() const {
    return m_slotList->GetItemCount();
}

std::vector<PromptSlot> CVoicePage::CurrentSlots() const {
    std::vector<PromptSlot> promptSlots;
    for (int row = 0; row < SlotCount(); ++row)
        promptSlots.push_back(SlotAt(row));
    return promptSlots;
}

PromptSlot CVoicePage::SlotAt(int row) const {
    return {m_slotList->GetItemText(row, kWaveNameColumn),
            m_slotList->GetItemText(row, kOrderColumn).toInt()};
}
