// The core's readings of what users and brokers write: ports, addresses, option values and the twelve
// commands, from `send` words and from JSON payloads.
#include "CommandRequest.h"
#include "OptionValues.h"
#include "PortSpec.h"
#include "TerminalAddress.h"
#include "ostrel/ostrel.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace tarvex::cli;
using json = nlohmann::json;

namespace {

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

CommandParse words(const std::string& line) {
    return parseCommandWords(split(line));
}

} // namespace

TEST(PortSpec, NumbersUpToTenAreSerialLinesTheRestUdpPorts) {
    std::string error;
    EXPECT_EQ(parsePortSpec("1", error), (PortSpec{1, 1}));
    EXPECT_EQ(parsePortSpec("10", error), (PortSpec{10, 10}));
    EXPECT_EQ(parsePortSpec("11", error), (PortSpec{11, OSTREL_PORT_UDP}));
    EXPECT_EQ(parsePortSpec("65535", error), (PortSpec{65535, OSTREL_PORT_UDP}));
    EXPECT_EQ(portLabel({3, 3}), "COM3");
    EXPECT_EQ(portLabel({6000, OSTREL_PORT_UDP}), "UDP 6000");
    for (const char* bad : {"0", "65536", "-1", "", "6000x", " 6000", "COM3", "99999999999"}) {
        error.clear();
        EXPECT_FALSE(parsePortSpec(bad, error)) << bad;
        EXPECT_NE(error.find("no port"), std::string::npos) << bad << ": " << error;
    }
}

TEST(TerminalAddress, TakesBytesUpTo254AndRefusesBlockAddresses) {
    std::string error;
    EXPECT_EQ(parseTerminalAddress("1.2", error), (TerminalAddress{1, 2}));
    EXPECT_EQ(parseTerminalAddress("0.0", error), (TerminalAddress{0, 0}));
    EXPECT_EQ(parseTerminalAddress("254.254", error), (TerminalAddress{254, 254}));
    EXPECT_EQ((TerminalAddress{12, 3}).text(), "12.3");
    EXPECT_LT((TerminalAddress{1, 9}), (TerminalAddress{2, 0}));
    for (const char* bad :
         {"255.1", "1.255", "1", "1.2.3", "a.b", "", ".", "1.", ".2", "-1.2", "+1.2", "1 .2"}) {
        error.clear();
        EXPECT_FALSE(parseTerminalAddress(bad, error)) << bad;
        EXPECT_NE(error.find("no terminal address"), std::string::npos) << bad << ": " << error;
    }
}

TEST(OptionValues, SecondsAndRetryLimitsInRange) {
    std::string error;
    EXPECT_EQ(parseSeconds("2", "--for", error), std::chrono::milliseconds(2000));
    EXPECT_EQ(parseSeconds("0.5", "--for", error), std::chrono::milliseconds(500));
    EXPECT_EQ(parseRetryLimit("1", error), 1);
    EXPECT_EQ(parseRetryLimit("255", error), 255);
    for (const char* bad : {"0", "-1", "", "x", "1e3", "nan", "inf", "2000000", "1s"}) {
        error.clear();
        EXPECT_FALSE(parseSeconds(bad, "--timeout", error)) << bad;
        EXPECT_NE(error.find("--timeout"), std::string::npos) << error;
    }
    for (const char* bad : {"0", "256", "-3", "", "three"}) {
        error.clear();
        EXPECT_FALSE(parseRetryLimit(bad, error)) << bad;
        EXPECT_NE(error.find("--retries"), std::string::npos) << error;
    }
}

// Every command, written both ways: the words of `send` and a JSON payload must give the same request.
struct CommandCase {
    std::string words;
    json payload;
    CommandRequest expected;
};

class EveryCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(EveryCommand, WordsAndJsonGiveTheSameRequest) {
    const auto& c = GetParam();
    const auto fromWords = words(c.words);
    ASSERT_TRUE(fromWords.request) << fromWords.error;
    EXPECT_EQ(*fromWords.request, c.expected);
    const auto fromJson = parseCommandJson(c.payload);
    ASSERT_TRUE(fromJson.request) << fromJson.error;
    EXPECT_EQ(*fromJson.request, c.expected);
    EXPECT_EQ(commandName(c.expected), split(c.words).front());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, EveryCommand,
    ::testing::Values(
        CommandCase{"arm 1234", {{"command", "arm"}, {"password", "1234"}}, ArmCommand{true, "1234", 0}},
        CommandCase{"disarm 654321 8",
                    {{"command", "disarm"}, {"password", "654321"}, {"zone", 8}},
                    ArmCommand{false, "654321", 8}},
        CommandCase{"output 4 on 300",
                    {{"command", "output"}, {"output", 4}, {"state", "on"}, {"value", 300}},
                    OutputCommand{4, 1, 300}},
        CommandCase{
            "output 255 7", {{"command", "output"}, {"output", 255}, {"state", 7}}, OutputCommand{255, 7, 0}},
        CommandCase{"lamp 2 off", {{"command", "lamp"}, {"lamp", 2}, {"state", "off"}}, LampCommand{2, 0}},
        CommandCase{"buzzer 65535 0 10",
                    {{"command", "buzzer"}, {"total", 65535}, {"sounding", 0}, {"pause", 10}},
                    BuzzerCommand{65535, 0, 10}},
        CommandCase{"display Door  open",
                    {{"command", "display"}, {"text", "Door open"}},
                    DisplayCommand{"Door open"}},
        CommandCase{"clear", {{"command", "clear"}}, ClearCommand{}},
        CommandCase{"message 报警 3", {{"command", "message"}, {"text", "报警 3"}}, MessageCommand{"报警 3"}},
        CommandCase{"outputs 1010",
                    {{"command", "outputs"}, {"outputs", "1010"}},
                    OutputsCommand{{true, false, true, false}}},
        CommandCase{"clock", {{"command", "clock"}}, ClockCommand{}},
        CommandCase{"clock 2024-02-29 23:59:58",
                    {{"command", "clock"}, {"time", "2024-02-29T23:59:58"}},
                    ClockCommand{ClockTime{2024, 2, 29, 23, 59, 58}}},
        CommandCase{"name 1234 terminal Front door",
                    {{"command", "name"}, {"password", "1234"}, {"zone", 0}, {"name", "Front door"}},
                    NameCommand{"1234", 0, "Front door"}},
        CommandCase{"name 1234 3 Hall",
                    {{"command", "name"}, {"password", "1234"}, {"zone", 3}, {"name", "Hall"}},
                    NameCommand{"1234", 3, "Hall"}},
        CommandCase{"program 1234 7 9 192.168.1.20 address",
                    {{"command", "program"},
                     {"password", "1234"},
                     {"master", 7},
                     {"sub", 9},
                     {"data", "192.168.1.20"},
                     {"mode", "address"}},
                    ProgramCommand{"1234", 7, 9, "192.168.1.20", ProgramDataMode::Address}},
        CommandCase{
            "program 1234 1 2 hello",
            {{"command", "program"}, {"password", "1234"}, {"master", 1}, {"sub", 2}, {"data", "hello"}},
            ProgramCommand{"1234", 1, 2, "hello", ProgramDataMode::Text}},
        CommandCase{"powerup", {{"command", "powerup"}}, PowerupCommand{}}));

// Each bad input is refused with an error that names the field (or says what is wrong with the command).
struct BadCase {
    std::string words;
    std::string named;
};

void expectRefused(const std::vector<BadCase>& cases) {
    for (const auto& c : cases) {
        const auto parsed = words(c.words);
        EXPECT_FALSE(parsed.request) << c.words;
        EXPECT_NE(parsed.error.find(c.named), std::string::npos) << c.words << ": " << parsed.error;
    }
}

TEST(CommandWords, ValuesOutOfRangeAreRefusedNamingTheField) {
    expectRefused({
        {"arm 1234 9", "zone must be a number 0 to 8, not '9'"},
        {"arm 123", "password must be 4 or 6 digits"},
        {"arm 12345", "password"},
        {"arm 12a4", "password"},
        {"output 256 on", "output must be a number 0 to 255"},
        {"output 1 on 65536", "value"},
        {"output -1 on", "output"},
        {"lamp 1 256", "state must be on, off or a number 0 to 255"},
        {"lamp 1 of", "state"},
        {"buzzer 1 70000 1", "sounding"},
        {"outputs 1012", "outputs must be 1 to 255 digits 0 or 1"},
        {"outputs " + std::string(256, '1'), "outputs"},
        {"clock 2023-02-29 12:00:00", "time must be a time YYYY-MM-DD HH:MM:SS"},
        {"clock 1999-12-31 23:59:59", "time"},
        {"clock 2024-01-01 24:00:00", "time"},
        {"clock 2024-01-01", "time"},
        {"name 1234 9 Hall", "zone must be terminal or a zone 1 to 8, not '9'"},
        {"name 1234 hall Hall", "zone must be terminal or a zone 1 to 8"},
        {"program 1234 256 1 x", "master"},
        {"program 1234 1 1 12a digits", "digits mode"},
        {"program 1234 1 1 " + std::string(61, '7') + " digits", "digits mode"},
        {"program 1234 1 1 xyz hex", "hex mode"},
        {"program 1234 1 1 1.2.3.256 address", "address mode"},
        {"program 1234 1 1 1.2.3 address", "address mode"},
        {"program 1234 1 1 x binary", "mode must be text, digits, address or hex"},
    });
}

