#include "basectrl/BaseCtrlPage.h"

#include "basectrl/DigitsValidator.h"
#include "basectrl/GbkText.h"
#include "forms/CaptionedControls.h"
#include "forms/InputBoxes.h"
#include "prompt/Prompter.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

namespace {

constexpr int kAddressLimit = 16;
constexpr int kPasswordLimit = 6;
constexpr int kBuzzerTimeLimit = 5;
// Buzzer times go to the terminal as 16 bits.
constexpr qulonglong kBuzzerTimeMaximum = 0xFFFF;
constexpr int kDisplayTextByteLimit = 32;
constexpr int kMessageByteLimit = 32;
constexpr int kOutputNumberLimit = 2;
constexpr int kNameByteLimit = 16;
constexpr int kZoneCount = 8;
constexpr int kFirstOutput = 1;
constexpr int kLastOutput = 64;
constexpr char kDefaultPassword[] = "5863";

enum LedAction { kLedShow = 0, kLedClear = 1 };
enum OutputKind { kLamp = 0, kRelay = 1 };
// The radio buttons of each pair in the order of their ids.
constexpr const char* kArmActionKeys[] = {"UnLay", "Lay"};
constexpr const char* kLedActionKeys[] = {"LedShow", "LedClean"};
constexpr const char* kOutputKindKeys[] = {"Lamp", "Relay"};
constexpr const char* kOutputStateKeys[] = {"tOff", "tOn"};

// The label of the name password has no colon in the dialog template, unlike the arm password's.
const QString kNamePasswordCaption = QStringLiteral("密码");

} // namespace

CBaseCtrlPage::CBaseCtrlPage(Prompter& prompter, QString languageDatabasePath, const OstrelSession& session,
                             std::function<const TerminalEntry*()> selectedTerminal, QWidget* parent)
    : CBaseCtrlPage(prompter, std::move(languageDatabasePath), session, std::move(selectedTerminal),
                    OstrelCommandExports(), parent) {}

CBaseCtrlPage::CBaseCtrlPage(Prompter& prompter, QString languageDatabasePath, const OstrelSession& session,
                             std::function<const TerminalEntry*()> selectedTerminal, CommandExports& commands,
                             QWidget* parent)
    : QWidget(parent), m_prompter(prompter), m_languageDatabasePath(std::move(languageDatabasePath)),
      m_session(session), m_selectedTerminal(std::move(selectedTerminal)), m_commands(commands) {
    BuildControls();
    const Captions::Loaded loaded = m_captions.load(m_languageDatabasePath, kControlTable, m_prompter);
    m_texts = loaded.texts;
    // The template's caption of the name password differs from the text its key has in Chinese.
    if (!loaded.fromDatabase)
        m_namePasswordLabel->setText(kNamePasswordCaption);
    FillLists();
    m_armPassword->setText(QLatin1String(kDefaultPassword));
}

void CBaseCtrlPage::SetCurrentAddress(const QString& addressText) {
    m_currentAddress->setText(addressText);
}

void CBaseCtrlPage::BuildControls() {
    auto* addressLabel = MakeLabel(m_captions, this, "CurTerAddr");
    m_currentAddress = new QLineEdit(this);
    m_currentAddress->setObjectName(QStringLiteral("currentAddress"));
    m_currentAddress->setReadOnly(true);
    m_currentAddress->setMaxLength(kAddressLimit);
    auto* addressRow = new QHBoxLayout;
    addressRow->addWidget(addressLabel);
    addressRow->addWidget(m_currentAddress);
    addressRow->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addWidget(BuildLayCtrlGroup());
    left->addWidget(BuildBuzzerGroup());
    left->addWidget(BuildLedGroup());
    left->addWidget(BuildNotesGroup());
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(BuildOutputGroup());
    right->addWidget(BuildTimeGroup());
    right->addWidget(BuildNameGroup());
    right->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(addressRow);
    layout->addLayout(columns, 1);
}

