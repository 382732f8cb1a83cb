#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>
#include <string>

// Hears the DTMF digits in a sound, as a terminal listening to a voice transfer does: the sound is cut into
// blocks of 20 ms; a block holds a digit when its row and column tones stand clearly above the other DTMF
// frequencies and together carry most of the block's energy, which speech never does; a digit counts
// when it lasts at least two blocks in a row (40 ms). Consecutive blocks of one digit are one digit; a
// block of silence or of any other sound separates two.
namespace dtmf {

constexpr std::array<double, 4> kRowHz{697, 770, 852, 941};
constexpr std::array<double, 3> kColumnHz{1209, 1336, 1477};
constexpr char kKeys[4][3] = {{'1', '2', '3'}, {'4', '5', '6'}, {'7', '8', '9'}, {'*', '0', '#'}};

constexpr double kBlockSeconds = 0.02;
constexpr std::size_t kMinimumBlocks = 2;
// Each of the two tones at least 6 dB above every other DTMF frequency: a tone much weaker than its
// partner falls short of it too, as the partner spills over into the neighbouring frequencies.
constexpr double kDominance = 4;
// The two tones' share of the block's energy; a block only partly covered by a tone falls short of it.
constexpr double kToneShare = 0.8;
// Quieter blocks are silence (-46 dB of full scale).
constexpr double kSilenceRms = 164;

// The energy of one frequency in a block (Goertzel), on the scale of the block's sum of squares: a tone
// of that frequency alone gives about that sum.
inline double toneEnergy(std::span<const std::int16_t> block, double frequencyHz, double sampleRate) {
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequencyHz / sampleRate);
    double previous = 0;
    double beforePrevious = 0;
    for (const std::int16_t sample : block) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double magnitudeSquared =
        previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    return 2 * magnitudeSquared / double(block.size());
}

// The key a block holds, or 0.
inline char blockKey(std::span<const std::int16_t> block, double sampleRate) {
    double energy = 0;
    for (const std::int16_t sample : block)
        energy += double(sample) * sample;
    if (energy < kSilenceRms * kSilenceRms * double(block.size()))
        return 0;
    std::array<double, 4> rows{};
    std::array<double, 3> columns{};
    std::ranges::transform(kRowHz, rows.begin(),
                           [&](double hz) { return toneEnergy(block, hz, sampleRate); });
    std::ranges::transform(kColumnHz, columns.begin(),
                           [&](double hz) { return toneEnergy(block, hz, sampleRate); });
    const auto row = std::ranges::max_element(rows) - rows.begin();
    const auto column = std::ranges::max_element(columns) - columns.begin();
    const double weaker = std::min(rows[row], columns[column]);
    const auto standsOut = [&](std::span<const double> energies, std::ptrdiff_t chosen) {
        for (std::ptrdiff_t other = 0; other < std::ssize(energies); ++other)
            if (other != chosen && energies[other] * kDominance > weaker)
                return false;
        return true;
    };
    if (!standsOut(rows, row) || !standsOut(columns, column) ||
        rows[row] + columns[column] < kToneShare * energy)
        return 0;
    return kKeys[row][column];
}

// The keys heard in `samples`, in order.
inline std::string detectDigits(std::span<const std::int16_t> samples, std::uint32_t sampleRate) {
    const auto blockSize = static_cast<std::size_t>(kBlockSeconds * sampleRate);
    std::string digits;
    char current = 0;
    std::size_t blocks = 0;
    const auto endRun = [&] {
        if (current != 0 && blocks >= kMinimumBlocks)
            digits += current;
    };
    for (std::size_t start = 0; blockSize > 0 && start + blockSize <= samples.size(); start += blockSize) {
        const char key = blockKey(samples.subspan(start, blockSize), sampleRate);
        if (key != current) {
            endRun();
            current = key;
            blocks = 0;
        }
        ++blocks;
    }
    endRun();
    return digits;
}

} // namespace dtmf
