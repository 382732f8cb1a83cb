// The Qt sound device against a real sound server: the private PulseAudio server of the test environment,
// whose null sink plays into nothing and whose default input "loopmic" hears what the sink plays.
#include "voice/QtSoundDevice.h"

#include "DtmfDetector.h"
#include "NullSinkCapture.h"
#include "voice/WavWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <numbers>
#include <span>
#include <string>
#include <vector>

namespace {

const QString kSignalFolder = QStringLiteral(TARVEX_WORK_DIR "/sWav/");

// The key's two DTMF tones for `seconds`, each at a third of full scale.
std::vector<std::int16_t> dtmfTone(char key, double seconds) {
    double rowHz = 0;
    double columnHz = 0;
    for (std::size_t row = 0; row < dtmf::kRowHz.size(); ++row)
        for (std::size_t column = 0; column < dtmf::kColumnHz.size(); ++column)
            if (dtmf::kKeys[row][column] == key) {
                rowHz = dtmf::kRowHz[row];
                columnHz = dtmf::kColumnHz[column];
            }
    std::vector<std::int16_t> samples(NullSinkCapture::sampleCount(seconds));
    for (std::size_t sample = 0; sample < samples.size(); ++sample) {
        const double turns = 2 * std::numbers::pi * double(sample) / NullSinkCapture::kRate;
        samples[sample] =
            static_cast<std::int16_t>(10000 * (std::sin(turns * rowHz) + std::sin(turns * columnHz)));
    }
    return samples;
}

double rms(std::span<const std::int16_t> samples) {
    double sum = 0;
    for (const std::int16_t sample : samples)
        sum += double(sample) * sample;
    return samples.empty() ? 0.0 : std::sqrt(sum / double(samples.size()));
}

// Quieter than this is silence (-46 dB of full scale, as the DTMF detector has it).
constexpr double kSilenceRms = dtmf::kSilenceRms;
// The sound that has left the player but not yet reached the monitor: the sink's and parec's buffers (about
// 40 ms here), with room to spare.
constexpr double kInFlightSeconds = 0.25;

} // namespace

class QtSoundDeviceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void playsSignalTonesInOrder();
    void stopSoundCutsTheSoundShort();
    void playsAFileAsItIsNowAfterItChanged();
    void testPlaybackStopsOnceAtTheEnd();
    void stopTestPlaybackStopsItOnce();
    void testPlaybackOfWhatCannotPlay();
    void recordsWhatTheInputHears();
    void closeStopsEverySound();

private:
    QString writeTone(const QString& name, char key, double seconds);
    // Whether the monitor falls silent for `seconds` once the sound already on its way has arrived.
    bool goesSilent(double seconds);

    QtSoundDevice m_device;
    NullSinkCapture m_monitor;
    QTemporaryDir m_folder;
    // A tone longer than any wait for it below, so that only stopping it ends it early.
    QString m_longTone;
    static constexpr double kLongToneSeconds = 3.0;
};

QString QtSoundDeviceTest::writeTone(const QString& name, char key, double seconds) {
    const QString path = m_folder.filePath(name);
    std::string error;
    if (!writeWav(QFile::encodeName(path).toStdString(), NullSinkCapture::kRate, dtmfTone(key, seconds),
                  error))
        qFatal("cannot write %s: %s", qPrintable(path), error.c_str());
    return path;
}

bool QtSoundDeviceTest::goesSilent(double seconds) {
    const std::size_t from = m_monitor.size() + NullSinkCapture::sampleCount(kInFlightSeconds);
    return m_monitor.waitFor(seconds, from) && rms(m_monitor.since(from)) < kSilenceRms;
}

void QtSoundDeviceTest::initTestCase() {
    QVERIFY(m_folder.isValid());
    QVERIFY2(m_device.CanPlay(), "no sound output: is the test sound server running (PULSE_SERVER)?");
    QVERIFY(m_device.CanRecord());
    // A reader on the sink's monitor from the start, and its sound flowing: on a fresh server the first
    // reader gets its sound only after a second or two, and the recordings below would come out short.
    QVERIFY2(m_monitor.waitUntilFlowing(), "parec hears nothing of nullsink.monitor");
    m_longTone = writeTone(QStringLiteral("long-5.wav"), '5', kLongToneSeconds);
}

