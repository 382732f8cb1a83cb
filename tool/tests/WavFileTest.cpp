#include "ScratchWorkingFolder.h"
#include "voice/WavWriter.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <numeric>

// WAV files as the voice page writes and reads them: exact headers, a recording written block by block,
// failures that are reported, and the malformed files the reader refuses with their reasons.
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool putFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

void setU16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void setU32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    setU16(bytes, at, static_cast<std::uint16_t>(value));
    setU16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

// Describes the samples of a file made at 8000 Hz as `channels` channels of `bits` bits, all fields agreeing.
void setLayout(Bytes& bytes, std::uint16_t channels, std::uint16_t bits) {
    const auto blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    setU16(bytes, 22, channels);
    setU32(bytes, 28, 8000u * blockAlign);
    setU16(bytes, 32, blockAlign);
    setU16(bytes, 34, bits);
}

class WavFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    ScratchWorkingFolder folder;
    std::string error;
};

TEST_F(WavFileTest, WritesTheExactHeaderOf16BitMonoPcm) {
    const std::int16_t samples[] = {1, -2, 0x1234};
    ASSERT_TRUE(writeWav("tiny.wav", 8000, samples, error)) << error;
    const Bytes expected = {
        'R', 'I', 'F', 'F', 42,   0,    0, 0, 'W',  'A',  'V',  'E', // 36 + 6 data bytes follow
        'f', 'm', 't', ' ', 16,   0,    0, 0,                        // a 16-byte format chunk:
        1,   0,   1,   0,   0x40, 0x1f, 0, 0, 0x80, 0x3e, 0,    0,    2,    0,    16,
        0, // PCM, mono, 8000 Hz, 16000 B/s, 2, 16
        'd', 'a', 't', 'a', 6,    0,    0, 0, 1,    0,    0xfe, 0xff, 0x34, 0x12, // the samples,
                                                                                  // little-endian
    };
    EXPECT_EQ(fileBytes("tiny.wav"), expected);
}

TEST_F(WavFileTest, ReadsBackTheRateAndEverySampleWritten) {
    std::vector<std::int16_t> samples = {-32768, -1, 0, 1, 32767};
    for (int step = 0; step < 3000; ++step)
        samples.push_back(static_cast<std::int16_t>(step * 37 - 50000));
    ASSERT_TRUE(writeWav("sound.wav", 44100, samples, error)) << error;

    const WavFile wav = readWav("sound.wav");
    ASSERT_TRUE(wav.isValid()) << wav.error;
    EXPECT_EQ(wav.sampleRate, 44100u);
    EXPECT_EQ(wav.samples, samples);
}

TEST_F(WavFileTest, ARecordingAppendedBlockByBlockIsWholeWhenClosed) {
    const std::vector<std::vector<std::int16_t>> blocks = {
        {1, 2, 3}, {}, std::vector<std::int16_t>(1000, -7), {4}};
    WavWriter writer;
    ASSERT_TRUE(writer.open("recording.wav", 16000)) << writer.error();
    for (const auto& block : blocks)
        ASSERT_TRUE(writer.append(block)) << writer.error();
    ASSERT_TRUE(writer.close()) << writer.error();

    const WavFile wav = readWav("recording.wav");
    ASSERT_TRUE(wav.isValid()) << wav.error;
    EXPECT_EQ(wav.sampleRate, 16000u);
    EXPECT_EQ(wav.samples, std::accumulate(blocks.begin(), blocks.end(), std::vector<std::int16_t>(),
                                           [](std::vector<std::int16_t> all, const auto& block) {
                                               all.insert(all.end(), block.begin(), block.end());
                                               return all;
                                           }));

    EXPECT_FALSE(writer.append(blocks[0])) << "the file is closed";
    EXPECT_EQ(writer.error(), "no WAV file is open for writing");
    EXPECT_EQ(readWav("recording.wav").samples.size(), 1004u);
}

TEST_F(WavFileTest, AWriterLeftOpenFinishesItsFile) {
    {
        WavWriter writer;
        ASSERT_TRUE(writer.open("interrupted.wav", 8000));
        ASSERT_TRUE(writer.append(std::vector<std::int16_t>(80, 5)));
    }
    const WavFile wav = readWav("interrupted.wav");
    ASSERT_TRUE(wav.isValid()) << wav.error;
    EXPECT_EQ(wav.samples, std::vector<std::int16_t>(80, 5));
}

