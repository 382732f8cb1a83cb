#include "main/MainDlg.h"

#include "activity/ActivityPane.h"
#include "basectrl/BaseCtrlPage.h"
#include "config/ModelConfigDialogRunner.h"
#include "forms/CaptionedControls.h"
#include "forms/ListLook.h"
#include "gridmara/CGridmaraView.h"
#include "main/AboutDlg.h"
#include "main/CommandFailureLine.h"
#include "main/PageTabCtrl.h"
#include "main/ToolIcon.h"
#include "model/ToolDatabase.h"
#include "model/ToolDatabaseReset.h"
#include "program/ProgramPage.h"
#include "prompt/Prompter.h"
#include "terminals/OstrelSession.h"
#include "voice/QtSoundDevice.h"
#include "voice/VoicePage.h"

#include <QAction>
#include <QColor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The dialog template measures 679 by 472 dialog units of its 9-point font.
constexpr QSize kInitialSize(1020, 710);
constexpr int kLeftColumnWidth = 300;
constexpr int kAddressColumnWidth = 110;
constexpr int kStateColumnWidth = 60;
constexpr int kAlignLeft = 0;
constexpr int kAlignCentre = 2;
constexpr int kNewTerminalAddressLimit = 16;
constexpr int kNewPortLimit = 5;
// Height the window has beyond what the pages and the activity pane need goes mostly to the pages.
constexpr int kPagesStretch = 3;
constexpr int kActivityStretch = 1;
// Where a port's entry keeps its number, whatever its text says of its state.
constexpr int kPortNumberRole = Qt::UserRole;
// A lost line stands out in the warning red of the failure line.
const QColor kLostLineColour(0xa0, 0x00, 0x00);

} // namespace

CMainDlg::CMainDlg(Prompter& prompter, QString programPath)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_prompter(prompter), m_programPath(std::move(programPath)),
      m_recordingExports(OstrelCommandExports(), m_activity), m_sound(new QtSoundDevice(this)) {
    setWindowIcon(ToolIcon());
    BuildControls();
    connect(&m_session, &OstrelSession::TerminalsChanged, this, &CMainDlg::OnTerminalsChanged);
    connect(&m_session, &OstrelSession::CommandsFailed, m_commandFailures, &CommandFailureLine::Add);
    connect(&m_session, &OstrelSession::ConnectionLost, this, &CMainDlg::OnConnectionLost);
    connect(&m_session, &OstrelSession::FramesSettled, &m_activity, &ActivityLog::Settle);
    connect(&m_session, &OstrelSession::Stopped, &m_activity, &ActivityLog::ForgetWaiting);
    connect(&m_session, &OstrelSession::OutcomesLost, m_activityPane, &ActivityPane::AddLostOutcomes);
    connect(&m_session, &OstrelSession::PortLineChanged, this, &CMainDlg::ShowPortLine);

    setContextMenuPolicy(Qt::ActionsContextMenu);

    m_language = LanguageSettings::read(QLatin1String(kLanguageIni));
    m_texts = m_captions.load(m_language.databasePath(), kQvToolsTable, m_prompter).texts;
    SetUpTerminalList();
    const ToolDatabaseLoad load = m_models.Load();
    TellToolDatabaseLoad(load);
    CreatePages(load.outcome == ToolDatabaseLoad::Loaded || load.outcome == ToolDatabaseLoad::Incomplete);
    ShowPortsRunning(false);
    (m_language.radioChoice() == LanguageSettings::English ? m_englishRadio : m_chineseRadio)
        ->setChecked(true);
    resize(kInitialSize);
}

CMainDlg::~CMainDlg() = default;

LanguageSettings::Language CMainDlg::RadioChoice() const {
    return m_englishRadio->isChecked() ? LanguageSettings::English : LanguageSettings::Chinese;
}

void CMainDlg::reject() {
    m_models.FreeAll();
    // Assignments saved into the defaults that just replaced the tool database would undo the reset.
    m_voicePage->OnClose(!m_toolDatabaseReplaced);
    // A send the closing cuts short needs no message about how it went.
    disconnect(&m_session, nullptr, m_programPage, nullptr);
    m_session.Stop();
    // The last step before the window ends: the new instance must find released whatever this one held.
    if (m_restartFlag)
        QProcess::startDetached(m_programPath);
    QDialog::reject();
}

