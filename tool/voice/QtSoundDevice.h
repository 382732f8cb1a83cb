#pragma once

#include "voice/SoundDevice.h"

#include <QBuffer>
#include <QByteArray>
#include <memory>

class QAudioSource;
class QMediaPlayer;
class QSoundEffect;

// The sound device on Qt Multimedia: background sounds with QSoundEffect, the test playback with
// QMediaPlayer, recording with QAudioSource into our own WAV writer. Qt answers "playing" even when no
// sound server is there to hear it, so every start first asks QMediaDevices whether there is a device.
class QtSoundDevice : public SoundDevice {
    Q_OBJECT
public:
    explicit QtSoundDevice(QObject* parent = nullptr);
    ~QtSoundDevice() override;

    bool CanPlay() const override;
    bool PlaySound(const QString& path) override;
    void StopSound() override;

    bool StartTestPlayback(const QString& path) override;
    void StopTestPlayback() override;

    bool CanRecord() const override;
    bool StartRecording() override;
    void StopRecording() override;
    // A recording stopped before any sound arrived has nothing to save: a WAV file of no samples would
    // stand in for a prompt that says nothing.
    bool CanSave() const override;
    bool SaveRecording(const QString& path, QString& error) override;

    void Close() override;

private:
    // A new effect for every sound: one played again after a stop first plays out what it had buffered
    // before (Qt 6.4), and loading a signal file takes a few milliseconds.
    std::unique_ptr<QSoundEffect> m_playing;

    // One player for each test playback, so that nothing the one before reports can end the next. A
    // player goes with deleteLater: it may be the one whose signal we are answering.
    QMediaPlayer* m_testPlayer = nullptr;

    // The recording as it arrives, 16-bit samples at kRecordingSampleRate. The source writes into the
    // buffer, so it is declared after it and goes first.
    QByteArray m_recorded;
    QBuffer m_recordedSink{&m_recorded};
    std::unique_ptr<QAudioSource> m_source;
};
