// Ostrel end to end through its C interface, against zenvar-sim running as a separate process: terminals
// of both protocol types on loopback UDP and on a pseudo-terminal that Ostrel opens as COM3.
#include "ostrel/ostrel.h"
#include "support/FreeUdpPort.h"
#include "support/LoopbackSocket.h"
#include "support/OutcomeLog.h"
#include "support/PtyLine.h"
#include "support/SimProcess.h"
#include "support/WaitUntil.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <mutex>

using namespace std::chrono_literals;
using Record = SimProcess::Record;
using Outcome = OutcomeLog::Outcome;

namespace {

constexpr int kComNumber = 3;
constexpr int kUdpPortNumber = OSTREL_PORT_UDP;

// What Ostrel tells its caller, recorded on the worker thread and read on the test's.
class OstrelCalls {
public:
    OutcomeLog outcomes;
    static void outcome(void* user, const OstrelOutcome* o) {
        static_cast<OstrelCalls*>(user)->outcomes.record(*o);
    }

    struct Event {
        int port, a, b, index, code;
        bool operator==(const Event&) const = default;
    };
    struct Failure {
        int port, a, b, code;
        bool operator==(const Failure&) const = default;
    };

    OstrelCallbacks table() {
        OstrelCallbacks callbacks{};
        callbacks.onTerminalEvent = [](void* user, int32_t port, int32_t a, int32_t b, int32_t index,
                                       int32_t code, const char*) {
            auto* self = static_cast<OstrelCalls*>(user);
            std::lock_guard lock(self->mutex_);
            self->events_.push_back({port, a & 0xFF, b & 0xFF, index & 0xFF, code & 0xFF});
        };
        callbacks.onSendFailed = [](void* user, int32_t port, int32_t a, int32_t b, int32_t code,
                                    const char*) {
            auto* self = static_cast<OstrelCalls*>(user);
            std::lock_guard lock(self->mutex_);
            self->failures_.push_back({port, a & 0xFF, b & 0xFF, code & 0xFF});
        };
        return callbacks;
    }

    std::vector<Event> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<Failure> failures() const {
        std::lock_guard lock(mutex_);
        return failures_;
    }
    bool waitForEvent(const Event& wanted) const {
        return waitUntil([&] {
            const auto all = events();
            return std::find(all.begin(), all.end(), wanted) != all.end();
        });
    }

private:
    mutable std::mutex mutex_;
    std::vector<Event> events_;
    std::vector<Failure> failures_;
};

// Where Ostrel meets the simulated terminal.
struct Line {
    const char* name;
    bool serial;
    int protocolType;
};

void PrintTo(const Line& line, std::ostream* out) {
    *out << line.name;
}

class OstrelAgainstSim : public ::testing::Test {
protected:
    OstrelAgainstSim() { SetOutcomeCallback(context, &OstrelCalls::outcome); }
    ~OstrelAgainstSim() override {
        if (HasFailure() && sim)
            std::cout << "zenvar-sim's log:\n" << sim->readableLog() << sim->errors();
        // Ostrel ends first, so that it does not open again a line left behind the simulator's link. The
        // simulator's pseudo-terminal goes with it: Ostrel opens the next test's line afresh.
        Quit_Ostrel(context);
        sim.reset();
    }

    // Starts terminal 1.2 with the extra settings and waits until Ostrel has it on line.
    void startTerminal(const Line& line, const std::vector<std::string>& settings = {}) {
        std::vector<std::string> arguments;
        if (line.serial) {
            arguments = {"--pty", "--com", std::to_string(kComNumber)};
        } else {
            arguments = {"--udp", "127.0.0.1:" + std::to_string(startOnFreeUdpPort(context))};
        }
        for (const auto& argument :
             {std::string("--type"), std::to_string(line.protocolType), std::string("--terminals"),
              std::string("1.2"), std::string("--interval"), std::string("0")})
            arguments.push_back(argument);
        arguments.insert(arguments.end(), settings.begin(), settings.end());
        sim = std::make_unique<SimProcess>(arguments, folder.path());
        sim->waitReady();
        if (line.serial) {
            ASSERT_TRUE(Start_Ostrel(context, kComNumber, 1000, 3));
        }
        port = line.serial ? kComNumber : kUdpPortNumber;
        ASSERT_TRUE(calls.waitForEvent({port, 1, 2, 0, OSTREL_EVENT_TERMINAL_ON_LINE}))
            << "terminal 1.2 on line";
    }

    std::vector<Record> commandsSeen(std::size_t atLeast, std::chrono::milliseconds limit = 10s) const {
        return sim->waitForRecords(SimProcess::kind("command"), atLeast, limit);
    }