void CMainDlg::BuildControls() {
    m_captions.add("QvTitle", this);
    m_chineseRadio = new QRadioButton(QStringLiteral("Chinese"), this);
    m_chineseRadio->setObjectName(QStringLiteral("chineseRadio"));
    m_englishRadio = new QRadioButton(QStringLiteral("English"), this);
    m_englishRadio->setObjectName(QStringLiteral("englishRadio"));
    m_restartButton = MakeButton(this, "restartButton");
    m_restartButton->setText(QStringLiteral("Restart"));
    connect(m_restartButton, &QPushButton::clicked, this, &CMainDlg::OnRestart);

    QGroupBox* controlGroup = MakeGroupBox(m_captions, this, "TerCtrl", "controlGroup");
    m_pageTab = new CPageTabCtrl(controlGroup);
    m_pageTab->setObjectName(QStringLiteral("pageTab"));
    auto* controlLayout = new QVBoxLayout(controlGroup);
    controlLayout->addWidget(m_pageTab);

    auto* left = new QVBoxLayout;
    left->addWidget(BuildTerminalGroup(), 3);
    left->addWidget(BuildMonitorGroup(), 2);

    auto* languageRow = new QHBoxLayout;
    languageRow->addStretch(1);
    languageRow->addWidget(m_chineseRadio);
    languageRow->addWidget(m_englishRadio);
    languageRow->addSpacing(12);
    languageRow->addWidget(m_restartButton);
    // About has no system menu to live in here: it is in the window's context menu, on F1, and on a small
    // "?" button where a user of this desktop looks for help.
    auto* about = new QAction(QStringLiteral("关于 Zenvar配置工具(&A)..."), this);
    about->setIconText(QStringLiteral("?"));
    about->setShortcut(QKeySequence::HelpContents);
    connect(about, &QAction::triggered, this, &CMainDlg::OnAbout);
    addAction(about);
    auto* aboutButton = new QToolButton(this);
    aboutButton->setObjectName(QStringLiteral("aboutButton"));
    aboutButton->setDefaultAction(about);
    aboutButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    languageRow->addWidget(aboutButton);
    m_activityPane = new ActivityPane(m_activity, m_prompter, m_captions, this);
    // The user may give the pages or the activity more room.
    auto* pagesAndActivity = new QSplitter(Qt::Vertical, this);
    pagesAndActivity->setObjectName(QStringLiteral("pagesAndActivity"));
    pagesAndActivity->setChildrenCollapsible(false);
    pagesAndActivity->addWidget(controlGroup);
    pagesAndActivity->addWidget(m_activityPane);
    pagesAndActivity->setStretchFactor(0, kPagesStretch);
    pagesAndActivity->setStretchFactor(1, kActivityStretch);
    auto* right = new QVBoxLayout;
    right->addLayout(languageRow);
    right->addWidget(pagesAndActivity, 1);

    auto* layout = new QHBoxLayout(this);
    auto* leftColumn = new QWidget(this);
    leftColumn->setLayout(left);
    leftColumn->setFixedWidth(kLeftColumnWidth);
    left->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(leftColumn);
    layout->addLayout(right, 1);
}