TEST(CommandWords, MissingAndSurplusWordsAreRefusedWithTheUsage) {
    expectRefused({
        {"arm", "arm: password is missing (usage: arm PASSWORD [ZONE])"},
        {"lamp 1", "lamp: state is missing (usage: lamp LAMP on|off|STATE)"},
        {"buzzer 1 2", "pause is missing"},
        {"display", "text is missing"},
        {"name 1234 terminal", "name is missing"},
        {"program 1234 1 2", "data is missing"},
        {"clear now", "clear: too many words from 'now' on"},
        {"lamp 1 on 3", "too many words from '3' on"},
        {"arm 1234 1 2", "too many words"},
    });
    EXPECT_EQ(parseCommandWords({}).error, "no command given");
}

TEST(CommandWords, UnknownCommandListsTheKnownOnes) {
    expectRefused(
        {{"light 1 on", "unknown command 'light' (commands: arm, disarm, output, lamp, buzzer, display, "
                        "clear, message, outputs, clock, name, program, powerup)"},
         {"ARM 1234", "unknown command 'ARM'"}});
}

TEST(CommandWords, TextsKeepTheirCharactersButNoZero) {
    const std::vector<std::string> withZero{"display", std::string("a\0b", 3)};
    const auto parsed = parseCommandWords(withZero);
    EXPECT_FALSE(parsed.request);
    EXPECT_NE(parsed.error.find("text must not hold a zero character"), std::string::npos) << parsed.error;
}

TEST(CommandJson, WrongTypesAndUnknownFieldsAreRefused) {
    const std::vector<std::pair<json, std::string>> cases{
        {json::array({"lamp", 1}), "a command must be a JSON object"},
        {json{{"lamp", 1}}, "the field \"command\" must name the command"},
        {json{{"command", 7}}, "the field \"command\" must name the command"},
        {json{{"command", "fly"}}, "unknown command 'fly'"},
        {json{{"command", "lamp"}, {"lamp", "1"}, {"state", "on"}},
         "lamp: lamp must be a number 0 to 255, not \"1\""},
        {json{{"command", "lamp"}, {"lamp", 1.5}, {"state", "on"}}, "lamp must be a number"},
        {json{{"command", "lamp"}, {"lamp", 1}, {"state", true}}, "state must be on, off or a number"},
        {json{{"command", "lamp"}, {"lamp", 1}, {"state", "7"}}, "state must be on, off or a number"},
        {json{{"command", "lamp"}, {"lamp", 1}}, "lamp: state is missing"},
        {json{{"command", "lamp"}, {"lamp", 1}, {"state", 1}, {"colour", "red"}},
         "lamp: unknown field \"colour\""},
        {json{{"command", "arm"}, {"password", 1234}}, "password must be a text of 4 or 6 digits in quotes"},
        {json{{"command", "arm"}, {"password", "1234"}, {"zone", "2"}}, "zone must be a number 0 to 8"},
        {json{{"command", "display"}, {"text", 42}}, "display: text must be a text, not 42"},
        {json{{"command", "outputs"}, {"outputs", 101}}, "outputs must be a text"},
        {json{{"command", "clock"}, {"time", 1700000000}}, "time must be a text"},
        {json{{"command", "name"}, {"password", "1234"}, {"zone", 9}, {"name", "x"}},
         "name: zone must be 0 (the terminal) or a zone 1 to 8, not 9"},
        {json{{"command", "program"},
              {"password", "1234"},
              {"master", 1},
              {"sub", 1},
              {"data", "1"},
              {"mode", 1}},
         "mode must be a text"},
    };
    for (const auto& [payload, named] : cases) {
        const auto parsed = parseCommandJson(payload);
        EXPECT_FALSE(parsed.request) << payload;
        EXPECT_NE(parsed.error.find(named), std::string::npos) << payload << ": " << parsed.error;
    }
    // The caller's own "id" is let through.
    EXPECT_TRUE(parseCommandJson({{"command", "clear"}, {"id", 17}}).request);
}

TEST(CommandValues, OutputBitsAndClockTextAreWhatOstrelTakes) {
    // Output 1 is the lowest bit of the first byte; a ninth output starts a second byte.
    EXPECT_EQ(outputBitMap({{true, false, true, false, false, false, false, false, true}}),
              (std::vector<std::uint8_t>{0x05, 0x01}));
    EXPECT_EQ(outputBitMap({std::vector<bool>(255, true)}).size(), 32u);
    EXPECT_EQ(clockText({2010, 9, 27, 8, 5, 0}), "10-09-27 08:05:00");
    EXPECT_EQ(clockText({2000, 1, 1, 0, 0, 0}), "00-01-01 00:00:00");
}
