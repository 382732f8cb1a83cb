#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

// Recordings are telephone sound, as the terminal's prompts are: 8000 samples a second, 16-bit, mono.
inline constexpr std::uint32_t kRecordingSampleRate = 8000;

// The computer's sound output and input as the voice page uses them: sounds played in the background
// (the signal tones and prompts of a transfer), a test playback that says when it has stopped, and
// recording into a WAV file. Every question is answered truthfully: with no sound device or no sound
// server the answer is false, never a success that plays or records nothing.
class SoundDevice : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Whether there is a sound output to play to.
    virtual bool CanPlay() const = 0;
    // Stops the sound PlaySound started, if any, and starts the WAV file at `path` in the background.
    // False, with nothing playing, when the file is missing or there is no output.
    virtual bool PlaySound(const QString& path) = 0;
    // Stops the sound PlaySound started; nothing when none plays.
    virtual void StopSound() = 0;

    // Starts a test playback of the file at `path` from its beginning, ending the one before. False when
    // it cannot play (no output, a missing file); TestPlaybackStopped then never comes for it.
    virtual bool StartTestPlayback(const QString& path) = 0;
    // Ends the test playback; TestPlaybackStopped follows, as it does when the file has played to its end
    // or cannot be played after all.
    virtual void StopTestPlayback() = 0;

    // Whether there is a sound input to record from.
    virtual bool CanRecord() const = 0;
    // Starts a new recording, dropping the last one. False when the input cannot be opened.
    virtual bool StartRecording() = 0;
    // Ends the recording that runs; what it took stays ready to be saved.
    virtual void StopRecording() = 0;
    // Whether a stopped recording is there to be saved.
    virtual bool CanSave() const = 0;
    // Writes the stopped recording to `path` as a 16-bit mono PCM WAV file at kRecordingSampleRate; false
    // with the reason in `error` when it is not written.
    virtual bool SaveRecording(const QString& path, QString& error) = 0;

    // Stops every sound and recording and lets the devices go.
    virtual void Close() = 0;

signals:
    void TestPlaybackStopped();
};
