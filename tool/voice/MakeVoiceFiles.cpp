// tarvex-make-voice-files FOLDER
//
// Writes the sound files of a working folder: the signal tones sWav/0.wav to sWav/9.wav, which open a voice
// transfer and give each prompt's order number digit by digit, and a few sample voice files in Wave/ to
// assign and transfer before any prompt has been recorded. The build runs it for its prepared working
// folder. Every run writes every file, so the files are as new as the program and the build runs it once
// per change of it.
#include "voice/WavWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <system_error>
#include <vector>

namespace {

// The terminals take the prompts from a telephone-band audio path (about 300 to 3400 Hz). The telephone
// sample rate carries all of it, the highest DTMF tone (1477 Hz) well below half the rate.
constexpr std::uint32_t kSampleRate = 8000;
constexpr double kVoiceBandTopHz = 3400;

// A sound as values between -1 and 1, at kSampleRate.
using Sound = std::vector<double>;

std::size_t samplesFor(double seconds) {
    return static_cast<std::size_t>(std::lround(seconds * kSampleRate));
}

double secondsAt(std::size_t sample) {
    return double(sample) / kSampleRate;
}

// Raises the start and lowers the end of `sound` along half a cosine, so that it neither starts nor stops
// with a click.
void fadeEdges(Sound& sound, double seconds) {
    const std::size_t ramp = std::min(samplesFor(seconds), sound.size() / 2);
    for (std::size_t sample = 0; sample < ramp; ++sample) {
        const double gain = 0.5 - 0.5 * std::cos(std::numbers::pi * double(sample) / double(ramp));
        sound[sample] *= gain;
        sound[sound.size() - 1 - sample] *= gain;
    }
}

std::vector<std::int16_t> toPcm(const Sound& sound) {
    std::vector<std::int16_t> pcm;
    pcm.reserve(sound.size());
    for (const double value : sound)
        pcm.push_back(static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0, 1.0) * 32767)));
    return pcm;
}

// The DTMF pair of a digit: one tone of the keypad's row, one of its column.
struct DtmfPair {
    double rowHz;
    double columnHz;
};
// Rows 697, 770, 852, 941 Hz; columns 1209, 1336, 1477 Hz; indexed by the digit.
constexpr std::array<DtmfPair, 10> kDigitTones{{
    {941, 1336},
    {697, 1209},
    {697, 1336},
    {697, 1477},
    {770, 1209},
    {770, 1336},
    {770, 1477},
    {852, 1209},
    {852, 1336},
    {852, 1477},
}};
// The transfer plays a signal file every 200 ms: a tone, then quiet, so that the same digit twice in a row
// (the 9, 9 that opens every transfer) is heard as two digits, as a keypad's presses are.
constexpr double kSignalSeconds = 0.2;
constexpr double kToneSeconds = 0.14;
// Both tones at the same level, together at most 0.6 of full scale: 4.4 dB below clipping.
constexpr double kToneAmplitude = 0.3;
constexpr double kToneFadeSeconds = 0.005;

Sound dtmfTone(DtmfPair pair) {
    Sound sound(samplesFor(kToneSeconds));
    for (std::size_t sample = 0; sample < sound.size(); ++sample) {
        const double turns = 2 * std::numbers::pi * secondsAt(sample);
        sound[sample] = kToneAmplitude * (std::sin(turns * pair.rowHz) + std::sin(turns * pair.columnHz));
    }
    fadeEdges(sound, kToneFadeSeconds);
    sound.resize(samplesFor(kSignalSeconds), 0.0);
    return sound;
}

// A vowel by its two lowest resonances (formants).
struct Vowel {
    double firstFormantHz;
    double secondFormantHz;
};
// "e" as in "well", "u" as in "come", "a" as in "arm", "i" as in "this".
constexpr Vowel kVowelE{530, 1840};
constexpr Vowel kVowelU{640, 1190};
constexpr Vowel kVowelA{730, 1090};
constexpr Vowel kVowelI{270, 2290};

