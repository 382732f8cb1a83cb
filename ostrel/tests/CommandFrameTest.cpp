// Frames as the command exports build them: header, fill, finalize.
#include "core/CommandFrame.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

using ostrel::CommandFrame;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes payloadOf(const CommandFrame& frame) {
    const auto begin = frame.bytes.begin() + ostrel::canonical::kPayload;
    return Bytes(begin, begin + frame.payloadLength);
}

// A refused or header-only frame: no payload, and nothing behind the header.
void expectNoPayload(const CommandFrame& frame) {
    EXPECT_EQ(frame.payloadLength, 0);
    for (std::size_t i = ostrel::canonical::kPayload; i < frame.bytes.size(); ++i)
        EXPECT_EQ(frame.bytes[i], 0) << "byte " << i;
}

} // namespace

TEST(CommandFrameHeader, FieldsTakeTheirLowBitsAndTheLengthByteCountsTheChecksum) {
    ostrel::SingleLightFrame frame;
    frame.setAddress(0x101, 0x2FE, 0x71234);
    frame.setCommand(0x107);
    ASSERT_TRUE(frame.fill(3, 1));
    EXPECT_EQ(frame.finalize(), 9);
    EXPECT_EQ(frame.frameLength, 9);
    EXPECT_EQ(Bytes(frame.bytes.begin(), frame.bytes.begin() + 9),
              (Bytes{10, 0x01, 0xFE, 0x12, 0x34, 0x00, 0x07, 0x03, 0x01}));

    ostrel::LcdDisplayFrame fullest;
    ASSERT_TRUE(fullest.fill(0, std::string(63, 'x').c_str()));
    EXPECT_EQ(fullest.finalize(), CommandFrame::kBufferSize);
    EXPECT_EQ(fullest.bytes[0], CommandFrame::kBufferSize + 1);
}

// Digit pairs, first digit high; characters a password lacks count as 0xF, those after the sixth are
// unused.
TEST(CommandFramePassword, PacksTwoCharactersPerByte) {
    const std::vector<std::pair<const char*, Bytes>> cases{
        {"1234", {0x12, 0x34, 0xFF}}, {"908172", {0x90, 0x81, 0x72}}, {"12345", {0x12, 0x34, 0x5F}},
        {"1", {0x1F, 0xFF, 0xFF}},    {"", {0xFF, 0xFF, 0xFF}},       {"12345678", {0x12, 0x34, 0x56}},
    };
    for (const auto& [password, packed] : cases) {
        ostrel::TerminalControlFrame frame;
        ASSERT_TRUE(frame.fill(password, 1, 2));
        Bytes expected = packed;
        expected.push_back(0x21);
        EXPECT_EQ(payloadOf(frame), expected) << '"' << password << '"';
    }
}

TEST(CommandFramePassword, OverEightCharactersQueuesTheHeaderOnly) {
    const char* nine = "123456789";
    ostrel::TerminalControlFrame control;
    EXPECT_TRUE(control.fill(nine, 1, 1));
    expectNoPayload(control);
    control.finalize();
    EXPECT_EQ(control.bytes[0], 8);

    ostrel::ConfigNameFrame name;
    EXPECT_TRUE(name.fill(nine, 1, "Hall"));
    expectNoPayload(name);

    ostrel::ConfigFuncationFrame function;
    EXPECT_TRUE(function.fill(nine, 1, 2, "abc", 0));
    expectNoPayload(function);
}

TEST(CommandFramePayload, ZoneOutsideZeroToEightIsSentAsZero) {
    for (const auto& [zone, last] :
         std::vector<std::pair<int, std::uint8_t>>{{8, 0x81}, {9, 0x01}, {0x18, 0x01}, {-1, 0x01}}) {
        ostrel::TerminalControlFrame frame;
        ASSERT_TRUE(frame.fill("1234", 1, zone));
        EXPECT_EQ(frame.bytes[10], last) << "zone " << zone;
    }
}