QGroupBox* CBaseCtrlPage::BuildLayCtrlGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "LayCtrl", "layCtrlGroup");
    m_armAction = MakeRadioGroup(m_captions, group, kArmActionKeys, "armAction");
    m_zoneList = new QComboBox(group);
    m_zoneList->setObjectName(QStringLiteral("zoneList"));
    m_armPassword = MakeDigitsBox(group, "armPassword", kPasswordLimit);

    auto* layout = new QGridLayout(group);
    layout->addWidget(m_armAction->button(0), 0, 0);
    layout->addWidget(m_armAction->button(1), 0, 1);
    layout->addWidget(m_zoneList, 0, 2, 1, 2);
    layout->addWidget(MakeLabel(m_captions, group, "Psw"), 1, 0);
    layout->addWidget(m_armPassword, 1, 1, 1, 2);
    layout->addWidget(MakeSendButton(group, "layCtrlSend", &CBaseCtrlPage::OnSendLayCtrl), 1, 3);
    return group;
}

QGroupBox* CBaseCtrlPage::BuildBuzzerGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "FCtrl", "buzzerGroup");
    m_soundingTime = MakeDigitsBox(group, "soundingTime", kBuzzerTimeLimit);
    m_pauseTime = MakeDigitsBox(group, "pauseTime", kBuzzerTimeLimit);
    m_totalTime = MakeDigitsBox(group, "totalTime", kBuzzerTimeLimit);
    for (QLineEdit* time : {m_soundingTime, m_pauseTime, m_totalTime})
        time->setValidator(new DigitsValidator(time, kBuzzerTimeMaximum));

    auto* layout = new QGridLayout(group);
    layout->addWidget(MakeLabel(m_captions, group, "StartTime"), 0, 0);
    layout->addWidget(m_soundingTime, 0, 1);
    layout->addWidget(MakeLabel(m_captions, group, "StopTime"), 0, 2);
    layout->addWidget(m_pauseTime, 0, 3);
    layout->addWidget(MakeLabel(m_captions, group, "AllTIme"), 1, 0);
    layout->addWidget(m_totalTime, 1, 1);
    layout->addWidget(MakeLabel(m_captions, group, "Unit"), 1, 2);
    layout->addWidget(MakeSendButton(group, "buzzerSend", &CBaseCtrlPage::OnSendBuzzer), 1, 3);
    return group;
}

QGroupBox* CBaseCtrlPage::BuildLedGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "LedCtrl", "ledGroup");
    m_ledAction = MakeRadioGroup(m_captions, group, kLedActionKeys, "ledAction");
    m_ledContent = MakeTextBox(group, "ledContent", kDisplayTextByteLimit);

    auto* layout = new QGridLayout(group);
    layout->addWidget(m_ledAction->button(kLedShow), 0, 0);
    layout->addWidget(m_ledAction->button(kLedClear), 0, 1);
    layout->addWidget(MakeLabel(m_captions, group, "tContent"), 1, 0);
    layout->addWidget(m_ledContent, 1, 1, 1, 2);
    layout->addWidget(MakeSendButton(group, "ledSend", &CBaseCtrlPage::OnSendLed), 1, 3);
    layout->setColumnStretch(2, 1);
    return group;
}

QGroupBox* CBaseCtrlPage::BuildNotesGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "NotesCtrl", "notesGroup");
    m_messageContent = MakeTextBox(group, "messageContent", kMessageByteLimit);

    auto* layout = new QHBoxLayout(group);
    layout->addWidget(MakeLabel(m_captions, group, "tContent"));
    layout->addWidget(m_messageContent, 1);
    layout->addWidget(MakeSendButton(group, "notesSend", &CBaseCtrlPage::OnSendNotes));
    return group;
}

