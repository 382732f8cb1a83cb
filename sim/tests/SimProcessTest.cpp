// zenvar-sim as a process, met by the test in the PC's place: a loopback UDP socket, or the slave side of
// the simulator's pseudo-terminal opened through the device link it placed.
#include "support/SimProcess.h"

#include "support/LoopbackSocket.h"
#include "support/PtyLine.h"
#include "support/WireFrames.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using Bytes = std::vector<std::uint8_t>;
using asio::ip::udp;

namespace {

constexpr std::array<std::uint8_t, 4> kLoopback{127, 0, 0, 1};

std::vector<std::string> udpTerminal(const LoopbackSocket& pc, const std::string& type,
                                     std::vector<std::string> more = {}) {
    std::vector<std::string> arguments{
        "--udp", "127.0.0.1:" + std::to_string(pc.port()), "--type", type, "--terminals", "1.2", "--interval",
        "0"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

// Reads `count` bytes from a line, waiting at most timeoutMs for each chunk.
Bytes readLine(int fd, std::size_t count, int timeoutMs = 5000) {
    Bytes bytes;
    while (bytes.size() < count) {
        pollfd p{fd, POLLIN, 0};
        std::uint8_t chunk[64];
        if (::poll(&p, 1, timeoutMs) != 1)
            break;
        const ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, count - bytes.size()));
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

} // namespace

TEST(SimProcessTest, AReportIsResentUntilAcknowledgedOrItsTriesRunOut) {
    ScratchFolder folder;
    LoopbackSocket pc;
    SimProcess sim(udpTerminal(pc, "1", {"--resend", "200", "--tries", "3"}), folder.path());
    sim.waitReady();
    udp::endpoint terminal;
    const Bytes status = wire::canonical(1, 2, 2, {0x00, 0x00});
    EXPECT_EQ(pc.receive(5000, &terminal), status);
    EXPECT_EQ(pc.receive(), status);
    EXPECT_EQ(pc.receive(), status);
    EXPECT_TRUE(pc.receive(600).empty()) << "three tries";
    EXPECT_EQ(sim.waitForRecords(SimProcess::kind("gave-up"), 1).size(), 1u);

    EXPECT_EQ(sim.command("report 1.2 4").back(), "ok");
    EXPECT_EQ(pc.receive(), wire::canonical(1, 2, 4));
    pc.send(wire::canonical(1, 2, 0x84), terminal);
    EXPECT_TRUE(pc.receive(600).empty()) << "acknowledged, so not sent again";
    const auto acks = sim.waitForRecords(SimProcess::kind("ack"), 1);
    ASSERT_EQ(acks.size(), 1u);
    EXPECT_EQ(acks[0]["outcome"], "report acknowledged");

    const auto stats = JsonLine::parse(sim.command("stats").front());
    ASSERT_TRUE(stats);
    EXPECT_EQ((*stats)["reports"], "2");
    EXPECT_EQ((*stats)["resends"], "2");
    EXPECT_EQ((*stats)["acknowledged"], "1");
    EXPECT_EQ((*stats)["givenUp"], "1");
}

TEST(SimProcessTest, MalformedInputGetsAClearErrorAndTheSimulatorCarriesOn) {
    ScratchFolder folder;
    LoopbackSocket pc;
    SimProcess sim(udpTerminal(pc, "2"), folder.path());
    sim.waitReady();
    udp::endpoint terminal;
    ASSERT_EQ(pc.receive(5000, &terminal), wire::network(kLoopback, 1, 2, 0xF1, {0x00, 0x00}));
    pc.send(wire::network(kLoopback, 1, 2, 0x7C), terminal);

    Bytes badChecksum = wire::network(kLoopback, 1, 2, 22);
    badChecksum.back() ^= 0x01;
    const std::vector<std::pair<Bytes, std::string>> datagrams{
        {{0x01}, "a datagram of 1 bytes is too short"},
        {Bytes(256, 0xAA), "a datagram of 256 bytes is longer than any frame"},
        {badChecksum, "neither a network frame nor a canonical one"},
        {wire::canonical(1, 2, 11), "a canonical frame, but the terminals here speak network frames"},
        {wire::network(kLoopback, 1, 2, 0x99), "code 0x99 is no command a terminal takes"},
    };
    for (const auto& datagram : datagrams)
        pc.send(datagram.first, terminal);
    pc.send(wire::network(kLoopback, 9, 9, 22), terminal);
    for (const char* line : {"frobnicate", "alarm 1.2 9 on", "alarm 7.7 1 on", "reply 1.2 sometimes"})
        EXPECT_TRUE(sim.command(line).back().starts_with("error: ")) << line;
    EXPECT_EQ(sim.command(std::string(5000, 'a')).back(), "error: a line longer than 4096 bytes");
    EXPECT_EQ(sim.command("help").back(), "ok")
        << "the rest of the long line was dropped, not read as a command";

    const auto errors = sim.waitForRecords(SimProcess::kind("error"), datagrams.size());
    ASSERT_EQ(errors.size(), datagrams.size());
    for (std::size_t i = 0; i < datagrams.size(); ++i)
        EXPECT_NE(errors[i]["error"].find(datagrams[i].second), std::string::npos) << errors[i]["error"];
    const auto stranger = sim.waitForRecords(SimProcess::kind("command"), 1);
    ASSERT_EQ(stranger.size(), 1u);
    EXPECT_EQ(stranger[0]["answer"], "no such terminal here");

    pc.send(wire::network(kLoopback, 1, 2, 22), terminal);
    EXPECT_EQ(pc.receive(), wire::network(kLoopback, 1, 2, 0x96)) << "still answering";
    EXPECT_EQ(sim.quit(), 0);
}

// Under load the reports and their acknowledgements would drown the commands a benchmark watches for.
TEST(SimProcessTest, ALogKeepsOnlyTheKindsOfRecordAskedFor) {
    ScratchFolder folder;
    LoopbackSocket pc;
    SimProcess sim(udpTerminal(pc, "1", {"--log-only", "command,error"}), folder.path());
    sim.waitReady();
    udp::endpoint terminal;
    ASSERT_EQ(pc.receive(5000, &terminal), wire::canonical(1, 2, 2, {0x00, 0x00}));
    pc.send(wire::canonical(1, 2, 0x82), terminal);
    pc.send(wire::canonical(1, 2, 11), terminal);
    EXPECT_EQ(pc.receive(), wire::canonical(1, 2, 0x8B)) << "answered though not logged";
    pc.send({0x01}, terminal);

    const auto logged = sim.waitForRecords([](const SimProcess::Record&) { return true; }, 2);
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0]["kind"], "command");
    EXPECT_EQ(logged[0]["command"], "LcdClean");
    EXPECT_EQ(logged[1]["kind"], "error");
    EXPECT_EQ(sim.command("stats").back(), "ok");
    EXPECT_EQ(sim.records().size(), 2u) << "no report, acknowledgement or reply, no line going up";
    EXPECT_EQ(sim.readableLog().find("report"), std::string::npos) << "the readable log alike";
}

