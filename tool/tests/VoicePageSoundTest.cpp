// The voice page with the real sound device, against the test sound server: what the page plays reaches
// the null sink, whose monitor a terminal would hear, and its default input hears what the sink plays.
#include "NullSinkCapture.h"
#include "RecordingPrompter.h"
#include "RequiredChild.h"
#include "ScratchWorkingFolder.h"
#include "TestDatabase.h"
#include "TypedText.h"
#include "model/ToolDatabase.h"
#include "voice/QtSoundDevice.h"
#include "voice/VoicePage.h"
#include "voice/WavWriter.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>

namespace {

// The three-slot example: orders 3 and 31 with a sample voice file, 20 without.
constexpr char kThreeSlots[] = R"(
    DELETE FROM tb_Sound;
    INSERT INTO tb_Sound (byOrder, WavType, WavName, Remark)
        VALUES (3, '防区名称', 'Armed.wav', ''), (20, '报警信息', '', ''), (31, '警情类型', 'Disarmed.wav', '');
)";

double Rms(std::span<const std::int16_t> samples) {
    double sum = 0;
    for (const std::int16_t sample : samples)
        sum += double(sample) * sample;
    return samples.empty() ? 0.0 : std::sqrt(sum / double(samples.size()));
}

} // namespace

class VoicePageSoundTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void theTransferSignalsEachSlotByItsDigitsInOrder();
    void aRecordingHoldsWhatTheInputHeard();

private:
    template <typename Widget> Widget* child(const char* name) const {
        return requiredChild<Widget>(*m_page, name);
    }

    RecordingPrompter m_prompter;
    std::unique_ptr<ScratchWorkingFolder> m_folder;
    std::unique_ptr<QtSoundDevice> m_sound;
    std::unique_ptr<CVoicePage> m_page;
};

void VoicePageSoundTest::init() {
    m_folder = std::make_unique<ScratchWorkingFolder>();
    QVERIFY(m_folder->isValid());
    QVERIFY(createToolDatabase(QLatin1String(kToolDatabasePath), kThreeSlots));
    QVERIFY(copyBuiltSoundFiles());
    m_sound = std::make_unique<QtSoundDevice>();
    QVERIFY2(m_sound->CanPlay() && m_sound->CanRecord(), "the test sound server is not there");
    m_page = std::make_unique<CVoicePage>(m_prompter, builtWorkFile(QStringLiteral("DB/Chinese.mdb")), 0,
                                          *m_sound, [] { return QString(); });
    m_page->show();
    m_prompter.messages.clear();
    m_prompter.answer = true;
}

void VoicePageSoundTest::cleanup() {
    m_page.reset();
    m_sound.reset();
    m_folder.reset();
}

void VoicePageSoundTest::theTransferSignalsEachSlotByItsDigitsInOrder() {
    NullSinkCapture monitor;
    QVERIFY(monitor.waitUntilFlowing());
    const std::size_t start = monitor.size();

    QTest::mouseClick(child<QPushButton>("writeButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>("writeButton")->isEnabled(), 30000);
    QCOMPARE(m_prompter.messages.last(), QStringLiteral("声音写入完毕"));

    // The opening nines, then 0 3 before slot 3's prompt and 3 1 before slot 31's; slot 20 has no file.
    // The voice files are speech-like sound, which is no digit.
    QVERIFY2(monitor.waitForDigits("990331", start), monitor.digitsSince(start).c_str());
}

void VoicePageSoundTest::aRecordingHoldsWhatTheInputHeard() {
    // A reader on the monitor from the start, so that the server hands the input its sound at once.
    NullSinkCapture monitor;
    QVERIFY(monitor.waitUntilFlowing());
    QtSoundDevice speaker;

    typeIntoBox(child<QLineEdit>("newName"), QStringLiteral("mic"));
    child<QCheckBox>("timeLimit")->setChecked(true);
    typeIntoBox(child<QLineEdit>("recordTime"), QStringLiteral("1500"));
    QTest::mouseClick(child<QPushButton>("recordButton"), Qt::LeftButton);
    QVERIFY(!child<QLineEdit>("newName")->isEnabled());
    QVERIFY(speaker.PlaySound(QDir::current().absoluteFilePath(QStringLiteral("Wave/Welcome.wav"))));
    QTRY_VERIFY_WITH_TIMEOUT(child<QLineEdit>("newName")->isEnabled(), 20000);
    QVERIFY2(m_prompter.messages.isEmpty(), qPrintable(m_prompter.messages.join(QLatin1Char('|'))));

    const WavFile recording = readWav("Wave/mic.wav");
    QVERIFY2(recording.isValid(), recording.error.c_str());
    QCOMPARE(recording.sampleRate, kRecordingSampleRate);
    QVERIFY2(recording.seconds() > 1.0 && recording.seconds() < 2.5,
             qPrintable(QString::number(recording.seconds())));
    QVERIFY2(Rms(recording.samples) > dtmf::kSilenceRms, qPrintable(QString::number(Rms(recording.samples))));
}

QTEST_MAIN(VoicePageSoundTest)
#include "VoicePageSoundTest.moc"