    // Switches lamp 1 on at terminal 1.2 (each lamp its own frame, never mistaken for a resending) and
    // waits for what became of it: its one outcome, named by the number the call got.
    Outcome lampOutcome(int lamp) {
        EXPECT_TRUE(Cmd_SingleLight_Send(context, port, 1, 2, 0, lamp, 1));
        const std::uint32_t number = GetLastQueuedFrame(context);
        const auto settled = calls.outcomes.waitForFrame(number);
        EXPECT_EQ(settled.size(), 1u) << "frame " << number;
        return settled.empty() ? Outcome{} : settled[0];
    }

    ScratchFolder folder;
    OstrelCalls calls;
    OstrelCallbacks callbacks = calls.table();
    OstrelContext* context = Init_Ostrel(&calls, &callbacks);
    std::unique_ptr<SimProcess> sim;
    int port = 0;
};

class OstrelOnEveryLine : public OstrelAgainstSim, public ::testing::WithParamInterface<Line> {};

// A command export with the fields the simulator must read out of what arrives.
struct CommandCase {
    std::string name;
    std::function<bool(OstrelContext*, int port)> send;
    std::map<std::string, std::string> fields;
};

const std::vector<CommandCase>& everyCommand() {
    static const std::uint8_t bitMap[] = {0xA5, 0x0F};
    static const std::vector<CommandCase> cases{
        {"TerminalControl",
         [](auto* c, int p) { return Cmd_TerminalControl_Send(c, p, 1, 2, 0, "1234", 1, 3); },
         {{"password", "1234"}, {"action", "1"}, {"zone", "3"}}},
        {"SingleOutput",
         [](auto* c, int p) { return Cmd_SingleOutput_Send(c, p, 1, 2, 0, 4, 1, 300); },
         {{"output", "4"}, {"state", "1"}, {"value", "300"}}},
        {"SingleLight",
         [](auto* c, int p) { return Cmd_SingleLight_Send(c, p, 1, 2, 0, 2, 1); },
         {{"lamp", "2"}, {"state", "1"}}},
        {"BuzzerControl",
         [](auto* c, int p) { return Cmd_BuzzerControl_Send(c, p, 1, 2, 0, 500, 25, 10); },
         {{"total", "500"}, {"sounding", "25"}, {"pause", "10"}}},
        {"LcdDisplay",
         [](auto* c, int p) { return Cmd_LCDdisplay_Send(c, p, 1, 2, 0, 0, "Hello"); },
         {{"argument", "0"}, {"text", "Hello"}}},
        {"LcdClean", [](auto* c, int p) { return Cmd_LCDcleans_Send(c, p, 1, 2, 0); }, {{"payload", ""}}},
        // The tool hands texts over in GBK; the log shows them as UTF-8.
        {"Message",
         [](auto* c, int p) { return Cmd_Message_Send(c, p, 1, 2, 0, "\xB1\xA8\xBE\xAF 3"); },
         {{"text", "\xE6\x8A\xA5\xE8\xAD\xA6 3"}}},
        {"AllOutput",
         [](auto* c, int p) { return Cmd_One_Equiment_All_Output(c, p, 1, 2, 0, 12, bitMap); },
         {{"bitMap", "A50F"}}},
        {"SetupTime",
         [](auto* c, int p) { return Cmd_SetupTime_Send(c, p, 1, 2, 0, "10-09-27 08:05:00"); },
         {{"clock", "10-09-27 08:05:00"}}},
        {"ConfigName",
         [](auto* c, int p) { return Cmd_ConfigName_Terminal(c, p, 1, 2, 0, "654321", 3, "Door"); },
         {{"password", "654321"}, {"selector", "3"}, {"name", "Door"}}},
        {"ConfigFunction",
         [](auto* c, int p) {
             return Cmd_ConfigFuncation_Terminal(c, p, 1, 2, 0, "1234", 7, 9, "192.168.1.20", 2);
         },
         {{"password", "1234"}, {"first", "7"}, {"second", "9"}, {"value", "192.168.1.20"}}},
        {"Powerup",
         [](auto* c, int p) { return Cmd_One_Equiment_Powerup(c, p, 1, 2, 0); },
         {{"payload", ""}}},
    };
    return cases;
}

} // namespace

