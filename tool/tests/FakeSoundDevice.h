#pragma once

#include "voice/SoundDevice.h"
#include "voice/WavWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>
#include <functional>
#include <vector>

// Stands in for the computer's sound: keeps what was played and stopped, and when, by a clock of the test's
// choosing (real time by default). Files are real: a sound whose file is missing does not play.
class FakeSoundDevice : public SoundDevice {
public:
    struct Event {
        qint64 ms;
        // "play <path relative to the working folder>" or "stop".
        QString what;
    };

    explicit FakeSoundDevice(std::function<qint64()> clock = {}) : m_clock(std::move(clock)) {
        if (!m_clock) {
            m_elapsed.start();
            m_clock = [this] { return m_elapsed.elapsed(); };
        }
    }

    bool CanPlay() const override { return canPlay; }
    bool PlaySound(const QString& path) override {
        if (!canPlay || !QFileInfo(path).isFile())
            return false;
        events.push_back({m_clock(), QLatin1String("play ") + QDir::current().relativeFilePath(path)});
        m_soundPlays = true;
        return true;
    }
    void StopSound() override {
        if (m_soundPlays)
            events.push_back({m_clock(), QStringLiteral("stop")});
        m_soundPlays = false;
    }

    bool StartTestPlayback(const QString& path) override {
        if (!canPlay || !QFileInfo(path).isFile())
            return false;
        testPlayback = QDir::current().relativeFilePath(path);
        return true;
    }
    void StopTestPlayback() override { EndTestPlayback(); }
    // The test playback reaches the end of its file.
    void EndTestPlayback() {
        if (testPlayback.isEmpty())
            return;
        testPlayback.clear();
        emit TestPlaybackStopped();
    }

    bool CanRecord() const override { return canRecord; }
    bool StartRecording() override {
        recording = canRecord;
        recorded = false;
        return recording;
    }
    void StopRecording() override {
        recorded = recording;
        recording = false;
    }
    bool CanSave() const override { return recorded; }
    // Saves a tenth of a second of quiet, unless told that the disk is full.
    bool SaveRecording(const QString& path, QString& error) override {
        if (saveFails) {
            error = QStringLiteral("No space left on device");
            return false;
        }
        std::string reason;
        const std::vector<std::int16_t> quiet(kRecordingSampleRate / 10);
        const bool saved = writeWav(path.toStdString(), kRecordingSampleRate, quiet, reason);
        error = QString::fromStdString(reason);
        return saved;
    }

    void Close() override {
        StopSound();
        closed = true;
    }

    // What played, as "play ..." and "stop" texts without their times.
    QStringList played() const {
        QStringList texts;
        for (const Event& event : events)
            texts << event.what;
        return texts;
    }

    bool canPlay = true;
    bool canRecord = true;
    bool saveFails = false;
    std::vector<Event> events;
    QString testPlayback;
    bool recording = false;
    bool recorded = false;
    bool closed = false;

private:
    std::function<qint64()> m_clock;
    QElapsedTimer m_elapsed;
    bool m_soundPlays = false;
};