QGroupBox* CBaseCtrlPage::BuildOutputGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "OutPut", "outputGroup");
    m_outputKind = MakeRadioGroup(m_captions, group, kOutputKindKeys, "outputKind");
    m_outputState = MakeRadioGroup(m_captions, group, kOutputStateKeys, "outputState");
    m_startNumber = MakeDigitsBox(group, "startNumber", kOutputNumberLimit);
    m_outputCount = MakeDigitsBox(group, "outputCount", kOutputNumberLimit);

    auto* layout = new QGridLayout(group);
    layout->addWidget(m_outputKind->button(kLamp), 0, 0);
    layout->addWidget(m_outputKind->button(kRelay), 0, 1);
    layout->addWidget(m_outputState->button(0), 0, 2);
    layout->addWidget(m_outputState->button(1), 0, 3);
    layout->addWidget(MakeLabel(m_captions, group, "StartNum"), 1, 0);
    layout->addWidget(m_startNumber, 1, 1);
    layout->addWidget(MakeLabel(m_captions, group, "SelNum"), 1, 2);
    layout->addWidget(m_outputCount, 1, 3);
    layout->addWidget(MakeSendButton(group, "outputSend", &CBaseCtrlPage::OnSendOutput), 2, 3);
    return group;
}

QGroupBox* CBaseCtrlPage::BuildTimeGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "TimeCtrl", "timeGroup");
    const QDateTime now = QDateTime::currentDateTime();
    m_date = new QDateEdit(now.date(), group);
    m_date->setObjectName(QStringLiteral("date"));
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_date->setCalendarPopup(true);
    m_time = new QTimeEdit(now.time(), group);
    m_time->setObjectName(QStringLiteral("time"));
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));

    auto* layout = new QGridLayout(group);
    layout->addWidget(MakeLabel(m_captions, group, "tDate"), 0, 0);
    layout->addWidget(m_date, 0, 1);
    layout->addWidget(MakeLabel(m_captions, group, "tTime"), 1, 0);
    layout->addWidget(m_time, 1, 1);
    layout->addWidget(MakeSendButton(group, "timeSend", &CBaseCtrlPage::OnSendTime), 1, 2);
    layout->setColumnStretch(1, 1);
    return group;
}

QGroupBox* CBaseCtrlPage::BuildNameGroup() {
    QGroupBox* group = MakeGroupBox(m_captions, this, "NameCtrl", "nameGroup");
    m_nameTarget = new QComboBox(group);
    m_nameTarget->setObjectName(QStringLiteral("nameTarget"));
    m_namePasswordLabel = MakeLabel(m_captions, group, "Psw");
    m_namePassword = MakeDigitsBox(group, "namePassword", kPasswordLimit);
    m_name = MakeTextBox(group, "name", kNameByteLimit);

    auto* layout = new QGridLayout(group);
    layout->addWidget(MakeLabel(m_captions, group, "tSelect"), 0, 0);
    layout->addWidget(m_nameTarget, 0, 1);
    layout->addWidget(m_namePasswordLabel, 1, 0);
    layout->addWidget(m_namePassword, 1, 1);
    layout->addWidget(MakeLabel(m_captions, group, "tName"), 2, 0);
    layout->addWidget(m_name, 2, 1);
    layout->addWidget(MakeSendButton(group, "nameSend", &CBaseCtrlPage::OnSendName), 2, 2);
    layout->setColumnStretch(1, 1);
    return group;
}

QPushButton* CBaseCtrlPage::MakeSendButton(QWidget* parent, const char* objectName,
                                           void (CBaseCtrlPage::*handler)()) {
    return MakeButton(m_captions, parent, "BtSend", objectName, this, handler);
}

void CBaseCtrlPage::FillLists() {
    QStringList zones;
    for (int zone = 1; zone <= kZoneCount; ++zone)
        zones.append(m_texts.text("Zone") + QString::number(zone));
    m_zoneList->addItem(m_texts.text("AllZone"));
    m_zoneList->addItems(zones);
    m_nameTarget->addItem(m_texts.text("Terminal"));
    m_nameTarget->addItems(zones);
}

std::optional<CommandTarget> CBaseCtrlPage::SelectedTarget() {
    return SelectedCommandTarget(m_session.Context(), m_selectedTerminal, m_prompter, m_texts.text("SelTer"));
}