TEST_P(OstrelOnEveryLine, ATerminalComesOnLineAndSignsOff) {
    startTerminal(GetParam());
    ASSERT_TRUE(calls.waitForEvent({port, 1, 2, 0, OSTREL_EVENT_STATUS_BIT0_CLEAR}));
    EXPECT_EQ(calls.events(),
              (std::vector<OstrelCalls::Event>{{port, 1, 2, 0, OSTREL_EVENT_TERMINAL_ON_LINE},
                                               {port, 1, 2, 0, OSTREL_EVENT_STATUS_BIT0_CLEAR}}))
        << "a first report with every bit clear";

    // Each report is acknowledged in the terminal's own form.
    const auto acknowledged = [&](std::size_t count) {
        return sim->waitForRecords(
            [](const Record& r) { return r["kind"] == "ack" && r["outcome"] == "report acknowledged"; },
            count);
    };
    ASSERT_EQ(acknowledged(1).size(), 1u) << "the status report";

    EXPECT_EQ(sim->command("offline 1.2").back(), "ok");
    ASSERT_TRUE(calls.waitForEvent({port, 1, 2, 0, OSTREL_EVENT_TERMINAL_OFF_LINE})) << "off line";
    std::int32_t state = -1;
    GetTerminalState(context, port, 1, 2, &state);
    EXPECT_EQ(state, OSTREL_STATE_OFF_LINE);
    EXPECT_EQ(acknowledged(2).size(), 2u) << "the sign-off";
}

TEST_P(OstrelOnEveryLine, EveryCommandExportArrivesWithItsFieldsAndIsAnswered) {
    startTerminal(GetParam());
    for (const auto& command : everyCommand())
        ASSERT_TRUE(command.send(context, port)) << command.name;
    const auto seen = commandsSeen(everyCommand().size(), 20s);
    ASSERT_EQ(seen.size(), everyCommand().size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const auto& expected = everyCommand()[i];
        EXPECT_EQ(seen[i]["command"], expected.name) << "in the order queued";
        EXPECT_EQ(seen[i]["terminal"], "1.2");
        EXPECT_EQ(seen[i]["sending"], "1") << expected.name << ": each reply ended the wait";
        EXPECT_EQ(seen[i]["answer"], "replied");
        EXPECT_FALSE(seen[i].has("error")) << seen[i]["error"];
        for (const auto& [key, value] : expected.fields)
            EXPECT_EQ(seen[i][key], value) << expected.name << " " << key;
    }
    EXPECT_TRUE(calls.failures().empty());
}

TEST_P(OstrelOnEveryLine, AZoneAlarmRaisesEventsAndIsForwarded) {
    LoopbackSocket forward;
    ASSERT_TRUE(Start_Translib(context, "127.0.0.1", 0, forward.port()));
    // The forward goes out through Ostrel's UDP socket, which a context with serial lines only lacks.
    if (GetParam().serial) {
        ASSERT_TRUE(Start_Ostrel(context, 0, 1000, 3));
    }
    startTerminal(GetParam());
    EXPECT_EQ(sim->command("alarm 1.2 3 on").back(), "ok");
    ASSERT_TRUE(calls.waitForEvent({port, 1, 2, 3, OSTREL_EVENT_ZONE_ALARM_SET})) << "zone 3 alarm";
    EXPECT_EQ(forward.receive(), (LoopbackSocket::Bytes{0xFF, 0x01, 0x02, 0x03, 0x00}));
    std::int32_t zoneState = -1;
    GetAlarmState(context, port, 1, 2, 3, &zoneState);
    EXPECT_EQ(zoneState, OSTREL_ZONE_ALARM);

    EXPECT_EQ(sim->command("alarm 1.2 3 off").back(), "ok");
    ASSERT_TRUE(calls.waitForEvent({port, 1, 2, 3, OSTREL_EVENT_ZONE_ALARM_CLEARED})) << "zone 3 alarm over";
    EXPECT_TRUE(forward.receive(300).empty()) << "only a rising alarm is forwarded";
}

TEST_P(OstrelOnEveryLine, ASilentTerminalGetsThreeSendingsThenTheSendFailure) {
    startTerminal(GetParam(), {"--silent"});
    ASSERT_TRUE(Cmd_SingleLight_Send(context, port, 1, 2, 0, 5, 1));
    ASSERT_TRUE(waitUntil([&] { return !calls.failures().empty(); }));
    EXPECT_EQ(calls.failures(),
              (std::vector<OstrelCalls::Failure>{{port, 1, 2, OSTREL_COMMAND_SINGLE_LIGHT}}));

    const auto sendings = commandsSeen(4, 1500ms);
    ASSERT_EQ(sendings.size(), 3u) << "and no fourth";
    for (std::size_t i = 0; i < sendings.size(); ++i) {
        EXPECT_EQ(sendings[i].number("sending"), static_cast<long>(i + 1));
        EXPECT_EQ(sendings[i]["bytes"], sendings[0]["bytes"]) << "sent again unchanged";
        EXPECT_EQ(sendings[i]["answer"], "silent");
    }
    for (std::size_t i = 1; i < sendings.size(); ++i)
        EXPECT_NEAR(sendings[i].seconds() - sendings[i - 1].seconds(), 1.0, 0.35) << "a second apart";
}