TEST_F(WavFileTest, ReportsWhatCannotBeWritten) {
    const std::int16_t samples[] = {1, 2};
    ASSERT_TRUE(putFile("plain", {}));
    EXPECT_FALSE(writeWav("plain/sound.wav", 8000, samples, error));
    EXPECT_EQ(error, "cannot create plain/sound.wav: Not a directory");

    // The disk fills up: the bytes held in the buffer fail when the file is finished.
    EXPECT_FALSE(writeWav("/dev/full", 8000, samples, error));
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;

    EXPECT_FALSE(writeWav("sound.wav", 0, samples, error));
    EXPECT_EQ(error, "cannot write sound.wav at a sample rate of 0 Hz");

    WavWriter writer;
    ASSERT_TRUE(writer.open("first.wav", 8000));
    EXPECT_FALSE(writer.open("second.wav", 8000));
    EXPECT_EQ(writer.error(), "cannot open second.wav while first.wav is being written");
    EXPECT_TRUE(writer.append(samples)) << "the first file goes on";
    EXPECT_TRUE(writer.close());
    EXPECT_EQ(readWav("first.wav").samples.size(), 2u);
}

TEST_F(WavFileTest, PassesOverChunksItDoesNotNeed) {
    const std::int16_t samples[] = {100, -100, 200};
    ASSERT_TRUE(writeWav("plain.wav", 8000, samples, error)) << error;
    Bytes bytes = fileBytes("plain.wav");
    // An odd-sized "LIST" chunk and its pad byte between the format and the data, as recorders write it.
    const Bytes list = {'L', 'I', 'S', 'T', 5, 0, 0, 0, 'I', 'N', 'F', 'O', 'x', 0};
    bytes.insert(bytes.begin() + 36, list.begin(), list.end());
    setU32(bytes, 4, static_cast<std::uint32_t>(bytes.size() - 8));
    ASSERT_TRUE(putFile("annotated.wav", bytes));

    const WavFile wav = readWav("annotated.wav");
    ASSERT_TRUE(wav.isValid()) << wav.error;
    EXPECT_EQ(wav.samples, std::vector<std::int16_t>(std::begin(samples), std::end(samples)));
}

TEST_F(WavFileTest, RefusesMalformedFilesWithTheirReason) {
    const std::int16_t samples[] = {1, 2, 3, 4};
    ASSERT_TRUE(writeWav("good.wav", 8000, samples, error)) << error;
    const Bytes good = fileBytes("good.wav");
    ASSERT_EQ(good.size(), 52u);
    struct Case {
        const char* name;
        void (*breakFile)(Bytes&);
        const char* reason;
    };
    const Case cases[] = {
        {"cut short in the header", [](Bytes& b) { b.resize(10); },
         "only 10 bytes, too short for a RIFF header"},
        {"cut short in the samples", [](Bytes& b) { b.resize(49); },
         "the RIFF header says 52 bytes, the file has 49"},
        {"not RIFF", [](Bytes& b) { b[3] = 'X'; }, "not a RIFF/WAVE file"},
        {"float samples", [](Bytes& b) { setU16(b, 20, 3); }, "format 3 is not PCM (1)"},
        {"stereo", [](Bytes& b) { setLayout(b, 2, 16); }, "2 channels, not mono"},
        {"8-bit", [](Bytes& b) { setLayout(b, 1, 8); }, "8-bit samples, not 16-bit"},
        {"wrong byte rate", [](Bytes& b) { setU32(b, 28, 8000); },
         "block align 2 and byte rate 8000 do not fit 16-bit mono at 8000 Hz"},
        {"no sample rate",
         [](Bytes& b) {
             setU32(b, 24, 0);
             setU32(b, 28, 0);
         },
         "a sample rate of 0 Hz"},
        {"short format chunk", [](Bytes& b) { setU32(b, 16, 14); },
         "the format chunk has 14 bytes, PCM needs 16"},
        {"data size larger than the file", [](Bytes& b) { setU32(b, 40, 100); },
         "the \"data\" chunk says 100 bytes, only 8 follow"},
        {"half a sample", [](Bytes& b) { setU32(b, 40, 7); },
         "the data chunk's 7 bytes are not whole 16-bit samples"},
        {"no data chunk",
         [](Bytes& b) {
             b.resize(36);
             setU32(b, 4, 28);
         },
         "no data chunk"},
    };
    for (const Case& broken : cases) {
        SCOPED_TRACE(broken.name);
        Bytes bytes = good;
        broken.breakFile(bytes);
        ASSERT_TRUE(putFile("broken.wav", bytes));
        const WavFile wav = readWav("broken.wav");
        EXPECT_EQ(wav.error, broken.reason);
        EXPECT_EQ(wav.sampleRate, 0u);
        EXPECT_TRUE(wav.samples.empty());
    }
    EXPECT_EQ(readWav("missing.wav").error, "cannot open missing.wav: No such file or directory");
}

} // namespace
