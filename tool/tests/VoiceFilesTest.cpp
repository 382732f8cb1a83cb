#include "DtmfDetector.h"
#include "ScratchWorkingFolder.h"
#include "TestDatabase.h"
#include "voice/WavWriter.h"

#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

// The sound files of the working folder: the signal tones a terminal hears as the digits of a voice
// transfer, and the sample voice files, which must never be heard as digits.
namespace {

constexpr double kFullScale = 32767;

int peak(const std::vector<std::int16_t>& samples) {
    int loudest = 0;
    for (const std::int16_t sample : samples)
        loudest = std::max(loudest, std::abs(int(sample)));
    return loudest;
}

double rms(const std::vector<std::int16_t>& samples) {
    double energy = 0;
    for (const std::int16_t sample : samples)
        energy += double(sample) * sample;
    return samples.empty() ? 0 : std::sqrt(energy / double(samples.size()));
}

std::vector<std::int16_t> silence(double seconds) {
    return std::vector<std::int16_t>(static_cast<std::size_t>(seconds * 8000));
}

std::vector<std::int16_t> joined(std::initializer_list<std::vector<std::int16_t>> parts) {
    std::vector<std::int16_t> sound;
    for (const auto& part : parts)
        sound.insert(sound.end(), part.begin(), part.end());
    return sound;
}

// Sines of the given frequencies and amplitudes (as parts of full scale) sounding together.
std::vector<std::int16_t> tones(double seconds, std::initializer_list<std::pair<double, double>> sines) {
    std::vector<std::int16_t> sound = silence(seconds);
    for (std::size_t sample = 0; sample < sound.size(); ++sample) {
        double value = 0;
        for (const auto& [hz, amplitude] : sines)
            value += amplitude * std::sin(2 * std::numbers::pi * hz * double(sample) / 8000);
        sound[sample] = static_cast<std::int16_t>(std::lround(value * kFullScale));
    }
    return sound;
}

class VoiceFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_EQ(makeVoiceFiles(), 0) << generatorErrors;
    }

    // Runs the generator into the scratch folder; its exit code, -1 when it crashed or hung.
    int makeVoiceFiles() {
        QProcess generator;
        generator.start(QStringLiteral(TARVEX_MAKE_VOICE_FILES), {QStringLiteral(".")});
        const bool finished = generator.waitForFinished(60000);
        generatorErrors = generator.readAllStandardError().toStdString();
        return finished && generator.exitStatus() == QProcess::NormalExit ? generator.exitCode() : -1;
    }

    static WavFile signalFile(int digit) { return readWav("sWav/" + std::to_string(digit) + ".wav"); }

    static std::vector<std::filesystem::path> generatedFiles(const char* subfolder) {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(subfolder))
            files.push_back(entry.path());
        std::ranges::sort(files);
        return files;
    }

    ScratchWorkingFolder folder;
    std::string generatorErrors;
};

TEST_F(VoiceFilesTest, EachSignalFileIsItsDigitAloneFor200MillisecondsAt8000Hz) {
    for (int digit = 0; digit <= 9; ++digit) {
        SCOPED_TRACE(digit);
        const WavFile wav = signalFile(digit);
        ASSERT_TRUE(wav.isValid()) << wav.error;
        EXPECT_EQ(wav.sampleRate, 8000u);
        EXPECT_EQ(wav.samples.size(), 1600u);
        EXPECT_LT(peak(wav.samples), 0.7 * kFullScale) << "clipped or nearly";
        // Starts and stops softly: a terminal would hear a click as a sound of its own.
        const auto edge = [&](auto first) { return std::vector<std::int16_t>(first, first + 4); };
        EXPECT_LT(peak(edge(wav.samples.begin())), 0.03 * kFullScale);
        EXPECT_LT(peak(edge(wav.samples.end() - 4)), 0.03 * kFullScale);
        // Its last 50 ms are quiet: the pause that keeps the same key pressed twice two digits.
        EXPECT_EQ(peak(std::vector<std::int16_t>(wav.samples.end() - 400, wav.samples.end())), 0);
        EXPECT_EQ(dtmf::detectDigits(wav.samples, wav.sampleRate), std::to_string(digit));
    }
}