// Terminals on one line that speak at once: their frames share reads, and each is heard and acknowledged
// at its first sending.
class OstrelOnASerialLine : public OstrelAgainstSim, public ::testing::WithParamInterface<Line> {};

TEST_P(OstrelOnASerialLine, TerminalsThatSpeakAtOnceAreAllHeard) {
    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--pty", "--com", std::to_string(kComNumber),
                                                                "--type",
                                                                std::to_string(GetParam().protocolType),
                                                                "--terminals", "1.1-6", "--interval", "0"},
                                       folder.path());
    sim->waitReady();
    ASSERT_TRUE(Start_Ostrel(context, kComNumber, 1000, 3));
    for (int b = 1; b <= 6; ++b)
        EXPECT_TRUE(calls.waitForEvent({kComNumber, 1, b, 0, OSTREL_EVENT_TERMINAL_ON_LINE})) << "1." << b;
    const auto acknowledged = sim->waitForRecords(
        [](const Record& r) { return r["kind"] == "ack" && r["outcome"] == "report acknowledged"; }, 6);
    EXPECT_EQ(acknowledged.size(), 6u);
    const auto resent =
        sim->records([](const Record& r) { return r["kind"] == "report" && r["sending"] != "1"; });
    EXPECT_TRUE(resent.empty()) << resent.size() << " reports had to be sent again";
}

// Each kind of terminal behaviour gives the frame its outcome, with the sendings the simulator counted and
// the time from the first sending.
class OstrelOverUdp : public OstrelAgainstSim, public ::testing::WithParamInterface<Line> {};

TEST_P(OstrelOverUdp, EachFrameIsToldWhatBecameOfIt) {
    startTerminal(GetParam());
    const Outcome instant = lampOutcome(1);
    EXPECT_EQ(instant.kind, OSTREL_FRAME_ANSWERED);
    EXPECT_EQ(instant.sendings, 1);
    EXPECT_EQ(instant.code, OSTREL_COMMAND_SINGLE_LIGHT);
    EXPECT_EQ(instant.port, OSTREL_PORT_UDP);
    EXPECT_EQ(std::make_pair(instant.a, instant.b), std::make_pair(1, 2));
    EXPECT_LT(instant.elapsedMs, 1000);

    ASSERT_EQ(sim->command("reply 1.2 late 400").back(), "ok");
    const Outcome late = lampOutcome(2);
    EXPECT_EQ(late.kind, OSTREL_FRAME_ANSWERED);
    EXPECT_EQ(late.sendings, 1) << "answered before a resend was due";
    EXPECT_GE(late.elapsedMs, 400);
    EXPECT_LT(late.elapsedMs, 1000);

    ASSERT_EQ(sim->command("reply 1.2").back(), "ok");
    ASSERT_EQ(sim->command("reply 1.2 from 3").back(), "ok");
    const Outcome third = lampOutcome(3);
    EXPECT_EQ(third.kind, OSTREL_FRAME_ANSWERED);
    EXPECT_EQ(third.sendings, 3);
    EXPECT_GE(third.elapsedMs, 1800) << "two resends a second apart";
    const auto seen = commandsSeen(5);
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[4]["sending"], "3");
    EXPECT_EQ(seen[4]["answer"], "replied");

    ASSERT_EQ(sim->command("silent 1.2").back(), "ok");
    const Outcome silent = lampOutcome(4);
    EXPECT_EQ(silent.kind, OSTREL_FRAME_FAILED);
    EXPECT_EQ(silent.sendings, 3) << "the retry limit";
    EXPECT_GE(silent.elapsedMs, 2800);
    EXPECT_EQ(commandsSeen(8).size(), 8u);
    EXPECT_EQ(calls.failures(),
              (std::vector<OstrelCalls::Failure>{{OSTREL_PORT_UDP, 1, 2, OSTREL_COMMAND_SINGLE_LIGHT}}));

    const auto all = calls.outcomes.all();
    ASSERT_EQ(all.size(), 4u) << "one outcome per frame";
    for (std::size_t i = 1; i < all.size(); ++i)
        EXPECT_EQ(all[i].number, all[i - 1].number + 1);
}