QGroupBox* CMainDlg::BuildTerminalGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "TerInfo", "terminalGroup");
    m_terminalFilter = new QLineEdit(group);
    m_terminalFilter->setObjectName(QStringLiteral("terminalFilter"));
    m_terminalFilter->setClearButtonEnabled(true);
    connect(m_terminalFilter, &QLineEdit::textChanged, &m_terminalView,
            &QSortFilterProxyModel::setFilterFixedString);
    m_terminalList = new CGridmaraView(group);
    m_terminalList->setObjectName(QStringLiteral("terminalList"));
    m_terminalView.setSourceModel(&m_terminalModel);
    m_terminalView.setSortRole(TerminalTableModel::SortRole);
    // Any column: an address or a state.
    m_terminalView.setFilterKeyColumn(-1);
    m_terminalView.setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_terminalList->setModel(&m_terminalView);
    connect(m_terminalList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CMainDlg::OnSelectionChanged);
    m_commandFailures = new CommandFailureLine(group);
    m_newTerminalAddress = new QLineEdit(group);
    m_newTerminalAddress->setObjectName(QStringLiteral("newTerminalAddress"));
    m_newTerminalAddress->setMaxLength(kNewTerminalAddressLimit);

    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(m_newTerminalAddress, 1);
    entryRow->addWidget(
        MakeButton(m_captions, group, "AddTer", "addTerminalButton", this, &CMainDlg::OnAddTerminal));
    entryRow->addWidget(
        MakeButton(m_captions, group, "DelTer", "deleteTerminalButton", this, &CMainDlg::OnDeleteTerminal));
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(m_terminalFilter);
    layout->addWidget(m_terminalList, 1);
    layout->addWidget(m_commandFailures);
    layout->addLayout(entryRow);
    return group;
}

QGroupBox* CMainDlg::BuildMonitorGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "Monitor", "monitorGroup");
    QLabel* portListLabel = MakeLabel(m_captions, group, "PortList");
    m_portList = new QListWidget(group);
    m_portList->setObjectName(QStringLiteral("portList"));
    m_portList->setSortingEnabled(true);
    QLabel* newPortLabel = MakeLabel(m_captions, group, "NewPort");
    m_newPort = new QLineEdit(group);
    m_newPort->setObjectName(QStringLiteral("newPort"));
    m_newPort->setMaxLength(kNewPortLimit);
    m_newPort->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_newPort));
    m_addPortButton = MakeButton(m_captions, group, "AddPort", "addPortButton", this, &CMainDlg::OnAddPort);
    m_deletePortButton =
        MakeButton(m_captions, group, "DelPort", "deletePortButton", this, &CMainDlg::OnDeletePort);
    // Start and stop share one place: only one of them is shown.
    m_startButton = MakeButton(m_captions, group, "StartUp", "startButton", this, &CMainDlg::OnStart);
    m_stopButton = MakeButton(m_captions, group, "Stop", "stopButton", this, &CMainDlg::OnStop);

    auto* portButtons = new QGridLayout;
    portButtons->addWidget(newPortLabel, 0, 0, 1, 2);
    portButtons->addWidget(m_newPort, 1, 0, 1, 2);
    portButtons->addWidget(m_addPortButton, 2, 0);
    portButtons->addWidget(m_deletePortButton, 2, 1);
    portButtons->addWidget(m_startButton, 3, 0, 1, 2);
    portButtons->addWidget(m_stopButton, 3, 0, 1, 2);
    portButtons->setRowStretch(4, 1);
    auto* layout = new QGridLayout(group);
    layout->addWidget(portListLabel, 0, 0);
    layout->addWidget(m_portList, 1, 0);
    layout->addLayout(portButtons, 1, 1);
    layout->setColumnStretch(0, 1);
    return group;
}

void CMainDlg::SetUpTerminalList() {
    SetUpList(*m_terminalList);
    m_terminalList->InsertColumn(TerminalTableModel::AddressColumn, m_texts.text("TerAddr"), kAlignCentre,
                                 kAddressColumnWidth);
    m_terminalList->InsertColumn(TerminalTableModel::StateColumn, m_texts.text("TerState"), kAlignLeft,
                                 kStateColumnWidth);
    m_terminalModel.SetStateTexts(m_texts.text("OnLine"), m_texts.text("OffLine"));
    m_terminalFilter->setPlaceholderText(m_texts.text("FilterTer"));
    m_commandFailures->SetWording(m_texts.text("CmdFailed"));
    m_activityPane->SetTexts(m_texts);
}