TEST(CommandFramePayload, NumbersTakeTheirLowBitsAndWordsGoHighByteFirst) {
    ostrel::SingleOutputFrame output;
    ASSERT_TRUE(output.fill(0x105, 1, 0x11234));
    EXPECT_EQ(payloadOf(output), (Bytes{0x05, 0x01, 0x12, 0x34}));

    ostrel::SingleLightFrame light;
    ASSERT_TRUE(light.fill(7, 0x100));
    EXPECT_EQ(payloadOf(light), (Bytes{0x07, 0x00}));

    ostrel::BuzzerControlFrame buzzer;
    ASSERT_TRUE(buzzer.fill(50, 0x0102, 0xFFFF));
    EXPECT_EQ(payloadOf(buzzer), (Bytes{0x00, 0x32, 0x01, 0x02, 0xFF, 0xFF}));
}

TEST(CommandFrameText, TextsEndInAZero) {
    ostrel::LcdDisplayFrame emptyLcd;
    ASSERT_TRUE(emptyLcd.fill(0, ""));
    EXPECT_EQ(payloadOf(emptyLcd), (Bytes{0x00, 0x00}));
    ostrel::LcdDisplayFrame lcd;
    ASSERT_TRUE(lcd.fill(5, "AB"));
    EXPECT_EQ(payloadOf(lcd), (Bytes{0x05, 'A', 'B', 0x00}));

    ostrel::MessageFrame emptyMessage;
    ASSERT_TRUE(emptyMessage.fill(""));
    EXPECT_EQ(payloadOf(emptyMessage), (Bytes{0x00}));
    ostrel::MessageFrame message;
    ASSERT_TRUE(message.fill("Hi"));
    EXPECT_EQ(payloadOf(message), (Bytes{'H', 'i', 0x00}));

    ostrel::ConfigNameFrame name;
    ASSERT_TRUE(name.fill("1234", 3, "Hall"));
    EXPECT_EQ(payloadOf(name), (Bytes{0x12, 0x34, 0xFF, 0x03, 'H', 'a', 'l', 'l', 0x00}));
}

// Each text at the longest that fits and one character more; a refused frame must keep nothing, and a
// huge text must not spill into the lengths behind the buffer.
TEST(CommandFrameText, TextsThatDoNotFitAreRefused) {
    struct TextCommand {
        const char* name;
        std::size_t longest;
        std::function<bool(const char*)> fill;
    };
    const std::vector<TextCommand> commands{
        {"lcd", 63, [](const char* t) { return ostrel::LcdDisplayFrame{}.fill(0, t); }},
        {"message", 64, [](const char* t) { return ostrel::MessageFrame{}.fill(t); }},
        {"name", 60, [](const char* t) { return ostrel::ConfigNameFrame{}.fill("1234", 0, t); }},
        {"text mode", 59,
         [](const char* t) { return ostrel::ConfigFuncationFrame{}.fill("1234", 1, 2, t, 0); }},
        {"digit mode", 60,
         [](const char* t) { return ostrel::ConfigFuncationFrame{}.fill("1234", 1, 2, t, 1); }},
        {"hex mode", 59,
         [](const char* t) { return ostrel::ConfigFuncationFrame{}.fill("1234", 1, 2, t, 3); }},
    };
    for (const auto& command : commands) {
        EXPECT_TRUE(command.fill(std::string(command.longest, '7').c_str())) << command.name;
        EXPECT_FALSE(command.fill(std::string(command.longest + 1, '7').c_str())) << command.name;
    }

    ostrel::MessageFrame huge;
    EXPECT_FALSE(huge.fill(std::string(1000, 'x').c_str()));
    EXPECT_EQ(huge.payloadLength, 0);
    EXPECT_EQ(huge.frameLength, 0);
}

TEST(CommandFrameText, NullTextsAndPasswordsAreRefused) {
    EXPECT_FALSE(ostrel::LcdDisplayFrame{}.fill(0, nullptr));
    EXPECT_FALSE(ostrel::MessageFrame{}.fill(nullptr));
    EXPECT_FALSE(ostrel::SetupTimeFrame{}.fill(nullptr));
    EXPECT_FALSE(ostrel::TerminalControlFrame{}.fill(nullptr, 1, 1));
    EXPECT_FALSE(ostrel::ConfigNameFrame{}.fill(nullptr, 0, "Hall"));
    EXPECT_FALSE(ostrel::ConfigNameFrame{}.fill("1234", 0, nullptr));
    EXPECT_FALSE(ostrel::ConfigFuncationFrame{}.fill(nullptr, 1, 2, "1", 0));
    EXPECT_FALSE(ostrel::ConfigFuncationFrame{}.fill("1234", 1, 2, nullptr, 0));
}

