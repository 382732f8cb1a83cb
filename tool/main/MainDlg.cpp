#include "main/MainDlg.h"

#include "basectrl/BaseCtrlPage.h"
#include "main/AboutDlg.h"
#include "main/PageTabCtrl.h"
#include "main/ToolIcon.h"
#include "model/ToolDatabaseReset.h"
#include "program/ProgramPage.h"
#include "voice/VoicePage.h"

#include <QAction>
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
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The dialog template measures 679 by 472 dialog units of its 9-point font.
constexpr QSize kInitialSize(1020, 710);
constexpr int kLeftColumnWidth = 300;
constexpr int kAddressColumnWidth = 110;
constexpr int kStateColumnWidth = 60;
constexpr int kNewTerminalAddressLimit = 16;
constexpr int kNewPortLimit = 5;

QPushButton* makeButton(QWidget* parent, const char* objectName) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(objectName));
    // Without a default button the Enter key presses nothing, as the tool has no OK button.
    button->setAutoDefault(false);
    return button;
}

} // namespace

CMainDlg::CMainDlg(Prompter& prompter, QString programPath)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_prompter(prompter), m_programPath(std::move(programPath)) {
    setWindowIcon(ToolIcon());
    BuildControls();
    ApplyCaptions(TextTable::chinese(kQvToolsTable));

    auto* about = new QAction(QStringLiteral("关于 Zenvar配置工具(&A)..."), this);
    about->setShortcut(QKeySequence::HelpContents);
    connect(about, &QAction::triggered, this, &CMainDlg::OnAbout);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    m_language = LanguageSettings::read(QLatin1String(kLanguageIni));
    LoadTexts();
    SetUpTerminalList();
    m_models.Load();
    CreatePages();
    m_stopButton->hide();
    (m_language.radioChoice() == LanguageSettings::English ? m_englishRadio : m_chineseRadio)
        ->setChecked(true);
    resize(kInitialSize);
}

LanguageSettings::Language CMainDlg::RadioChoice() const {
    return m_englishRadio->isChecked() ? LanguageSettings::English : LanguageSettings::Chinese;
}

void CMainDlg::reject() {
    m_models.FreeAll();
    // The last step before the window ends: the new instance must find released whatever this one held.
    if (m_restartFlag)
        QProcess::startDetached(m_programPath);
    QDialog::reject();
}

void CMainDlg::BuildControls() {
    m_chineseRadio = new QRadioButton(QStringLiteral("Chinese"), this);
    m_chineseRadio->setObjectName(QStringLiteral("chineseRadio"));
    m_englishRadio = new QRadioButton(QStringLiteral("English"), this);
    m_englishRadio->setObjectName(QStringLiteral("englishRadio"));
    m_restartButton = makeButton(this, "restartButton");
    m_restartButton->setText(QStringLiteral("Restart"));
    connect(m_restartButton, &QPushButton::clicked, this, &CMainDlg::OnRestart);

    m_controlGroup = new QGroupBox(this);
    m_controlGroup->setObjectName(QStringLiteral("controlGroup"));
    m_pageTab = new CPageTabCtrl(m_controlGroup);
    m_pageTab->setObjectName(QStringLiteral("pageTab"));
    auto* controlLayout = new QVBoxLayout(m_controlGroup);
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
    auto* right = new QVBoxLayout;
    right->addLayout(languageRow);
    right->addWidget(m_controlGroup, 1);

    auto* layout = new QHBoxLayout(this);
    auto* leftColumn = new QWidget(this);
    leftColumn->setLayout(left);
    leftColumn->setFixedWidth(kLeftColumnWidth);
    left->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(leftColumn);
    layout->addLayout(right, 1);
}

QGroupBox* CMainDlg::BuildTerminalGroup() {
    m_terminalGroup = new QGroupBox(this);
    m_terminalGroup->setObjectName(QStringLiteral("terminalGroup"));
    // A plain list until the coloured list control takes its place.
    m_terminalList = new QTreeWidget(m_terminalGroup);
    m_terminalList->setObjectName(QStringLiteral("terminalList"));
    m_terminalList->setRootIsDecorated(false);
    m_terminalList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_newTerminalAddress = new QLineEdit(m_terminalGroup);
    m_newTerminalAddress->setObjectName(QStringLiteral("newTerminalAddress"));
    m_newTerminalAddress->setMaxLength(kNewTerminalAddressLimit);
    m_addTerminalButton = makeButton(m_terminalGroup, "addTerminalButton");
    m_deleteTerminalButton = makeButton(m_terminalGroup, "deleteTerminalButton");

    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(m_newTerminalAddress, 1);
    entryRow->addWidget(m_addTerminalButton);
    entryRow->addWidget(m_deleteTerminalButton);
    auto* layout = new QVBoxLayout(m_terminalGroup);
    layout->addWidget(m_terminalList, 1);
    layout->addLayout(entryRow);
    return m_terminalGroup;
}