void CMainDlg::TellToolDatabaseLoad(const ToolDatabaseLoad& load) {
    const QString path = QLatin1String(kToolDatabasePath);
    switch (load.outcome) {
    case ToolDatabaseLoad::Loaded:
        // Told once, now, rather than at every change that would fail.
        if (m_models.ToolDatabaseIsReadOnly())
            m_prompter.inform(m_texts.text("DbReadOnly") + path);
        break;
    case ToolDatabaseLoad::Missing:
        m_prompter.inform(m_texts.text("DbMissing").arg(path));
        break;
    case ToolDatabaseLoad::InUse:
        m_prompter.inform(m_texts.text("DbInUse").arg(path, load.reason));
        break;
    case ToolDatabaseLoad::Unreadable:
        m_prompter.inform(m_texts.text("DbUnreadable").arg(path, load.reason));
        break;
    case ToolDatabaseLoad::Incomplete:
        m_prompter.inform(m_texts.text("DbIncomplete")
                              .arg(path, QString::number(load.failedReads), load.failedRead, load.reason));
        break;
    }
}

void CMainDlg::CreatePages(bool readToolDatabase) {
    m_baseCtrlPage = new CBaseCtrlPage(
        m_prompter, m_language.databasePath(), m_session, [this] { return SelectedTerminal(); },
        m_recordingExports, m_pageTab);
    m_modelDialog =
        std::make_unique<ModelConfigDialogRunner>(m_prompter, m_models, m_language.databasePath(), this);
    m_programPage = new CProgramPage(
        m_prompter, m_language.databasePath(), m_models, m_session, [this] { return SelectedTerminal(); },
        m_recordingExports, *m_modelDialog, [this] { ResetToDefaults(); }, m_pageTab);
    m_voicePage = new CVoicePage(m_prompter, m_language.databasePath(), m_language.flag, *m_sound,
                                 ChooseWaveFileToImport, m_pageTab, readToolDatabase);
    m_pageTab->addTab(m_baseCtrlPage, m_texts.text("BaseCtrl"));
    m_pageTab->addTab(m_programPage, m_texts.text("Program"));
    m_pageTab->addTab(m_voicePage, m_texts.text("Voice"));
    m_pageTab->setCurrentIndex(0);
}

void CMainDlg::OnRestart() {
    // A restart that could not keep the choice would come back in the old language: the tool stays.
    if (!LanguageSettings::write(QLatin1String(kLanguageIni), RadioChoice())) {
        m_prompter.inform(m_texts.text("IniFailed").arg(QLatin1String(kLanguageIni)));
        return;
    }
    m_restartFlag = true;
    reject();
}

void CMainDlg::ResetToDefaults() {
    if (!ReplaceToolDatabaseWithDefaults(m_prompter))
        return;
    m_toolDatabaseReplaced = true;
    m_restartFlag = true;
    // Closes once the handler that asked for the reset has returned, like a posted close message.
    QMetaObject::invokeMethod(this, &CMainDlg::close, Qt::QueuedConnection);
}

void CMainDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

int CMainDlg::SelectedTerminalIndex() const {
    const int row = m_terminalList->GetFirstSelectedRow();
    return row < 0 ? -1 : m_terminalView.mapToSource(m_terminalView.index(row, 0)).row();
}

QStringList CMainDlg::PortTexts() const {
    QStringList ports;
    for (int row = 0; row < m_portList->count(); ++row)
        ports << m_portList->item(row)->data(kPortNumberRole).toString();
    return ports;
}

QListWidgetItem* CMainDlg::PortItem(int port) const {
    for (int row = 0; row < m_portList->count(); ++row) {
        QListWidgetItem* item = m_portList->item(row);
        if (item->data(kPortNumberRole).toString().toInt() == port)
            return item;
    }
    return nullptr;
}

void CMainDlg::ShowPortLine(int port, OstrelSession::LineState state) {
    QListWidgetItem* item = PortItem(port);
    if (item == nullptr)
        return;
    const char* stateKey = state == OstrelSession::LineState::Open   ? "PortOpen"
                           : state == OstrelSession::LineState::Lost ? "PortLost"
                                                                     : "PortReopened";
    // The text grows after the number, so the list keeps the order of the numbers as texts.
    item->setText(
        m_texts.text("PortState").arg(item->data(kPortNumberRole).toString(), m_texts.text(stateKey)));
    item->setForeground(state == OstrelSession::LineState::Lost ? QBrush(kLostLineColour) : QBrush());
}

void CMainDlg::ForgetPortLines() {
    for (int row = 0; row < m_portList->count(); ++row) {
        QListWidgetItem* item = m_portList->item(row);
        item->setText(item->data(kPortNumberRole).toString());
        item->setForeground(QBrush());
    }
}

