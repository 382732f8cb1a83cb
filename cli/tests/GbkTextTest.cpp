// Texts go to the terminals in GBK: converted with iconv, measured in GBK against their frames, and
// refused whole, with the character at fault named, when GBK cannot hold them.
#include "GbkText.h"

#include "WireCommand.h"

#include <gtest/gtest.h>

using namespace tarvex::cli;

namespace {

std::string repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

} // namespace

TEST(GbkText, ChineseBecomesTwoBytesAndAsciiStaysAsItIs) {
    std::string error;
    EXPECT_EQ(toGbk("报警 3", error), "\xB1\xA8\xBE\xAF 3");
    EXPECT_EQ(toGbk("前门 Door", error), "\xC7\xB0\xC3\xC5 Door");
    EXPECT_EQ(toGbk("", error), "");
    EXPECT_TRUE(error.empty()) << error;
}

TEST(GbkText, ACharacterGbkLacksOrBrokenUtf8IsNamed) {
    std::string error;
    EXPECT_FALSE(toGbk("门 😀 open", error));
    EXPECT_EQ(error, "the character '😀' (U+1F600) has no GBK code");
    EXPECT_FALSE(toGbk("ok \xE9\x97", error));
    EXPECT_EQ(error, "the text is not valid UTF-8 (at byte 4)");
    EXPECT_FALSE(toGbk("a\xFF", error));
    EXPECT_EQ(error, "the text is not valid UTF-8 (at byte 2)");
}

TEST(WireCommand, TextsAreConvertedAndMeasuredInGbk) {
    std::string error;
    // 31 Chinese characters and a letter: 94 bytes of UTF-8, 63 of GBK, which is what the display takes.
    const std::string fits = repeated("门", 31) + "a";
    const auto wire = toWireCommand(DisplayCommand{fits}, error);
    ASSERT_TRUE(wire) << error;
    EXPECT_EQ(std::get<DisplayCommand>(wire->request).text, repeated("\xC3\xC5", 31) + "a");

    const std::vector<std::pair<CommandRequest, std::string>> tooLong{
        {DisplayCommand{repeated("门", 32)}, "display: text is 64 bytes in GBK, at most 63 fit"},
        {MessageCommand{repeated("门", 32) + "!"}, "message: text is 65 bytes in GBK, at most 64 fit"},
        {NameCommand{"1234", 0, repeated("门", 31)}, "name: name is 62 bytes in GBK, at most 60 fit"},
        {ProgramCommand{"1234", 1, 2, repeated("门", 30), ProgramDataMode::Text},
         "program: data is 60 bytes in GBK, at most 59 fit"},
        {MessageCommand{"报警 😀"}, "message: text: the character '😀' (U+1F600) has no GBK code"},
    };
    for (const auto& [request, why] : tooLong) {
        EXPECT_FALSE(toWireCommand(request, error));
        EXPECT_EQ(error, why);
    }
    // At their limits they pass.
    EXPECT_TRUE(toWireCommand(MessageCommand{repeated("门", 32)}, error)) << error;
    EXPECT_TRUE(toWireCommand(NameCommand{"1234", 0, repeated("门", 30)}, error)) << error;
}

TEST(WireCommand, OnlyTextDataAndTextsAreTouched) {
    std::string error;
    const ProgramCommand digits{"1234", 1, 2, std::string(60, '9'), ProgramDataMode::Digits};
    const auto wire = toWireCommand(digits, error);
    ASSERT_TRUE(wire) << error;
    EXPECT_EQ(std::get<ProgramCommand>(wire->request), digits);
    const auto lamp = toWireCommand(LampCommand{1, 1}, error);
    ASSERT_TRUE(lamp);
    EXPECT_EQ(lamp->request, CommandRequest(LampCommand{1, 1}));
}