// The bit map is exactly as long as the count needs, so reading one byte more would show under ASan.
TEST(CommandFrameAllOutputs, SendsOneBitPerOutputRoundedUpToBytes) {
    for (const auto& [count, size] : std::vector<std::pair<int, std::size_t>>{
             {0, 0}, {1, 1}, {8, 1}, {9, 2}, {255, 32}, {256, 0}, {0x109, 2}}) {
        Bytes map(size);
        for (std::size_t i = 0; i < size; ++i)
            map[i] = static_cast<std::uint8_t>(0xA0 + i);
        ostrel::AllOutputFrame frame;
        ASSERT_TRUE(frame.fill(count, map.data())) << count;
        EXPECT_EQ(payloadOf(frame), map) << count;
    }
    EXPECT_TRUE(ostrel::AllOutputFrame{}.fill(0, nullptr));
    EXPECT_FALSE(ostrel::AllOutputFrame{}.fill(1, nullptr));
}

TEST(CommandFrameSetupTime, SixNumberFieldsFromTheDateTimeText) {
    const std::vector<std::pair<std::string, Bytes>> cases{
        {"10-09-27 08:05:00", {0x0A, 0x09, 0x1B, 0x08, 0x05, 0x00}},
        {"--10 - 09::27  ", {0x0A, 0x09, 0x1B, 0x00, 0x00, 0x00}}, // runs of separators count as one
        {"1 2 3 4 5 6 7", {1, 2, 3, 4, 5, 6}},
        {"300-2x-y", {0x2C, 2, 0, 0, 0, 0}}, // low 8 bits of the leading digits
        {"", {0, 0, 0, 0, 0, 0}},
        {" -:", {0, 0, 0, 0, 0, 0}},
        {std::string(29, ' ') + "1234", {12, 0, 0, 0, 0, 0}}, // only the first 31 characters are read
    };
    for (const auto& [text, payload] : cases) {
        ostrel::SetupTimeFrame frame;
        ASSERT_TRUE(frame.fill(text.c_str())) << text;
        EXPECT_EQ(payloadOf(frame), payload) << '"' << text << '"';
    }
}

TEST(CommandFrameConfigFunction, EachModeSendsItsDataAfterPasswordAndBothBytes) {
    const Bytes head{0x12, 0x34, 0x56, 0x01, 0x02};
    const auto with = [&head](Bytes data) {
        data.insert(data.begin(), head.begin(), head.end());
        return data;
    };
    const std::vector<std::tuple<int, std::string, Bytes>> cases{
        {0, "ab", with({'a', 'b', 0x00})},
        {1, "905", with({9, 0, 5})},
        {2, "192.168.1.20", with({0xC0, 0xA8, 0x01, 0x14})},
        {2, "10.1", with({0x0A, 0x01, 0x00, 0x00})},
        {2, "192.168.100.200.", with({0xC0, 0xA8, 0x64, 0xC8})},
        {3, "1aZ", with({0x01, 0x0A, 0x0F})},
        {3, "fF09", with({0x0F, 0x0F, 0x00, 0x09, 0x0F})},
        {3, "Z", with({0x0F})},
        {3, "", with({0x00})}, // an empty hex text is a lone 0, not the end marker
        {3, "12-" + std::string(200, '3'), with({0x01, 0x02, 0x0F})}, // only the digits take room
    };
    for (const auto& [mode, data, payload] : cases) {
        ostrel::ConfigFuncationFrame frame;
        ASSERT_TRUE(frame.fill("123456", 1, 2, data.c_str(), mode)) << mode << " " << data;
        EXPECT_EQ(payloadOf(frame), payload) << mode << " " << data;
    }
}

TEST(CommandFrameConfigFunction, LongAddressOrUnknownModeQueuesTheHeaderOnly) {
    for (const auto& [mode, data] : std::vector<std::pair<int, std::string>>{
             {2, "192.168.100.200.1"}, {2, std::string(500, '1')}, {4, "1"}, {-1, "1"}}) {
        ostrel::ConfigFuncationFrame frame;
        EXPECT_TRUE(frame.fill("1234", 1, 2, data.c_str(), mode)) << mode << " " << data;
        EXPECT_EQ(frame.payloadLength, 0) << mode << " " << data;
        frame.finalize();
        EXPECT_EQ(frame.bytes[0], 8);
    }
}
