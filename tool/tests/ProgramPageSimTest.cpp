// A whole device model programmed end to end: the programming page on the shipped tool database, Ostrel on
// loopback UDP or on a pseudo-terminal, and zenvar-sim as terminal 1.2, whose frame log says what arrived.
#include "OstrelOnFreeUdpPort.h"
#include "RecordingPrompter.h"
#include "ScratchWorkingFolder.h"
#include "SimulatedTerminals.h"
#include "TerminalsHeard.h"
#include "TestDatabase.h"
#include "config/ModelDialogRunner.h"
#include "model/DeviceModelList.h"
#include "program/ProgramPage.h"
#include "terminals/OstrelSession.h"

#include <QComboBox>
#include <QFile>
#include <QJsonObject>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <iconv.h>
#include <memory>

namespace {

constexpr int kWaitMs = 60000;
constexpr int kComNumber = 3;

// The programming page opens no dialog here.
class NoModelDialog : public ModelDialogRunner {
public:
    Outcome run(Mode, DeviceModel*) override { return {}; }
};

// A text in the terminals' character set, converted here on its own rather than by the tool.
QByteArray gbkOf(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    QByteArray out(utf8.size() * 2, '\0');
    iconv_t converter = iconv_open("GBK", "UTF-8");
    char* in = utf8.data();
    char* to = out.data();
    std::size_t inLeft = static_cast<std::size_t>(utf8.size());
    std::size_t outLeft = static_cast<std::size_t>(out.size());
    const bool converted = iconv(converter, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(converter);
    if (!converted)
        qFatal("not GBK: %s", utf8.constData());
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

// The leading decimal digits of a text as a number, 0 without any.
int leadingNumber(const QString& text) {
    int number = 0;
    for (const QChar c : text) {
        if (!c.isDigit())
            break;
        number = number * 10 + c.digitValue();
    }
    return number;
}

// The data bytes a programming value of a value type carries, as a terminal reads them: a text ended by
// 0; one byte per digit; the four numbers of a dotted address; hex digit values ended by 0x0F. An empty
// value travels as "f".
QByteArray expectedData(std::int32_t valueType, const QString& value) {
    const QString sent = value.isEmpty() ? QStringLiteral("f") : value;
    QByteArray data;
    switch (valueType) {
    case StringValue:
        return gbkOf(sent) + '\0';
    case DigitString:
        for (const QChar c : sent)
            data.append(static_cast<char>(c.unicode() - u'0'));
        return data;
    case IpAddress: {
        const QStringList fields = sent.split(QLatin1Char('.'));
        for (int field = 0; field < 4; ++field)
            data.append(static_cast<char>(field < fields.size() ? leadingNumber(fields[field]) & 0xFF : 0));
        return data;
    }
    case TelephoneNumber:
        for (const QChar c : sent) {
            bool isHex = false;
            const int digit = QString(c).toInt(&isHex, 16);
            if (!isHex)
                break;
            data.append(static_cast<char>(digit));
        }
        return data + '\x0F';
    }
    return data;
}

} // namespace

class ProgramPageSimTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyModelGoesWholeToATerminalOnUdp();
    void modelsGoWholeToATerminalOnASerialLine();
    void valuesASilentTerminalLeavesUnansweredAreNamed();

private:
    // Terminal 1.2 of protocol type 2 on loopback UDP, or of type 1 on COM3, known to Ostrel.
    void startOnUdp();
    void startOnSerialLine();
    // Sends each model's every sub code from the page, one model after the other, and checks that the
    // terminal received exactly those programming commands, in order, each answered at its first sending,
    // and that the page said so at the end of each send.
    void programModels(const QList<int>& models);
    QList<QJsonObject> receivedCommands() const;

    std::unique_ptr<ScratchWorkingFolder> m_folder;
    RecordingPrompter m_prompter;
    std::unique_ptr<DeviceModelList> m_models;
    TerminalsHeard m_terminals;
    SimulatedTerminals m_sim;
    std::optional<TerminalEntry> m_selected;
};

void ProgramPageSimTest::init() {
    m_folder = std::make_unique<ScratchWorkingFolder>();
    QVERIFY(m_folder->isValid());
    QVERIFY(QFile::copy(builtWorkFile(QStringLiteral("DB/Default.mdb")), QStringLiteral("DB/VaZeraVI.mdb")));
    QVERIFY(QFile::setPermissions(QStringLiteral("DB/VaZeraVI.mdb"), QFile::ReadOwner | QFile::WriteOwner));
    m_models = std::make_unique<DeviceModelList>(m_prompter);
    m_models->Load();
    QCOMPARE(m_models->Models().size(), std::size_t{3});
    m_terminals.addresses.clear();
    m_prompter.messages.clear();
}

void ProgramPageSimTest::cleanup() {
    m_terminals.session.Stop();
    m_sim.stop();
    m_models.reset();
    m_folder.reset();
}

void ProgramPageSimTest::startOnUdp() {
    const int port = startOstrelOnFreeUdpPort(m_terminals.session);
    QVERIFY(port != 0);
    QVERIFY(m_sim.start(port,
                        {QStringLiteral("--type"), QStringLiteral("2"), QStringLiteral("--terminals"),
                         QStringLiteral("1.2"), QStringLiteral("--interval"), QStringLiteral("0")},
                        {QStringLiteral("--json"), QStringLiteral("frames.jsonl")}));
    QVERIFY(QTest::qWaitFor([this] { return m_terminals.addresses.contains(QStringLiteral("11.1.2")); },
                            kWaitMs));
    m_selected = TerminalEntry{OSTREL_PORT_UDP, 1, 2, true, QStringLiteral("11.1.2")};
}

void ProgramPageSimTest::startOnSerialLine() {
    QVERIFY(
        m_sim.startOnSerialLine(kComNumber,
                                {QStringLiteral("--type"), QStringLiteral("1"), QStringLiteral("--terminals"),
                                 QStringLiteral("1.2"), QStringLiteral("--interval"), QStringLiteral("0")},
                                {QStringLiteral("--json"), QStringLiteral("frames.jsonl")}));
    const QString link = QStringLiteral("dev/COM%1").arg(kComNumber);
    QVERIFY(QTest::qWaitFor([&link] { return QFile::exists(link); }, kWaitMs));
    QCOMPARE(m_terminals.session.Start({QString::number(kComNumber)}), OstrelSession::StartResult::Running);
    QVERIFY(
        QTest::qWaitFor([this] { return m_terminals.addresses.contains(QStringLiteral("3.1.2")); }, kWaitMs));
    m_selected = TerminalEntry{kComNumber, 1, 2, true, QStringLiteral("3.1.2")};
}

QList<QJsonObject> ProgramPageSimTest::receivedCommands() const {
    return SimulatedTerminals::commandsLogged(QStringLiteral("frames.jsonl"));
}

void ProgramPageSimTest::programModels(const QList<int>& models) {
    NoModelDialog dialog;
    CProgramPage page(
        m_prompter, builtWorkFile(QStringLiteral("DB/Chinese.mdb")), *m_models, m_terminals.session,
        [this]() -> const TerminalEntry* { return m_selected ? &*m_selected : nullptr; },
        OstrelCommandExports(), dialog, [] {});
    page.show();
    auto* modelBox = page.findChild<QComboBox*>(QStringLiteral("modelBox"));
    auto* sendButton = page.findChild<QPushButton*>(QStringLiteral("sendButton"));
    QVERIFY(modelBox && sendButton);
    page.findChild<QRadioButton*>(QStringLiteral("sendScope.AllTerminal"))->click();

    struct Expected {
        const DeviceModel* model;
        const MasterCodeItem* masterCode;
        const SubCodeItem* subCode;
    };
    QList<Expected> expected;
    for (const int index : models) {
        const DeviceModel& model = *m_models->Models().at(static_cast<std::size_t>(index));
        const qsizetype before = expected.size();
        for (const auto& masterCode : model.MasterCodes())
            for (const auto& subCode : masterCode->SubCodes())
                expected.append({&model, masterCode.get(), subCode.get()});
        modelBox->setCurrentIndex(index);
        emit modelBox->activated(index);
        m_prompter.messages.clear();
        QTest::mouseClick(sendButton, Qt::LeftButton);
        QVERIFY(!sendButton->isEnabled());
        // The page holds Send back until the terminal has answered every command.
        QVERIFY(QTest::qWaitFor([sendButton] { return sendButton->isEnabled(); }, kWaitMs));
        QCOMPARE(m_prompter.messages.last(),
                 QStringLiteral("命令发送完毕\n%1 条命令有应答，0 条无应答").arg(expected.size() - before));
    }

    QVERIFY(QTest::qWaitFor([&] { return receivedCommands().size() >= expected.size(); }, kWaitMs));
    const QList<QJsonObject> received = receivedCommands();
    QCOMPARE(received.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QJsonObject& command = received[i];
        const Expected& sent = expected[i];
        const QString where = QStringLiteral("command %1: master code %2, sub code %3")
                                  .arg(i)
                                  .arg(sent.masterCode->MasterCode)
                                  .arg(sent.subCode->SubCode);
        QVERIFY2(command.value(QStringLiteral("command")).toString() == QStringLiteral("ConfigFunction"),
                 qPrintable(where));
        QCOMPARE(command.value(QStringLiteral("terminal")).toString(), QStringLiteral("1.2"));
        QCOMPARE(command.value(QStringLiteral("password")).toString(), sent.model->AdminPsw);
        QVERIFY2(command.value(QStringLiteral("first")).toInt() == sent.masterCode->MasterCode,
                 qPrintable(where));
        QVERIFY2(command.value(QStringLiteral("second")).toInt() == sent.subCode->SubCode, qPrintable(where));
        const QByteArray data =
            QByteArray::fromHex(command.value(QStringLiteral("data")).toString().toLatin1());
        QVERIFY2(data == expectedData(sent.masterCode->ProType, sent.subCode->CodeValue),
                 qPrintable(where + QStringLiteral(": ") + QString::fromLatin1(data.toHex(' '))));
        QVERIFY2(command.value(QStringLiteral("sending")).toInt() == 1, qPrintable(where));
        QCOMPARE(command.value(QStringLiteral("answer")).toString(), QStringLiteral("replied"));
    }
}

void ProgramPageSimTest::everyModelGoesWholeToATerminalOnUdp() {
    startOnUdp();
    programModels({0, 1, 2});
}

void ProgramPageSimTest::modelsGoWholeToATerminalOnASerialLine() {
    startOnSerialLine();
    programModels({1, 2});
}

void ProgramPageSimTest::valuesASilentTerminalLeavesUnansweredAreNamed() {
    startOnUdp();
    m_sim.command("silent 1.2");
    NoModelDialog dialog;
    CProgramPage page(
        m_prompter, builtWorkFile(QStringLiteral("DB/English.mdb")), *m_models, m_terminals.session,
        [this]() -> const TerminalEntry* { return m_selected ? &*m_selected : nullptr; },
        OstrelCommandExports(), dialog, [] {});
    page.show();
    // ZV-K200's master code 5, of two sub codes.
    auto* modelBox = page.findChild<QComboBox*>(QStringLiteral("modelBox"));
    modelBox->setCurrentIndex(1);
    emit modelBox->activated(1);
    const auto& masterCodes = m_models->Models().at(1)->MasterCodes();
    const auto masterCode = std::find_if(masterCodes.begin(), masterCodes.end(),
                                         [](const auto& item) { return item->MasterCode == 5; });
    QVERIFY(masterCode != masterCodes.end());
    QCOMPARE((*masterCode)->SubCodes().size(), std::size_t{2});
    auto* masterCodeBox = page.findChild<QComboBox*>(QStringLiteral("masterCodeBox"));
    const int masterCodeIndex = int(masterCode - masterCodes.begin());
    masterCodeBox->setCurrentIndex(masterCodeIndex);
    emit masterCodeBox->activated(masterCodeIndex);
    page.findChild<QRadioButton*>(QStringLiteral("sendScope.AllSubCode"))->click();

    auto* sendButton = page.findChild<QPushButton*>(QStringLiteral("sendButton"));
    QTest::mouseClick(sendButton, Qt::LeftButton);
    // Each command is sent three times, a second apart, before Ostrel gives up on it.
    QVERIFY(QTest::qWaitFor([sendButton] { return sendButton->isEnabled(); }, kWaitMs));
    QCOMPARE(m_prompter.messages.last(),
             QStringLiteral("All commands have been sent.\n0 answered, 2 not answered.\n"
                            "Not answered (master code/sub code): 5/%1, 5/%2")
                 .arg((*masterCode)->SubCodes()[0]->SubCode)
                 .arg((*masterCode)->SubCodes()[1]->SubCode));
    const QList<QJsonObject> received = receivedCommands();
    QCOMPARE(received.size(), 6);
    QCOMPARE(received.last().value(QStringLiteral("sending")).toInt(), 3);
}

QTEST_MAIN(ProgramPageSimTest)
#include "ProgramPageSimTest.moc"