// Every case starts with the sink quiet, whatever the one before left to play out.
void QtSoundDeviceTest::init() {
    m_device.StopSound();
    QVERIFY(goesSilent(0.1));
}

// The transfer's opening, played as the voice page plays it: a signal file every 200 ms, each stopping
// the one before. Every digit is heard, in order, the repeated 9 twice.
void QtSoundDeviceTest::playsSignalTonesInOrder() {
    const std::size_t from = m_monitor.size();
    QElapsedTimer clock;
    clock.start();
    int playedAt = 0;
    for (const char digit : std::string("9903")) {
        QTest::qWait(playedAt - int(clock.elapsed()));
        QVERIFY(m_device.PlaySound(kSignalFolder + QChar::fromLatin1(digit) + QStringLiteral(".wav")));
        playedAt += 200;
    }
    QVERIFY2(m_monitor.waitForDigits("9903", from), m_monitor.digitsSince(from).c_str());
    // Nothing further: the last signal ends on its own.
    QVERIFY(goesSilent(0.5));
    QCOMPARE(QString::fromStdString(m_monitor.digitsSince(from)), QStringLiteral("9903"));
}

void QtSoundDeviceTest::stopSoundCutsTheSoundShort() {
    const std::size_t from = m_monitor.size();
    QVERIFY(m_device.PlaySound(m_longTone));
    QVERIFY2(m_monitor.waitForDigits("5", from), m_monitor.digitsSince(from).c_str());
    m_device.StopSound();
    QVERIFY2(goesSilent(1.0), "the tone plays on after StopSound");
    // Stopping twice, or with nothing playing, is harmless.
    m_device.StopSound();
}

// A prompt recorded anew into the same file is played as it is now, not as it was first played.
void QtSoundDeviceTest::playsAFileAsItIsNowAfterItChanged() {
    const std::size_t from = m_monitor.size();
    const QString prompt = writeTone(QStringLiteral("prompt.wav"), '1', 0.3);
    QVERIFY(m_device.PlaySound(prompt));
    QVERIFY2(m_monitor.waitForDigits("1", from), m_monitor.digitsSince(from).c_str());
    writeTone(QStringLiteral("prompt.wav"), '2', 0.3);
    QVERIFY(m_device.PlaySound(prompt));
    QVERIFY2(m_monitor.waitForDigits("12", from), m_monitor.digitsSince(from).c_str());
}

void QtSoundDeviceTest::testPlaybackStopsOnceAtTheEnd() {
    const double seconds = 0.6;
    const QString path = writeTone(QStringLiteral("test-7.wav"), '7', seconds);
    QSignalSpy stopped(&m_device, &SoundDevice::TestPlaybackStopped);
    const std::size_t from = m_monitor.size();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_device.StartTestPlayback(path));
    QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 20000);
    // Stopped at the end of the sound, not when it began.
    QCOMPARE_GE(clock.elapsed(), qint64(seconds * 1000 * 0.8));
    QVERIFY2(m_monitor.waitForDigits("7", from), m_monitor.digitsSince(from).c_str());
    // Once: nothing more comes, neither later nor when asked to stop what has already ended.
    m_device.StopTestPlayback();
    QVERIFY(goesSilent(0.5));
    QCOMPARE(stopped.count(), 1);
}

void QtSoundDeviceTest::stopTestPlaybackStopsItOnce() {
    QSignalSpy stopped(&m_device, &SoundDevice::TestPlaybackStopped);
    const std::size_t from = m_monitor.size();
    QVERIFY(m_device.StartTestPlayback(m_longTone));
    QVERIFY2(m_monitor.waitForDigits("5", from), m_monitor.digitsSince(from).c_str());
    QCOMPARE(stopped.count(), 0);
    m_device.StopTestPlayback();
    QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 20000);
    QVERIFY2(goesSilent(1.0), "the test playback plays on after StopTestPlayback");
    QCOMPARE(stopped.count(), 1);

    // A new test playback ends the one that runs: one stop for each.
    QVERIFY(m_device.StartTestPlayback(m_longTone));
    QVERIFY(m_device.StartTestPlayback(m_longTone));
    QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 2, 20000);
    m_device.StopTestPlayback();
    QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 3, 20000);
    QVERIFY(goesSilent(0.5));
    QCOMPARE(stopped.count(), 3);
}

