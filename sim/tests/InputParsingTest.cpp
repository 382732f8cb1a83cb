// What people type: terminal addresses, control commands and the command line.
#include "ControlCommand.h"
#include "Options.h"

#include <gtest/gtest.h>

using namespace sim;
using namespace std::chrono_literals;

TEST(InputParsingTest, AddressPatternsNameSingleTerminalsRangesAndAll) {
    std::string error;
    const auto block = AddressPattern::parse("0-1.250-255", error);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->addresses().size(), 12u);
    EXPECT_TRUE(block->matches({1, 255}));
    EXPECT_FALSE(block->matches({2, 255}));
    EXPECT_TRUE(AddressPattern::parse("all", error)->matches({200, 7}));
    for (const char* bad : {"1", "1.", "256.1", "1.2-1", "1.x", "1.2.3", "-1.2", ""})
        EXPECT_FALSE(AddressPattern::parse(bad, error)) << bad;
    EXPECT_NE(error.find("not a terminal address"), std::string::npos);
    const auto list = parseAddressList("1.1-4,2.7", error);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->size(), 2u);
    EXPECT_FALSE(parseAddressList("1.1,,2.2", error));
}

TEST(InputParsingTest, ControlCommandsAreReadOrRefusedWithAReason) {
    std::string error;
    const auto alarm = ControlCommand::parse("  alarm 1.2 3 on ", error);
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->verb, ControlCommand::Verb::Alarm);
    EXPECT_TRUE(alarm->terminals.matches({1, 2}));
    EXPECT_EQ(alarm->number, 3);
    EXPECT_TRUE(alarm->on);
    const auto late = ControlCommand::parse("reply 1.1-8 late 300", error);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->replyChange, ControlCommand::ReplyChange::Late);
    EXPECT_EQ(late->number, 300);
    EXPECT_EQ(ControlCommand::parse("interval all 0.25", error)->interval, 250ms);
    EXPECT_EQ(ControlCommand::parse("# a comment", error)->verb, ControlCommand::Verb::None);
    EXPECT_EQ(ControlCommand::parse("list", error)->verb, ControlCommand::Verb::List);

    const std::vector<std::pair<const char*, const char*>> refused{
        {"frobnicate 1.2", "unknown command 'frobnicate'"},
        {"alarm 1.2 9 on", "'9' is not a zone (1-8)"},
        {"alarm 1.2 3 maybe", "say on or off, not 'maybe'"},
        {"alarm 1.2 3", "usage: alarm TERMINALS ZONE on|off"},
        {"status 300.1 2 on", "'300.1' is not a terminal address"},
        {"report 1.2 5", "'5' is not a report type (1-4)"},
        {"reply 1.2 sometimes", "usage: reply TERMINALS [from N | late MS | fc]"},
        {"interval 1.2 -1", "'-1' is not a number of seconds"},
        {"quit now", "usage: quit"},
    };
    for (const auto& [line, reason] : refused) {
        error.clear();
        EXPECT_FALSE(ControlCommand::parse(line, error)) << line;
        EXPECT_NE(error.find(reason), std::string::npos) << line << ": " << error;
    }
}

TEST(InputParsingTest, TheCommandLineDescribesLinksAndTheirTerminals) {
    std::string error;
    const char* argv[] = {
        "zenvar-sim", "--json", "f.jsonl",     "--log-only", "command,error", "--udp", "127.0.0.1:6000",
        "--type",     "2",      "--terminals", "1.1-3",      "--interval",    "0.5",   "--reply-late",
        "300",        "--pty",  "--com",       "4",          "--terminals",   "2.1",   "--silent"};
    const auto options = parseOptions(std::size(argv), argv, error);
    ASSERT_TRUE(options) << error;
    ASSERT_EQ(options->links.size(), 2u);
    const auto& udp = options->links[0];
    EXPECT_EQ(udp.pcHost, "127.0.0.1");
    EXPECT_EQ(udp.pcPort, 6000);
    EXPECT_EQ(udp.settings.protocolType, 2);
    EXPECT_EQ(udp.settings.reportInterval, 500ms);
    EXPECT_EQ(udp.settings.reply.delay, 300ms);
    EXPECT_EQ(options->links[1].comNumber, 4);
    EXPECT_FALSE(options->links[1].settings.reply.answers);
    EXPECT_EQ(options->logKinds, (std::vector<std::string>{"command", "error"}));

    const std::vector<std::pair<std::vector<const char*>, const char*>> refused{
        {{"zenvar-sim"}, "no link"},
        {{"zenvar-sim", "--udp", "127.0.0.1"}, "not a valid value for --udp"},
        {{"zenvar-sim", "--udp", "127.0.0.1:6000"}, "has no terminals"},
        {{"zenvar-sim", "--type", "2"}, "belongs to a link"},
        {{"zenvar-sim", "--udp", "127.0.0.1:6000", "--com", "3"}, "does not apply"},
        {{"zenvar-sim", "--pty", "--type", "3"}, "not a valid value for --type"},
        {{"zenvar-sim", "--pty", "--terminals"}, "--terminals needs a value"},
        {{"zenvar-sim", "--bogus"}, "unknown option '--bogus'"},
        {{"zenvar-sim", "--log-only", "command,reports", "--pty", "--terminals", "1.1"},
         "'reports' is no kind of record (line, command, ack, report, reply, error, gave-up)"},
    };
    for (const auto& [arguments, reason] : refused) {
        error.clear();
        EXPECT_FALSE(parseOptions(static_cast<int>(arguments.size()), arguments.data(), error)) << reason;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
}