TEST(SimProcessTest, APseudoTerminalIsPlacedAsComNAndSpeaksSerialFrames) {
    ScratchFolder folder;
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--pty", "--com", "4", "--type", "2",
                                                                     "--terminals", "1.2", "--interval", "0"},
                                            folder.path());
    const auto links = sim->waitReady();
    ASSERT_EQ(links.size(), 1u);
    EXPECT_NE(links[0].find("dev/COM4"), std::string::npos) << links[0];
    const auto link = folder.path() / "dev" / "COM4";
    ASSERT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::read_symlink(link).string().starts_with("/dev/pts/"));

    const int line = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(line, 0);
    EXPECT_EQ(readLine(line, 13), wire::serial(1, 2, 0xF1, {0, 0, 0, 0, 0, 0, 0, 0}))
        << "the terminal starts once the far end is open";
    const Bytes ack = wire::serial(1, 2, 0x7C);
    const Bytes lcdClean = wire::serial(1, 2, 22);
    ASSERT_EQ(::write(line, ack.data(), ack.size()), 5);
    ASSERT_EQ(::write(line, lcdClean.data(), lcdClean.size()), 5);
    EXPECT_EQ(readLine(line, 5), wire::serial(1, 2, 0x96));
    EXPECT_TRUE(readLine(line, 1, 1500).empty()) << "the report was acknowledged";
    ::close(line);

    EXPECT_EQ(sim->quit(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)))
        << "the link goes with the line";
}

TEST(SimProcessTest, ACommandLineItCannotServeEndsItWithAReason) {
    ScratchFolder folder;
    SimProcess noPort({"--udp", "127.0.0.1", "--terminals", "1.1"}, folder.path());
    EXPECT_EQ(noPort.quit(), 2);
    EXPECT_NE(noPort.errors().find("'127.0.0.1' is not a valid value for --udp"), std::string::npos);

    std::filesystem::create_directories(folder.path() / "dev");
    std::ofstream(folder.path() / "dev" / "COM5") << "a file, not a device link";
    SimProcess blocked({"--pty", "--com", "5", "--terminals", "1.1"}, folder.path());
    EXPECT_EQ(blocked.quit(), 1);
    EXPECT_NE(blocked.errors().find("is in the way"), std::string::npos) << blocked.errors();
}