void CMainDlg::ShowPortsRunning(bool running) {
    m_addPortButton->setEnabled(!running);
    m_deletePortButton->setEnabled(!running);
    m_startButton->setVisible(!running);
    m_stopButton->setVisible(running);
}

void CMainDlg::OnAddPort() {
    const QString port = m_newPort->text();
    if (port.isEmpty())
        return;
    const QStringList ports = PortTexts();
    if (ports.contains(port)) {
        m_prompter.inform(m_texts.text("ExistPort"));
        return;
    }
    // At start a second UDP port would replace the first one, which the list would still show.
    const auto isUdpPort = [](const QString& text) { return OstrelSession::IsUdpPortNumber(text.toInt()); };
    if (isUdpPort(port) && std::ranges::any_of(ports, isUdpPort)) {
        m_prompter.inform(m_texts.text("OneUdpPort"));
        return;
    }
    // The list sorts its texts as texts: 10 comes before 9, and ports start in that order.
    auto* item = new QListWidgetItem(port);
    item->setData(kPortNumberRole, port);
    m_portList->addItem(item);
}

void CMainDlg::OnDeletePort() {
    const int row = m_portList->currentRow();
    if (row < 0 || !m_portList->item(row)->isSelected())
        return;
    delete m_portList->takeItem(row);
    // No other port becomes selected behind the user's back: a second press deletes nothing.
    m_portList->clearSelection();
}

void CMainDlg::OnStart() {
    switch (m_session.Start(PortTexts())) {
    case OstrelSession::StartResult::Running:
        ShowPortsRunning(true);
        break;
    case OstrelSession::StartResult::NoPort:
        m_prompter.inform(m_texts.text("NoPort"));
        break;
    case OstrelSession::StartResult::PortUsed:
        // The context stays with the ports that did start; pressing start again carries on with it.
        m_prompter.inform(m_texts.text("PortUsed"));
        break;
    }
}

void CMainDlg::OnStop() {
    ShowPortsRunning(false);
    // Rows keep their last states: nothing reports on them while communication is stopped.
    m_session.Stop();
    m_commandFailures->Clear();
    ForgetPortLines();
}

void CMainDlg::OnTerminalsChanged(const std::vector<TerminalChange>& changes) {
    // The address and port edits are left as the user is typing them.
    m_terminalModel.Apply(changes);
    m_commandFailures->TerminalsChanged(changes);
}

void CMainDlg::OnConnectionLost() {
    // The list holds one UDP port: the one the network closed.
    for (const QString& port : PortTexts())
        if (OstrelSession::IsUdpPortNumber(port.toInt()))
            ShowPortLine(port.toInt(), OstrelSession::LineState::Lost);
    m_prompter.inform(m_texts.text("ConnLost"));
}

void CMainDlg::OnAddTerminal() {
    switch (m_terminalModel.AddByHand(m_newTerminalAddress->text())) {
    case TerminalList::AddResult::Empty:
        m_prompter.inform(m_texts.text("AddTerAddr"));
        break;
    case TerminalList::AddResult::BadFormat:
        m_prompter.inform(m_texts.text("TerFormErr"));
        break;
    case TerminalList::AddResult::Added:
        break;
    }
}

void CMainDlg::OnDeleteTerminal() {
    const int row = SelectedTerminalIndex();
    if (row < 0 || !m_prompter.confirm(m_texts.text("SureDel"), m_texts.text("SysNotify")))
        return;
    m_terminalModel.Remove(row);
    // No other terminal becomes selected behind the user's back.
    m_terminalList->clearSelection();
    m_baseCtrlPage->SetCurrentAddress(QString());
}

const TerminalEntry* CMainDlg::SelectedTerminal() const {
    // While a row is being removed the list may briefly select a row its entry has already left.
    const int row = SelectedTerminalIndex();
    return row >= 0 && row < Terminals().size() ? &Terminals().at(row) : nullptr;
}

void CMainDlg::OnSelectionChanged() {
    const TerminalEntry* entry = SelectedTerminal();
    m_baseCtrlPage->SetCurrentAddress(entry ? entry->addressText : QString());
}