// A voiced syllable as a stand-in for speech: a harmonic series on a gliding pitch, shaped by a vowel.
struct Syllable {
    double seconds;
    double startPitchHz;
    double endPitchHz;
    Vowel vowel;
};

double formantGain(double frequencyHz, Vowel vowel) {
    constexpr double kFormantWidthHz = 120;
    const auto resonance = [](double offsetHz) { return 1 / (1 + std::pow(offsetHz / kFormantWidthHz, 2)); };
    return 0.05 + resonance(frequencyHz - vowel.firstFormantHz) +
           0.6 * resonance(frequencyHz - vowel.secondFormantHz);
}

Sound voicedSyllable(const Syllable& syllable) {
    Sound sound(samplesFor(syllable.seconds));
    const int harmonics =
        static_cast<int>(kVoiceBandTopHz / std::max(syllable.startPitchHz, syllable.endPitchHz));
    double phase = 0;
    for (std::size_t sample = 0; sample < sound.size(); ++sample) {
        const double progress = double(sample) / double(sound.size());
        const double pitchHz = std::lerp(syllable.startPitchHz, syllable.endPitchHz, progress);
        phase += 2 * std::numbers::pi * pitchHz / kSampleRate;
        double value = 0;
        for (int harmonic = 1; harmonic <= harmonics; ++harmonic)
            value += formantGain(harmonic * pitchHz, syllable.vowel) * std::sin(harmonic * phase);
        // Loudest at the start, fading towards the end of the syllable.
        sound[sample] = value * (1 - 0.6 * progress);
    }
    fadeEdges(sound, 0.03);
    return sound;
}

// A spoken word: its syllables with short pauses, a little silence before and after, its loudest peak at
// half of full scale.
Sound spokenWord(std::initializer_list<Syllable> syllables) {
    constexpr double kEdgeSeconds = 0.05;
    constexpr double kPauseSeconds = 0.06;
    constexpr double kPeak = 0.5;
    Sound word(samplesFor(kEdgeSeconds));
    for (const Syllable& syllable : syllables) {
        if (&syllable != syllables.begin())
            word.resize(word.size() + samplesFor(kPauseSeconds));
        const Sound voiced = voicedSyllable(syllable);
        word.insert(word.end(), voiced.begin(), voiced.end());
    }
    word.resize(word.size() + samplesFor(kEdgeSeconds));
    const double peak = std::ranges::max(word, {}, [](double value) { return std::abs(value); });
    for (double& value : word)
        value *= kPeak / std::abs(peak);
    return word;
}

struct SampleVoice {
    const char* name;
    Sound sound;
};

std::vector<SampleVoice> sampleVoices() {
    const Syllable armed{0.55, 160, 110, kVowelA};
    return {
        {"Welcome.wav", spokenWord({{0.30, 190, 170, kVowelE}, {0.40, 165, 120, kVowelU}})},
        {"Armed.wav", spokenWord({armed})},
        {"Disarmed.wav", spokenWord({{0.22, 200, 180, kVowelI}, armed})},
    };
}

bool makeFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        std::fprintf(stderr, "tarvex-make-voice-files: cannot create %s: %s\n", folder.c_str(),
                     error.message().c_str());
    return !error;
}

bool write(const std::filesystem::path& path, const Sound& sound) {
    std::string error;
    if (!writeWav(path, kSampleRate, toPcm(sound), error)) {
        std::fprintf(stderr, "tarvex-make-voice-files: %s\n", error.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarvex-make-voice-files FOLDER\n"
                             "Writes the signal tones FOLDER/sWav/0.wav to 9.wav and sample voice files in "
                             "FOLDER/Wave/.\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const std::filesystem::path signals = folder / "sWav";
    const std::filesystem::path voices = folder / "Wave";
    if (!makeFolder(signals) || !makeFolder(voices))
        return 1;
    for (std::size_t digit = 0; digit < kDigitTones.size(); ++digit)
        if (!write(signals / (std::to_string(digit) + ".wav"), dtmfTone(kDigitTones[digit])))
            return 1;
    for (const SampleVoice& voice : sampleVoices())
        if (!write(voices / voice.name, voice.sound))
            return 1;
    return 0;
}
