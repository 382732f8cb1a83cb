// The fields the frame log reads out of each command's payload.
#include "CommandFields.h"

#include <gtest/gtest.h>
#include <map>
#include <vector>

using namespace sim;

namespace {

struct Case {
    std::uint8_t code;
    std::vector<std::uint8_t> payload;
    std::map<std::string, std::string> fields;
};

LogRecord described(std::uint8_t code, const std::vector<std::uint8_t>& payload) {
    LogRecord record("command");
    describeCommand(code, payload, record);
    return record;
}

} // namespace

TEST(CommandFieldsTest, EachCommandShowsItsFields) {
    const std::vector<Case> cases{
        {5, {0x12, 0x34, 0xFF, 0x31}, {{"password", "1234"}, {"zone", "3"}, {"action", "1"}}},
        {5, {0x65, 0x43, 0x21, 0x00}, {{"password", "654321"}, {"zone", "0"}, {"action", "0"}}},
        {6, {4, 1, 0x01, 0x2C}, {{"output", "4"}, {"state", "1"}, {"value", "300"}}},
        {7, {2, 1}, {{"lamp", "2"}, {"state", "1"}}},
        {8, {0, 50, 0, 10, 0x01, 0x00}, {{"total", "50"}, {"sounding", "10"}, {"pause", "256"}}},
        {10, {0, 'H', 'i', 0}, {{"argument", "0"}, {"text", "Hi"}}},
        {12, {0xB1, 0xA8, 0xBE, 0xAF, 0}, {{"text", "\xE6\x8A\xA5\xE8\xAD\xA6"}}}, // GBK in, UTF-8 out
        {13, {0xA5, 0x0F}, {{"bitMap", "A50F"}}},
        {32, {0x0A, 0x09, 0x1B, 0x08, 0x05, 0x00}, {{"clock", "10-09-27 08:05:00"}}},
        {33, {0x12, 0x34, 0xFF, 3, 'D', 'o', 'o', 'r', 0}, {{"selector", "3"}, {"name", "Door"}}},
        {34,
         {0x12, 0x34, 0xFF, 7, 9, 0xC0, 0xA8, 0x01, 0x14},
         {{"first", "7"},
          {"second", "9"},
          {"data", "C0A80114"},
          {"valueForm", "address"},
          {"value", "192.168.1.20"}}},
        {34, {0x12, 0x34, 0xFF, 7, 9, 0x01, 0x0A, 0x0F}, {{"valueForm", "hex"}, {"value", "1a"}}},
        {34, {0x12, 0x34, 0xFF, 7, 9, 0x00, 0x01, 0x09}, {{"valueForm", "digits"}, {"value", "019"}}},
        {34, {0x12, 0x34, 0xFF, 7, 9, 'f', 0}, {{"valueForm", "text"}, {"value", "f"}}},
    };
    for (const auto& c : cases) {
        const auto record = described(c.code, c.payload);
        for (const auto& [key, value] : c.fields)
            EXPECT_EQ(record.value(key), value) << "code " << int(c.code) << " field " << key;
        EXPECT_EQ(record.value("error"), "") << int(c.code);
    }
    EXPECT_EQ(*commandName(34), "ConfigFunction");
    EXPECT_FALSE(commandName(35)) << "a code in the table with no command behind it";
}

TEST(CommandFieldsTest, APayloadThatDoesNotFitItsCommandIsNamedAsSuch) {
    EXPECT_EQ(described(5, {}).value("error"), "a payload of 0 bytes is too short for TerminalControl")
        << "what the PC sends for a password over 8 characters";
    EXPECT_EQ(described(12, {'n', 'o', ' ', 'e', 'n', 'd'}).value("error"), "the text has no terminating 0");
    EXPECT_EQ(described(12, {'n', 'o', 0}).value("text"), "no");
    EXPECT_EQ(described(12, {0xFF, 'a', 0}).value("text"), "\xEF\xBF\xBD"
                                                           "a")
        << "not GBK: replaced";
}