// Frames still held when the context ends, the one out and those queued behind it, are discarded in the
// order they were queued.
TEST_P(OstrelOverUdp, FramesHeldAtQuitAreDiscardedInOrder) {
    startTerminal(GetParam(), {"--silent"});
    std::vector<std::uint32_t> numbers;
    for (int lamp = 1; lamp <= 5; ++lamp) {
        ASSERT_TRUE(Cmd_SingleLight_Send(context, port, 1, 2, 0, lamp, 1));
        numbers.push_back(GetLastQueuedFrame(context));
    }
    ASSERT_EQ(commandsSeen(1).size(), 1u) << "the first is out";
    Quit_Ostrel(context);
    context = nullptr;

    const auto all = calls.outcomes.all();
    ASSERT_EQ(all.size(), numbers.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].kind, OSTREL_FRAME_DISCARDED) << all[i];
        EXPECT_EQ(all[i].number, numbers[i]) << "in queue order";
        EXPECT_EQ(all[i].sendings > 0, i == 0) << all[i];
    }
    EXPECT_TRUE(calls.failures().empty());
}

const Line kUdpType1{"UdpType1", false, 1};
const Line kUdpType2{"UdpType2", false, 2};
const Line kPtyType1{"PtyType1", true, 1};
const Line kPtyType2{"PtyType2", true, 2};
const auto lineName = [](const auto& info) { return std::string(info.param.name); };
INSTANTIATE_TEST_SUITE_P(Lines, OstrelOnEveryLine,
                         ::testing::Values(kUdpType1, kUdpType2, kPtyType1, kPtyType2), lineName);
INSTANTIATE_TEST_SUITE_P(Lines, OstrelOnASerialLine, ::testing::Values(kPtyType1, kPtyType2), lineName);
INSTANTIATE_TEST_SUITE_P(Lines, OstrelOverUdp, ::testing::Values(kUdpType1, kUdpType2), lineName);

TEST_F(OstrelAgainstSim, AReplyOverUdpLetsTheNextFrameGoAtOnce) {
    startTerminal({"UdpType1", false, 1});
    constexpr int kFrames = 30;
    for (int lamp = 0; lamp < kFrames; ++lamp)
        ASSERT_TRUE(Cmd_SingleLight_Send(context, port, 1, 2, 0, lamp, 1));
    const auto seen = commandsSeen(kFrames);
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kFrames));
    const double spread = seen.back().seconds() - seen.front().seconds();
    EXPECT_LT(spread, 1.5) << "one frame per 100 ms tick would take 2.9 s";
    for (int lamp = 0; lamp < kFrames; ++lamp)
        EXPECT_EQ(seen[lamp]["lamp"], std::to_string(lamp));
}

TEST_F(OstrelAgainstSim, AReplyFromTheThirdSendingStillEndsTheWait) {
    startTerminal({"UdpType1", false, 1}, {"--reply-from", "3"});
    ASSERT_TRUE(Cmd_SingleLight_Send(context, port, 1, 2, 0, 6, 1));
    ASSERT_TRUE(Cmd_SingleLight_Send(context, port, 1, 2, 0, 7, 1));
    const auto seen = commandsSeen(4);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[2]["sending"], "3");
    EXPECT_EQ(seen[2]["answer"], "replied");
    EXPECT_EQ(seen[3]["lamp"], "7") << "the next frame follows the late answer";
    EXPECT_TRUE(calls.failures().empty());
}

TEST_F(OstrelAgainstSim, ALateReplyWithTheCatchAllCodeEndsTheWaitOfANetworkFrame) {
    startTerminal({"UdpType2", false, 2}, {"--reply-late", "400", "--reply-fc"});
    ASSERT_TRUE(Cmd_SingleLight_Send(context, port, 1, 2, 0, 6, 1));
    ASSERT_TRUE(Cmd_SingleLight_Send(context, port, 1, 2, 0, 7, 1));
    const auto seen = commandsSeen(2);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0]["answer"], "reply later");
    EXPECT_EQ(seen[1]["sending"], "1") << "answered before a resend was due";
    const double gap = seen[1].seconds() - seen[0].seconds();
    EXPECT_GE(gap, 0.39);
    EXPECT_LT(gap, 1.0);
    const auto replies = sim->records(SimProcess::kind("reply"));
    ASSERT_FALSE(replies.empty());
    EXPECT_EQ(replies[0]["wireCode"], "252");
    EXPECT_TRUE(calls.failures().empty());
}