QGroupBox* CMainDlg::BuildMonitorGroup() {
    m_monitorGroup = new QGroupBox(this);
    m_monitorGroup->setObjectName(QStringLiteral("monitorGroup"));
    m_portListLabel = new QLabel(m_monitorGroup);
    m_portList = new QListWidget(m_monitorGroup);
    m_portList->setObjectName(QStringLiteral("portList"));
    m_portList->setSortingEnabled(true);
    m_newPortLabel = new QLabel(m_monitorGroup);
    m_newPort = new QLineEdit(m_monitorGroup);
    m_newPort->setObjectName(QStringLiteral("newPort"));
    m_newPort->setMaxLength(kNewPortLimit);
    m_newPort->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_newPort));
    m_addPortButton = makeButton(m_monitorGroup, "addPortButton");
    m_deletePortButton = makeButton(m_monitorGroup, "deletePortButton");
    // Start and stop share one place: only one of them is shown.
    m_startButton = makeButton(m_monitorGroup, "startButton");
    m_stopButton = makeButton(m_monitorGroup, "stopButton");

    auto* portButtons = new QGridLayout;
    portButtons->addWidget(m_newPortLabel, 0, 0, 1, 2);
    portButtons->addWidget(m_newPort, 1, 0, 1, 2);
    portButtons->addWidget(m_addPortButton, 2, 0);
    portButtons->addWidget(m_deletePortButton, 2, 1);
    portButtons->addWidget(m_startButton, 3, 0, 1, 2);
    portButtons->addWidget(m_stopButton, 3, 0, 1, 2);
    portButtons->setRowStretch(4, 1);
    auto* layout = new QGridLayout(m_monitorGroup);
    layout->addWidget(m_portListLabel, 0, 0);
    layout->addWidget(m_portList, 1, 0);
    layout->addLayout(portButtons, 1, 1);
    layout->setColumnStretch(0, 1);
    return m_monitorGroup;
}

void CMainDlg::ApplyCaptions(const TextTable& texts) {
    setWindowTitle(texts.text("QvTitle"));
    m_terminalGroup->setTitle(texts.text("TerInfo"));
    m_controlGroup->setTitle(texts.text("TerCtrl"));
    m_addTerminalButton->setText(texts.text("AddTer"));
    m_deleteTerminalButton->setText(texts.text("DelTer"));
    m_monitorGroup->setTitle(texts.text("Monitor"));
    m_portListLabel->setText(texts.text("PortList"));
    m_newPortLabel->setText(texts.text("NewPort"));
    m_addPortButton->setText(texts.text("AddPort"));
    m_deletePortButton->setText(texts.text("DelPort"));
    m_startButton->setText(texts.text("StartUp"));
    m_stopButton->setText(texts.text("Stop"));
}

void CMainDlg::LoadTexts() {
    std::optional<TextTable> table = TextTable::read(m_language.databasePath(), kQvToolsTable, m_prompter);
    if (!table) {
        SetDefaultTexts();
        return;
    }
    ApplyCaptions(*table);
    m_texts = *table;
}

void CMainDlg::SetDefaultTexts() {
    // The captions keep the template texts; only the texts the window uses later fall back.
    m_texts = TextTable::chinese(kQvToolsTable);
}

void CMainDlg::SetUpTerminalList() {
    m_terminalList->setHeaderLabels({m_texts.text("TerAddr"), m_texts.text("TerState")});
    m_terminalList->headerItem()->setTextAlignment(0, Qt::AlignCenter);
    m_terminalList->setColumnWidth(0, kAddressColumnWidth);
    m_terminalList->setColumnWidth(1, kStateColumnWidth);
}

void CMainDlg::CreatePages() {
    m_baseCtrlPage = new CBaseCtrlPage(m_pageTab);
    m_programPage = new CProgramPage(m_pageTab);
    m_voicePage = new CVoicePage(m_pageTab);
    m_pageTab->addTab(m_baseCtrlPage, m_texts.text("BaseCtrl"));
    m_pageTab->addTab(m_programPage, m_texts.text("Program"));
    m_pageTab->addTab(m_voicePage, m_texts.text("Voice"));
    m_pageTab->setCurrentIndex(0);
}

void CMainDlg::OnRestart() {
    LanguageSettings::write(QLatin1String(kLanguageIni), RadioChoice());
    m_restartFlag = true;
    reject();
}

void CMainDlg::ResetToDefaults() {
    if (!ReplaceToolDatabaseWithDefaults(m_prompter))
        return;
    m_restartFlag = true;
    // Closes once the handler that asked for the reset has returned, like a posted close message.
    QMetaObject::invokeMethod(this, &CMainDlg::close, Qt::QueuedConnection);
}

void CMainDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}
