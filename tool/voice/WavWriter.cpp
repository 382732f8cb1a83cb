#include "voice/WavWriter.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kPcmFormat = 1;
constexpr std::uint16_t kChannels = 1;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr std::uint16_t kBlockAlign = kChannels * kBitsPerSample / 8;
constexpr std::uint32_t kFormatChunkBytes = 16;
// "RIFF", its size and "WAVE"; the "fmt " chunk; the "data" chunk's header.
constexpr std::uint32_t kRiffHeaderBytes = 12;
constexpr std::uint32_t kChunkHeaderBytes = 8;
constexpr std::uint32_t kHeaderBytes =
    kRiffHeaderBytes + kChunkHeaderBytes + kFormatChunkBytes + kChunkHeaderBytes;
// The RIFF size counts every byte after its own field in 32 bits.
constexpr std::uint32_t kMaxDataBytes = 0xFFFFFFFFu - (kHeaderBytes - kChunkHeaderBytes);
// The byte rate, twice the sample rate, is a 32-bit field too.
constexpr std::uint32_t kMaxSampleRate = 0xFFFFFFFFu / kBlockAlign;

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

void putTag(Bytes& bytes, const char (&tag)[5]) {
    bytes.insert(bytes.end(), tag, tag + 4);
}
void putU16(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}
void putU32(Bytes& bytes, std::uint32_t value) {
    putU16(bytes, static_cast<std::uint16_t>(value));
    putU16(bytes, static_cast<std::uint16_t>(value >> 16));
}

Bytes header(std::uint32_t sampleRate, std::uint32_t dataBytes) {
    Bytes bytes;
    bytes.reserve(kHeaderBytes);
    putTag(bytes, "RIFF");
    putU32(bytes, kHeaderBytes - kChunkHeaderBytes + dataBytes);
    putTag(bytes, "WAVE");
    putTag(bytes, "fmt ");
    putU32(bytes, kFormatChunkBytes);
    putU16(bytes, kPcmFormat);
    putU16(bytes, kChannels);
    putU32(bytes, sampleRate);
    putU32(bytes, sampleRate * kBlockAlign);
    putU16(bytes, kBlockAlign);
    putU16(bytes, kBitsPerSample);
    putTag(bytes, "data");
    putU32(bytes, dataBytes);
    return bytes;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool writeBytes(std::FILE* file, const Bytes& bytes) {
    // An empty block has no buffer to hand over.
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

std::uint16_t u16At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}
std::uint32_t u32At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return u16At(bytes, at) | std::uint32_t(u16At(bytes, at + 2)) << 16;
}
std::string tagAt(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::string(bytes.begin() + at, bytes.begin() + at + 4);
}

// Checks the "fmt " chunk's body: 16-bit mono PCM with sizes that agree. Returns the reason it is not.
std::string readFormat(std::span<const std::uint8_t> format, WavFile& wav) {
    if (format.size() < kFormatChunkBytes)
        return "the format chunk has " + std::to_string(format.size()) + " bytes, PCM needs " +
               std::to_string(kFormatChunkBytes);
    const std::uint16_t encoding = u16At(format, 0);
    const std::uint16_t channels = u16At(format, 2);
    const std::uint32_t sampleRate = u32At(format, 4);
    const std::uint32_t byteRate = u32At(format, 8);
    const std::uint16_t blockAlign = u16At(format, 12);
    const std::uint16_t bits = u16At(format, 14);
    if (encoding != kPcmFormat)
        return "format " + std::to_string(encoding) + " is not PCM (1)";
    if (channels != kChannels)
        return std::to_string(channels) + " channels, not mono";
    if (bits != kBitsPerSample)
        return std::to_string(bits) + "-bit samples, not 16-bit";
    if (sampleRate == 0 || sampleRate > kMaxSampleRate)
        return "a sample rate of " + std::to_string(sampleRate) + " Hz";
    if (blockAlign != kBlockAlign || byteRate != sampleRate * kBlockAlign)
        return "block align " + std::to_string(blockAlign) + " and byte rate " + std::to_string(byteRate) +
               " do not fit 16-bit mono at " + std::to_string(sampleRate) + " Hz";
    wav.sampleRate = sampleRate;
    return {};
}

