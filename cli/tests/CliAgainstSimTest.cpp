// tarvex-cli as a script runs it, a separate process, against zenvar-sim's terminals on loopback UDP and
// on a pseudo-terminal that it opens as COM3: exit statuses, what it prints, and what the terminals got.
#include "support/CliProcess.h"
#include "support/PtyLine.h"
#include "support/SimProcess.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <sys/socket.h>

using namespace std::chrono_literals;
using json = nlohmann::json;

namespace {

class CliAgainstSim : public ::testing::Test {
protected:
    ~CliAgainstSim() override {
        if (HasFailure() && sim)
            std::cout << "zenvar-sim's log:\n" << sim->readableLog() << sim->errors();
    }

    // Terminals reporting every second to a free UDP port of this computer, which tarvex-cli then opens.
    void startUdpTerminals(const std::string& terminals, const std::vector<std::string>& settings = {}) {
        std::vector<std::string> link{"--terminals", terminals, "--interval", "1"};
        link.insert(link.end(), settings.begin(), settings.end());
        startSimulator({link});
    }

    // The simulator with a UDP link for each list of settings, all reporting to udpPort. Each link is bound
    // to a port of its own: one the system chose could be the very port tarvex-cli is to open.
    void startSimulator(const std::vector<std::vector<std::string>>& links) {
        const auto ports = freeUdpPorts(static_cast<int>(links.size()) + 1);
        udpPort = std::to_string(ports[0]);
        std::vector<std::string> arguments;
        for (std::size_t i = 0; i < links.size(); ++i) {
            for (const auto& argument : {std::string("--udp"), "127.0.0.1:" + udpPort, std::string("--bind"),
                                         "127.0.0.1:" + std::to_string(ports[i + 1])})
                arguments.push_back(argument);
            arguments.insert(arguments.end(), links[i].begin(), links[i].end());
        }
        sim = std::make_unique<SimProcess>(arguments, folder.path());
        sim->waitReady();
    }

    // Distinct UDP ports that were free a moment ago.
    static std::vector<int> freeUdpPorts(int count) {
        std::vector<int> sockets, ports;
        for (int i = 0; i < count; ++i) {
            const int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            socklen_t length = sizeof address;
            EXPECT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), length), 0);
            EXPECT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
            sockets.push_back(probe);
            ports.push_back(ntohs(address.sin_port));
        }
        for (const int probe : sockets)
            ::close(probe);
        return ports;
    }

    std::vector<SimProcess::Record> commandsReceived() const {
        return sim->records(SimProcess::kind("command"));
    }

    // Reads JSON lines until one matches; every line must be a JSON object.
    static std::optional<json> jsonLineWhere(CliProcess& cli,
                                             const std::function<bool(const json&)>& wanted) {
        while (const auto line = cli.readLine()) {
            json object;
            EXPECT_NO_THROW(object = json::parse(*line)) << *line;
            EXPECT_TRUE(object.is_object()) << *line;
            if (wanted(object))
                return object;
        }
        return std::nullopt;
    }

    ScratchFolder folder;
    std::unique_ptr<SimProcess> sim;
    std::string udpPort;
};

// A command as `send` words, and the fields zenvar-sim decodes from what arrived.
struct SentCommand {
    std::string name;
    std::vector<std::string> words;
    std::map<std::string, std::string> fields;
};

void PrintTo(const SentCommand& sent, std::ostream* out) {
    *out << sent.name;
}

class SendEveryKind : public CliAgainstSim, public ::testing::WithParamInterface<SentCommand> {};

TEST_P(SendEveryKind, AnsweredAndDecodedByTheTerminal) {
    startUdpTerminals("1.2");
    std::vector<std::string> arguments{"send", udpPort, "1.2"};
    arguments.insert(arguments.end(), GetParam().words.begin(), GetParam().words.end());
    const CliRun run = runCli(arguments);
    EXPECT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 1u) << run.errors;
    EXPECT_TRUE(std::regex_match(run.lines[0], std::regex("answered in [0-9]+ ms after 1 sending")))
        << run.lines[0];

    const auto commands = commandsReceived();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0]["terminal"], "1.2");
    for (const auto& [field, value] : GetParam().fields)
        EXPECT_EQ(commands[0][field], value) << field;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SendEveryKind,
    ::testing::Values(
        SentCommand{"Lamp", {"lamp", "2", "on"}, {{"command", "SingleLight"}, {"lamp", "2"}, {"state", "1"}}},
        SentCommand{"Arm",
                    {"arm", "654321", "3"},
                    {{"command", "TerminalControl"}, {"password", "654321"}, {"action", "1"}, {"zone", "3"}}},
        // UTF-8 on the command line, GBK on the wire; the simulator logs it as UTF-8 again.
        SentCommand{
            "DisplayInGbk", {"display", "前门", "open"}, {{"command", "LcdDisplay"}, {"text", "前门 open"}}},
        // Output 1 is the lowest bit of the first byte.
        SentCommand{"Outputs", {"outputs", "101000001"}, {{"command", "AllOutput"}, {"bitMap", "0501"}}},
        SentCommand{"Clock",
                    {"clock", "2024-05-01", "12:34:56"},
                    {{"command", "SetupTime"}, {"clock", "24-05-01 12:34:56"}}},
        SentCommand{
            "ProgramAddress",
            {"program", "1234", "7", "9", "192.168.1.20", "address"},
            {{"command", "ConfigFunction"}, {"first", "7"}, {"second", "9"}, {"value", "192.168.1.20"}}}),
    [](const auto& info) { return info.param.name; });

