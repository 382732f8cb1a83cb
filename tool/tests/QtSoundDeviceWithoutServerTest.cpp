// The Qt sound device where no sound server can be reached: Qt itself would report sounds as playing that
// nobody hears, so the device has to say no.
#include "voice/QtSoundDevice.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class QtSoundDeviceWithoutServerTest : public QObject {
    Q_OBJECT

private slots:
    void refusesToPlayAndRecord() {
        QtSoundDevice device;
        QSignalSpy stopped(&device, &SoundDevice::TestPlaybackStopped);
        const QString signal = QStringLiteral(TARVEX_WORK_DIR "/sWav/9.wav");
        QVERIFY(!device.CanPlay());
        QVERIFY(!device.PlaySound(signal));
        QVERIFY(!device.StartTestPlayback(signal));
        QVERIFY(!device.CanRecord());
        QVERIFY(!device.StartRecording());
        device.StopRecording();
        QVERIFY(!device.CanSave());
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("recording.wav"));
        QString error;
        QVERIFY(!device.SaveRecording(path, error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(path));
        device.Close();
        QCOMPARE(stopped.count(), 0);
    }
};

int main(int argc, char** argv) {
    // A server address where none listens, set before Qt Multimedia first looks for one.
    qputenv("PULSE_SERVER", "unix:/nonexistent/tarvex-test/native");
    QCoreApplication app(argc, argv);
    QtSoundDeviceWithoutServerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "QtSoundDeviceWithoutServerTest.moc"
