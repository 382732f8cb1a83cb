#include "voice/QtSoundDevice.h"

#include "voice/WavWriter.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioOutput>
#include <QAudioSource>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QSoundEffect>
#include <QUrl>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool isReadableFile(const QFileInfo& file) {
    return file.isFile() && file.isReadable();
}

QAudioFormat recordingFormat() {
    QAudioFormat format;
    format.setSampleRate(int(kRecordingSampleRate));
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

} // namespace

QtSoundDevice::QtSoundDevice(QObject* parent) : SoundDevice(parent) {}

QtSoundDevice::~QtSoundDevice() = default;

bool QtSoundDevice::CanPlay() const {
    return !QMediaDevices::audioOutputs().isEmpty();
}

bool QtSoundDevice::PlaySound(const QString& path) {
    StopSound();
    const QFileInfo file(path);
    if (!CanPlay() || !isReadableFile(file))
        return false;
    m_playing = std::make_unique<QSoundEffect>();
    m_playing->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    m_playing->play();
    return true;
}

void QtSoundDevice::StopSound() {
    m_playing.reset();
}

bool QtSoundDevice::StartTestPlayback(const QString& path) {
    StopTestPlayback();
    const QFileInfo file(path);
    if (!CanPlay() || !isReadableFile(file))
        return false;
    m_testPlayer = new QMediaPlayer(this);
    m_testPlayer->setAudioOutput(new QAudioOutput(m_testPlayer));
    connect(m_testPlayer, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia || status == QMediaPlayer::InvalidMedia)
            StopTestPlayback();
    });
    connect(m_testPlayer, &QMediaPlayer::errorOccurred, this, &QtSoundDevice::StopTestPlayback);
    m_testPlayer->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    m_testPlayer->play();
    return true;
}

void QtSoundDevice::StopTestPlayback() {
    if (m_testPlayer == nullptr)
        return;
    QMediaPlayer* player = m_testPlayer;
    m_testPlayer = nullptr;
    player->disconnect(this);
    player->stop();
    player->deleteLater();
    emit TestPlaybackStopped();
}

bool QtSoundDevice::CanRecord() const {
    return !QMediaDevices::audioInputs().isEmpty();
}

bool QtSoundDevice::StartRecording() {
    StopRecording();
    m_recorded.clear();
    if (!CanRecord())
        return false;
    m_source = std::make_unique<QAudioSource>(QMediaDevices::defaultAudioInput(), recordingFormat());
    m_recordedSink.open(QIODevice::WriteOnly);
    m_source->start(&m_recordedSink);
    if (m_source->error() != QAudio::NoError || m_source->state() == QAudio::StoppedState) {
        StopRecording();
        return false;
    }
    return true;
}

void QtSoundDevice::StopRecording() {
    if (m_source != nullptr)
        m_source->stop();
    m_source.reset();
    m_recordedSink.close();
}

bool QtSoundDevice::CanSave() const {
    return m_source == nullptr && m_recorded.size() >= qsizetype(sizeof(std::int16_t));
}

bool QtSoundDevice::SaveRecording(const QString& path, QString& error) {
    if (m_source != nullptr) {
        error = QStringLiteral("the recording is still running");
        return false;
    }
    if (!CanSave()) {
        error = QStringLiteral("nothing has been recorded");
        return false;
    }
    std::vector<std::int16_t> samples(std::size_t(m_recorded.size()) / sizeof(std::int16_t));
    std::memcpy(samples.data(), m_recorded.constData(), samples.size() * sizeof(std::int16_t));
    std::string reason;
    if (!writeWav(QFile::encodeName(path).toStdString(), kRecordingSampleRate, samples, reason)) {
        error = QString::fromStdString(reason);
        return false;
    }
    return true;
}

void QtSoundDevice::Close() {
    StopSound();
    StopTestPlayback();
    StopRecording();
}