TEST_F(CliAgainstSim, SendToASilentTerminalGivesUpAfterItsRetries) {
    startUdpTerminals("1.2");
    sim->command("silent 1.2");
    const CliRun run = runCli({"send", "--retries", "2", udpPort, "1.2", "lamp", "1", "on"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.lines.empty());
    EXPECT_NE(run.errors.find("lamp to terminal 1.2 on UDP " + udpPort + " failed after 2 sendings"),
              std::string::npos)
        << run.errors;
    const auto commands = commandsReceived();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0]["sending"], "1");
    EXPECT_EQ(commands[1]["sending"], "2");
}

TEST_F(CliAgainstSim, SendToATerminalNeverHeardEndsAtTheTimeout) {
    startUdpTerminals("1.2");
    const auto started = std::chrono::steady_clock::now();
    const CliRun run = runCli({"send", "--timeout", "2", udpPort, "9.9", "lamp", "1", "on"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.errors.find("terminal 9.9 on UDP " + udpPort + " was not heard within 2 s"),
              std::string::npos)
        << run.errors;
    EXPECT_GE(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_TRUE(commandsReceived().empty());
}

TEST_F(CliAgainstSim, ListenJsonPrintsAZoneAlarmAsItHappensAndEndsOnSigint) {
    startUdpTerminals("1.2");
    CliProcess cli({"listen", udpPort, "--json"});
    const auto online = jsonLineWhere(cli, [](const json& o) { return o["name"] == "terminal_on_line"; });
    ASSERT_TRUE(online) << cli.errors();
    EXPECT_EQ(online->at("address"), "1.2");
    EXPECT_TRUE(online->at("zone").is_null());

    sim->command("alarm 1.2 3 on");
    const auto alarm = jsonLineWhere(cli, [](const json& o) { return o["name"] == "zone_alarm_set"; });
    ASSERT_TRUE(alarm) << cli.errors();
    EXPECT_EQ(alarm->at("port"), std::stoi(udpPort));
    EXPECT_EQ(alarm->at("address"), "1.2");
    EXPECT_EQ(alarm->at("event"), 2);
    EXPECT_EQ(alarm->at("zone"), 3);
    EXPECT_EQ(alarm->at("text"), "");
    const std::string time = alarm->at("time");
    EXPECT_TRUE(std::regex_match(time, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)")))
        << time;

    cli.signal(SIGINT);
    EXPECT_EQ(cli.exitStatus(), 0) << cli.errors();
}

TEST_F(CliAgainstSim, ListenOnASerialLineShowsItsTerminalsAndTheLineLost) {
    sim = std::make_unique<SimProcess>(
        std::vector<std::string>{"--pty", "--com", "3", "--terminals", "2.1", "--interval", "1"},
        folder.path());
    sim->waitReady();
    CliProcess cli({"listen", "3"});
    std::optional<std::string> line;
    while ((line = cli.readLine()) && line->find("  COM3  2.1  terminal_on_line") == std::string::npos) {
    }
    ASSERT_TRUE(line) << cli.errors();
    EXPECT_TRUE(std::regex_match(
        *line, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  COM3  2\.1  terminal_on_line)")))
        << *line;

    // The simulator ends and its pseudo-terminal with it: the line is lost.
    ASSERT_EQ(sim->quit(), 0);
    while ((line = cli.readLine()) && !line->ends_with("  COM3  line_lost")) {
    }
    EXPECT_TRUE(line) << cli.errors();
    cli.signal(SIGTERM);
    EXPECT_EQ(cli.exitStatus(), 0) << cli.errors();
}

TEST_F(CliAgainstSim, StatesListsTheTerminalsHeardWithTheirZones) {
    // Terminals 1.1 to 1.3 send long status reports (with zone flags), 2.1 short ones.
    startSimulator(
        {{"--terminals", "1.1-3", "--interval", "1", "--long"}, {"--terminals", "2.1", "--interval", "1"}});
    sim->command("alarm 1.2 3 on");
    sim->command("flag 1.3 5 on");
    sim->command("alarm 2.1 1 on");
    const CliRun run = runCli({"states", udpPort, "--for", "4", "--json"});
    EXPECT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 4u) << run.errors;
    std::vector<json> terminals;
    for (const auto& line : run.lines)
        terminals.push_back(json::parse(line));
    const std::vector<std::string> addresses{"1.1", "1.2", "1.3", "2.1"};
    for (std::size_t i = 0; i < terminals.size(); ++i) {
        EXPECT_EQ(terminals[i]["address"], addresses[i]);
        EXPECT_EQ(terminals[i]["port"], std::stoi(udpPort));
        EXPECT_EQ(terminals[i]["state"], "on_line");
        ASSERT_EQ(terminals[i]["zones"].size(), 8u);
    }
    EXPECT_EQ(terminals[1]["zones"][2], (json{{"zone", 3}, {"state", "alarm"}, {"flag", false}}));
    EXPECT_EQ(terminals[1]["zones"][1], (json{{"zone", 2}, {"state", "normal"}, {"flag", false}}));
    EXPECT_EQ(terminals[2]["zones"][4], (json{{"zone", 5}, {"state", "normal"}, {"flag", true}}));
    // Short reports tell no flags, also of a zone in alarm.
    EXPECT_EQ(terminals[3]["zones"][0], (json{{"zone", 1}, {"state", "alarm"}, {"flag", nullptr}}));
    EXPECT_EQ(terminals[3]["zones"][1], (json{{"zone", 2}, {"state", "none"}, {"flag", nullptr}}));

    const CliRun table = runCli({"states", udpPort, "--for", "4"});
    EXPECT_EQ(table.status, 0) << table.errors;
    ASSERT_EQ(table.lines.size(), 5u) << table.errors;
    EXPECT_TRUE(table.lines[0].starts_with("PORT")) << table.lines[0];
    const std::string label = "UDP " + udpPort;
    EXPECT_TRUE(std::regex_match(table.lines[2], std::regex(label + R"( +1\.2 +on_line +3 +none)")))
        << table.lines[2];
    EXPECT_TRUE(std::regex_match(table.lines[3], std::regex(label + R"( +1\.3 +on_line +none +5)")))
        << table.lines[3];
    EXPECT_TRUE(std::regex_match(table.lines[4], std::regex(label + R"( +2\.1 +on_line +1 +-)")))
        << table.lines[4];
}

TEST(CliArguments, BadArgumentsEndWithStatus1AMessageAndTheUsageLine) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{}, "no command given"},
        {{"watch", "6000"}, "unknown command 'watch'"},
        {{"--verbose"}, "unknown option '--verbose'"},
        {{"listen"}, "no port given"},
        {{"listen", "6000", "--colour"}, "unknown option '--colour'"},
        {{"listen", "6000", "--for"}, "option '--for' needs a value"},
        {{"listen", "6000", "--for", "soon"}, "--for takes a number of seconds"},
        {{"listen", "0"}, "'0' is no port"},
        {{"states", "6000", "6000"}, "UDP 6000 is given twice"},
        {{"send", "6000", "1.2"}, "no command given"},
        {{"send", "6000", "1.255", "clear"}, "'1.255' is no terminal address"},
        {{"send", "6000", "1.2", "fly"}, "unknown command 'fly'"},
        {{"send", "6000", "1.2", "lamp", "1"}, "lamp: state is missing"},
        {{"send", "6000", "1.2", "arm", "1234", "9"}, "arm: zone must be a number 0 to 8, not '9'"},
        {{"send", "6000", "1.2", "display", "😀"},
         "display: text: the character '😀' (U+1F600) has no GBK code"},
        {{"send", "--retries", "0", "6000", "1.2", "clear"}, "--retries takes a number of sendings 1 to 255"},
        {{"send", "-x", "6000", "1.2", "clear"}, "unknown option '-x'"},
        {{"send", "6000", "1.2", "clear", "--timeout", "-1"}, "--timeout takes a number of seconds above 0"},
    };
    for (const auto& [arguments, message] : cases) {
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.status, 1) << message;
        EXPECT_TRUE(run.lines.empty()) << message;
        EXPECT_NE(run.errors.find("tarvex-cli: " + message), std::string::npos) << run.errors;
        EXPECT_NE(run.errors.find("\nusage: tarvex-cli "), std::string::npos) << run.errors;
    }
}

TEST(CliArguments, HelpAndVersionGoToStandardOutput) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--help"}, {"listen", "--help"}, {"send", "--help"}, {"states", "-h"}}) {
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.status, 0);
        ASSERT_FALSE(run.lines.empty());
        EXPECT_TRUE(run.lines[0].starts_with("usage: tarvex-cli")) << run.lines[0];
        EXPECT_TRUE(run.errors.empty()) << run.errors;
    }
    const CliRun version = runCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.lines, std::vector<std::string>{"tarvex-cli " TARVEX_VERSION});
}

TEST(CliArguments, APortInUseEndsWithStatus3) {
    const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string port = std::to_string(ntohs(address.sin_port));
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"listen", port}, {"states", port}, {"send", port, "1.2", "clear"}}) {
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.status, 3) << arguments[0];
        EXPECT_NE(run.errors.find("tarvex-cli: cannot bind UDP " + port), std::string::npos) << run.errors;
    }
    ::close(holder);
}

} // namespace