void CBaseCtrlPage::OnSendLayCtrl() {
    const std::optional<CommandTarget> target = SelectedTarget();
    if (!target)
        return;
    if (m_armPassword->text().isEmpty()) {
        m_prompter.inform(m_texts.text("PswEmpty"));
        return;
    }
    // Zone list position 0 is all zones, 1 to 8 the zones themselves.
    m_commands.TerminalControl(*target, m_armPassword->text().toLatin1().constData(),
                               m_armAction->checkedId(), m_zoneList->currentIndex());
}

void CBaseCtrlPage::OnSendBuzzer() {
    const std::optional<CommandTarget> target = SelectedTarget();
    if (!target)
        return;
    const std::array<QLineEdit*, 3> times = {m_soundingTime, m_pauseTime, m_totalTime};
    if (std::any_of(times.begin(), times.end(), [](const QLineEdit* box) { return box->text().isEmpty(); })) {
        m_prompter.inform(m_texts.text("Incomplete"));
        return;
    }
    m_commands.BuzzerControl(*target, m_totalTime->text().toInt(), m_soundingTime->text().toInt(),
                             m_pauseTime->text().toInt());
    for (QLineEdit* box : times)
        box->clear();
}

void CBaseCtrlPage::OnSendLed() {
    const std::optional<CommandTarget> target = SelectedTarget();
    if (!target)
        return;
    if (m_ledAction->checkedId() == kLedClear) {
        m_commands.LcdClean(*target);
    } else if (m_ledContent->text().isEmpty()) {
        m_prompter.inform(m_texts.text("ContentEmpty"));
        return;
    } else {
        m_commands.LcdDisplay(*target, 0, GbkText::encode(m_ledContent->text()).bytes.constData());
    }
    m_ledContent->clear();
}

void CBaseCtrlPage::OnSendNotes() {
    const std::optional<CommandTarget> target = SelectedTarget();
    if (!target)
        return;
    if (m_messageContent->text().isEmpty()) {
        m_prompter.inform(m_texts.text("ContentEmpty"));
        return;
    }
    m_commands.Message(*target, GbkText::encode(m_messageContent->text()).bytes.constData());
    m_messageContent->clear();
}

void CBaseCtrlPage::OnSendOutput() {
    const std::optional<CommandTarget> target = SelectedTarget();
    if (!target)
        return;
    if (m_startNumber->text().isEmpty() || m_outputCount->text().isEmpty()) {
        m_prompter.inform(m_texts.text("Incomplete"));
        return;
    }
    const int start = m_startNumber->text().toInt();
    if (start < kFirstOutput || start > kLastOutput) {
        m_prompter.inform(m_texts.text("NumRange"));
        return;
    }
    const int last = std::min(start + m_outputCount->text().toInt() - 1, kLastOutput);
    const int state = m_outputState->checkedId();
    for (int number = start; number <= last; ++number) {
        if (m_outputKind->checkedId() == kRelay)
            m_commands.SingleOutput(*target, number, state, 0);
        else
            m_commands.SingleLight(*target, number, state);
    }
}

void CBaseCtrlPage::OnSendTime() {
    const std::optional<CommandTarget> target = SelectedTarget();
    if (!target)
        return;
    // yy-mm-dd hh:mm:ss: the terminal takes the year without its century.
    const QString dateTime = m_date->date().toString(QStringLiteral("yyyy-MM-dd")).mid(2) + QLatin1Char(' ') +
                             m_time->time().toString(QStringLiteral("HH:mm:ss"));
    m_commands.SetupTime(*target, dateTime.toLatin1().constData());
}

void CBaseCtrlPage::OnSendName() {
    const std::optional<CommandTarget> target = SelectedTarget();
    if (!target)
        return;
    if (m_name->text().isEmpty() || m_namePassword->text().isEmpty()) {
        m_prompter.inform(m_texts.text("Incomplete"));
        return;
    }
    // Target position 0 is the terminal itself, 1 to 8 its zones.
    m_commands.ConfigName(*target, m_namePassword->text().toLatin1().constData(),
                          m_nameTarget->currentIndex(), GbkText::encode(m_name->text()).bytes.constData());
}