// Reads a whole RIFF/WAVE image into `wav`; returns the reason it is refused, or nothing.
std::string readImage(std::span<const std::uint8_t> bytes, WavFile& wav) {
    if (bytes.size() < kRiffHeaderBytes)
        return "only " + std::to_string(bytes.size()) + " bytes, too short for a RIFF header";
    if (tagAt(bytes, 0) != "RIFF" || tagAt(bytes, 8) != "WAVE")
        return "not a RIFF/WAVE file";
    const std::uint64_t riffEnd = std::uint64_t(u32At(bytes, 4)) + kChunkHeaderBytes;
    if (riffEnd != bytes.size())
        return "the RIFF header says " + std::to_string(riffEnd) + " bytes, the file has " +
               std::to_string(bytes.size());
    bool haveFormat = false;
    for (std::size_t at = kRiffHeaderBytes; at < bytes.size();) {
        if (bytes.size() - at < kChunkHeaderBytes)
            return "a chunk header is cut short at byte " + std::to_string(at);
        const std::string id = tagAt(bytes, at);
        const std::uint32_t size = u32At(bytes, at + 4);
        const std::size_t body = at + kChunkHeaderBytes;
        if (size > bytes.size() - body)
            return "the \"" + id + "\" chunk says " + std::to_string(size) + " bytes, only " +
                   std::to_string(bytes.size() - body) + " follow";
        if (id == "fmt ") {
            if (std::string reason = readFormat(bytes.subspan(body, size), wav); !reason.empty())
                return reason;
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return "the data chunk comes before the format chunk";
            if (size % kBlockAlign != 0)
                return "the data chunk's " + std::to_string(size) + " bytes are not whole 16-bit samples";
            wav.samples.reserve(size / kBlockAlign);
            for (std::size_t sample = body; sample < body + size; sample += kBlockAlign)
                wav.samples.push_back(static_cast<std::int16_t>(u16At(bytes, sample)));
            return {};
        }
        // Chunks are padded to an even length.
        at = body + size + size % 2;
    }
    return haveFormat ? "no data chunk" : "no format chunk";
}

} // namespace

WavWriter::~WavWriter() {
    if (isOpen())
        close();
}

bool WavWriter::fail(const std::string& what) {
    m_error = what;
    if (m_file)
        std::fclose(std::exchange(m_file, nullptr));
    return false;
}

bool WavWriter::open(const std::filesystem::path& path, std::uint32_t sampleRate) {
    if (isOpen()) {
        // The file being written stays as it is.
        m_error = "cannot open " + path.string() + " while " + m_path.string() + " is being written";
        return false;
    }
    m_error.clear();
    if (sampleRate == 0 || sampleRate > kMaxSampleRate)
        return fail("cannot write " + path.string() + " at a sample rate of " + std::to_string(sampleRate) +
                    " Hz");
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        return fail(systemError("cannot create " + path.string()));
    m_path = path;
    m_sampleRate = sampleRate;
    m_dataBytes = 0;
    if (!writeBytes(m_file, header(m_sampleRate, m_dataBytes)))
        return fail(systemError("cannot write " + m_path.string()));
    return true;
}

bool WavWriter::append(std::span<const std::int16_t> samples) {
    if (!isOpen())
        return fail("no WAV file is open for writing");
    if (samples.size() > (kMaxDataBytes - m_dataBytes) / kBlockAlign)
        return fail("cannot write " + m_path.string() + ": the sound outgrows the 4 GiB of a WAV file");
    Bytes bytes;
    bytes.reserve(samples.size() * kBlockAlign);
    for (const std::int16_t sample : samples)
        putU16(bytes, static_cast<std::uint16_t>(sample));
    if (!writeBytes(m_file, bytes))
        return fail(systemError("cannot write " + m_path.string()));
    m_dataBytes += static_cast<std::uint32_t>(bytes.size());
    return true;
}

bool WavWriter::close() {
    if (!isOpen())
        return fail("no WAV file is open for writing");
    if (std::fseek(m_file, 0, SEEK_SET) != 0 || !writeBytes(m_file, header(m_sampleRate, m_dataBytes)))
        return fail(systemError("cannot write the header of " + m_path.string()));
    // Buffered bytes reach the disk here: a full disk shows itself now at the latest.
    if (std::fclose(std::exchange(m_file, nullptr)) != 0)
        return fail(systemError("cannot finish " + m_path.string()));
    return true;
}

bool writeWav(const std::filesystem::path& path, std::uint32_t sampleRate,
              std::span<const std::int16_t> samples, std::string& error) {
    WavWriter writer;
    const bool written = writer.open(path, sampleRate) && writer.append(samples) && writer.close();
    error = writer.error();
    return written;
}

WavFile readWav(const std::filesystem::path& path) {
    WavFile wav;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        wav.error = systemError("cannot open " + path.string());
        return wav;
    }
    Bytes bytes;
    std::uint8_t block[65536];
    for (std::size_t read; (read = std::fread(block, 1, sizeof block, file.get())) > 0;)
        bytes.insert(bytes.end(), block, block + read);
    if (std::ferror(file.get())) {
        wav.error = systemError("cannot read " + path.string());
        return wav;
    }
    wav.error = readImage(bytes, wav);
    if (!wav.isValid()) {
        wav.sampleRate = 0;
        wav.samples.clear();
    }
    return wav;
}
