#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

// WAV files as the voice page and the terminal's sound transfer use them: RIFF/WAVE, 16-bit mono PCM.

// Writes one such file. The whole sound at once (writeWav) or block by block as a recording arrives: open,
// append, close; close puts the final sizes into the header. Every failure is reported with its reason.
class WavWriter {
public:
    WavWriter() = default;
    // Finishes an open file as close() does; call close() to learn whether that worked.
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates or empties the file and writes a header for no samples yet.
    bool open(const std::filesystem::path& path, std::uint32_t sampleRate);
    bool append(std::span<const std::int16_t> samples);
    // Writes the sizes into the header and closes the file; false when anything of the file failed.
    bool close();

    bool isOpen() const { return m_file != nullptr; }
    // Why the last open, append or close failed.
    const std::string& error() const { return m_error; }

private:
    bool fail(const std::string& what);

    std::FILE* m_file = nullptr;
    std::filesystem::path m_path;
    std::uint32_t m_sampleRate = 0;
    std::uint32_t m_dataBytes = 0;
    std::string m_error;
};

// Writes `samples` as a whole file; on failure false, with the reason in `error`.
bool writeWav(const std::filesystem::path& path, std::uint32_t sampleRate,
              std::span<const std::int16_t> samples, std::string& error);

// A file read by readWav: its sound, or why it was refused.
struct WavFile {
    std::uint32_t sampleRate = 0;
    std::vector<std::int16_t> samples;
    // Empty when the file is a well-formed 16-bit mono PCM WAV file; otherwise the reason it is not.
    std::string error;

    bool isValid() const { return error.empty(); }
    double seconds() const { return sampleRate == 0 ? 0.0 : double(samples.size()) / sampleRate; }
};

// Reads a 16-bit mono PCM WAV file, refusing anything else: a file too short for its header, another
// format, channel count or sample size, sizes that do not match the file. Chunks other than "fmt " and
// "data" (such as the "LIST" chunk many recorders add) are passed over.
WavFile readWav(const std::filesystem::path& path);