// The transfer plays a signal file every 200 ms, one right after the other: each carries its own pause, so
// the 9, 9 that opens every transfer is two digits.
TEST_F(VoiceFilesTest, SignalFilesPlayedBackToBackAreHeardDigitByDigit) {
    std::vector<std::int16_t> transfer;
    for (const int digit : {9, 9, 0, 3, 3, 1}) {
        const WavFile wav = signalFile(digit);
        ASSERT_TRUE(wav.isValid()) << wav.error;
        transfer = joined({transfer, wav.samples});
    }
    EXPECT_EQ(dtmf::detectDigits(transfer, 8000), "990331");
    EXPECT_EQ(dtmf::detectDigits(silence(1), 8000), "");
}

TEST(DtmfDetectorTest, HearsADigitOnlyInItsTwoTonesAtOneLevelAloneForAtLeast40Milliseconds) {
    const auto heard = [](const std::vector<std::int16_t>& sound) { return dtmf::detectDigits(sound, 8000); };
    EXPECT_EQ(heard(tones(0.2, {{697, 0.3}, {1209, 0.3}})), "1");
    EXPECT_EQ(heard(tones(0.2, {{770, 0.3}})), "") << "a row tone alone";
    EXPECT_EQ(heard(tones(0.2, {{697, 0.3}, {1209, 0.1}})), "") << "one tone 9.5 dB below the other";
    EXPECT_EQ(heard(tones(0.2, {{697, 0.3}, {1209, 0.3}, {770, 0.18}})), "") << "a third DTMF tone";
    // After a silence of a whole block (20 ms) or of one and a quarter: a burst of 30 ms either covers one
    // block or three quarters of two; one of 60 ms covers two wherever it starts.
    const auto burst = [](double silenceBefore, double seconds) {
        return joined({silence(silenceBefore), tones(seconds, {{770, 0.3}, {1336, 0.3}}), silence(0.1)});
    };
    EXPECT_EQ(heard(burst(0.02, 0.03)), "");
    EXPECT_EQ(heard(burst(0.025, 0.03)), "");
    EXPECT_EQ(heard(burst(0.025, 0.06)), "5");
}

TEST_F(VoiceFilesTest, SampleVoiceFilesAreAudibleWordsThatHoldNoDigit) {
    const std::vector<std::filesystem::path> voices = generatedFiles("Wave");
    ASSERT_FALSE(voices.empty());
    for (const std::filesystem::path& voice : voices) {
        SCOPED_TRACE(voice.string());
        EXPECT_EQ(voice.extension(), ".wav");
        const WavFile wav = readWav(voice);
        ASSERT_TRUE(wav.isValid()) << wav.error;
        EXPECT_GE(wav.seconds(), 0.5);
        EXPECT_LE(wav.seconds(), 1.5);
        EXPECT_GT(rms(wav.samples), 0.05 * kFullScale) << "silent or nearly";
        EXPECT_LT(peak(wav.samples), kFullScale) << "clipped";
        EXPECT_EQ(dtmf::detectDigits(wav.samples, wav.sampleRate), "");
    }
}

TEST_F(VoiceFilesTest, ThePreparedWorkingFolderHoldsTheSameFiles) {
    for (const char* subfolder : {"sWav", "Wave"})
        for (const std::filesystem::path& file : generatedFiles(subfolder)) {
            SCOPED_TRACE(file.string());
            QFile made(QString::fromStdString(file.string()));
            QFile prepared(builtWorkFile(QString::fromStdString(file.string())));
            ASSERT_TRUE(made.open(QIODevice::ReadOnly));
            ASSERT_TRUE(prepared.open(QIODevice::ReadOnly)) << prepared.fileName().toStdString();
            EXPECT_TRUE(made.readAll() == prepared.readAll());
        }
}

TEST_F(VoiceFilesTest, TheGeneratorStopsWithAMessageWhenAFileCannotBeWritten) {
    ASSERT_TRUE(std::filesystem::remove("sWav/3.wav"));
    ASSERT_TRUE(std::filesystem::create_directory("sWav/3.wav"));
    EXPECT_EQ(makeVoiceFiles(), 1);
    EXPECT_EQ(generatorErrors, "tarvex-make-voice-files: cannot create ./sWav/3.wav: Is a directory\n");
}

} // namespace