void QtSoundDeviceTest::testPlaybackOfWhatCannotPlay() {
    QSignalSpy stopped(&m_device, &SoundDevice::TestPlaybackStopped);
    // A missing file is refused at once, and no stop follows for what never started.
    QVERIFY(!m_device.StartTestPlayback(m_folder.filePath(QStringLiteral("missing.wav"))));
    QVERIFY(!m_device.PlaySound(m_folder.filePath(QStringLiteral("missing.wav"))));
    // A file that turns out not to be sound stops as soon as the player finds out, once.
    const QString notSound = m_folder.filePath(QStringLiteral("not-sound.wav"));
    QFile file(notSound);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(QByteArray(4000, 'x')) == 4000);
    file.close();
    QVERIFY(m_device.StartTestPlayback(notSound));
    QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 20000);
    QVERIFY(goesSilent(0.5));
    QCOMPARE(stopped.count(), 1);
}

// The default input hears what the null sink plays: a recording of the long tone is that tone, as long as
// the recording ran, in the recording format.
void QtSoundDeviceTest::recordsWhatTheInputHears() {
    QVERIFY(!m_device.CanSave());
    const std::size_t from = m_monitor.size();
    QVERIFY(m_device.PlaySound(m_longTone));
    QVERIFY2(m_monitor.waitForDigits("5", from), m_monitor.digitsSince(from).c_str());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_device.StartRecording());
    QVERIFY(!m_device.CanSave());
    const double recordSeconds = 1.5;
    QVERIFY(m_monitor.waitFor(recordSeconds, m_monitor.size()));
    m_device.StopRecording();
    const double recordedSeconds = double(clock.elapsed()) / 1000;
    m_device.StopSound();
    QVERIFY(m_device.CanSave());

    const QString path = m_folder.filePath(QStringLiteral("recording.wav"));
    QString error;
    QVERIFY2(m_device.SaveRecording(path, error), qPrintable(error));
    const WavFile saved = readWav(QFile::encodeName(path).toStdString());
    QVERIFY2(saved.isValid(), saved.error.c_str());
    QCOMPARE(saved.sampleRate, kRecordingSampleRate);
    QVERIFY2(
        std::abs(saved.seconds() - recordedSeconds) < 0.5,
        qPrintable(QStringLiteral("%1 s saved of %2 s recorded").arg(saved.seconds()).arg(recordedSeconds)));
    QCOMPARE_GT(rms(saved.samples), 20 * kSilenceRms);
    QCOMPARE(QString::fromStdString(dtmf::detectDigits(saved.samples, saved.sampleRate)),
             QStringLiteral("5"));

    // A new recording drops the last one; a recording that runs cannot be saved.
    QVERIFY(m_device.StartRecording());
    QVERIFY(!m_device.CanSave());
    QVERIFY(!m_device.SaveRecording(path, error));
    QVERIFY(!error.isEmpty());
    m_device.StopRecording();
}

void QtSoundDeviceTest::closeStopsEverySound() {
    QSignalSpy stopped(&m_device, &SoundDevice::TestPlaybackStopped);
    const std::size_t from = m_monitor.size();
    QVERIFY(m_device.PlaySound(m_longTone));
    QVERIFY(m_device.StartTestPlayback(m_longTone));
    QVERIFY(m_device.StartRecording());
    QVERIFY2(m_monitor.waitForDigits("5", from), m_monitor.digitsSince(from).c_str());
    m_device.Close();
    QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 20000);
    QVERIFY2(goesSilent(1.0), "sound plays on after Close");
    QCOMPARE(stopped.count(), 1);
}

QTEST_GUILESS_MAIN(QtSoundDeviceTest)
#include "QtSoundDeviceTest.moc"
