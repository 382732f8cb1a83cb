// The command and query exports end to end: a terminal on loopback UDP or on a pseudo-terminal.
#include "OstrelContext.h"
#include "SerialPort.h"
#include "ostrel/ostrel.h"
#include "support/OutcomeLog.h"
#include "support/PtyLine.h"
#include "support/WaitUntil.h"
#include "support/WireFrames.h"

#include <asio/ip/udp.hpp>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <set>
#include <thread>

using asio::ip::udp;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Terminal events as they arrive on the worker thread.
struct EventLog {
    std::mutex mutex;
    std::vector<std::array<int, 5>> events;

    static void record(void* user, int32_t port, int32_t a, int32_t b, int32_t index, int32_t code,
                       const char*) {
        auto* log = static_cast<EventLog*>(user);
        std::lock_guard lock(log->mutex);
        log->events.push_back({port, a & 0xFF, b & 0xFF, index & 0xFF, code & 0xFF});
    }
    std::atomic<int> sendFailures{0};
    std::atomic<int> failedCode{0};

    static void recordFailure(void* user, int32_t, int32_t, int32_t, int32_t code, const char*) {
        auto* log = static_cast<EventLog*>(user);
        log->failedCode = code & 0xFF;
        ++log->sendFailures;
    }
    std::size_t size() {
        std::lock_guard lock(mutex);
        return events.size();
    }

    // Two outcome callbacks to swap between; the second hands over to the first from within itself.
    OutcomeLog outcomes;
    std::atomic<OstrelContext*> context{nullptr};
    static void firstOutcome(void* user, const OstrelOutcome* outcome) {
        static_cast<EventLog*>(user)->outcomes.record(*outcome);
    }
    static void secondOutcome(void* user, const OstrelOutcome* outcome) {
        auto* log = static_cast<EventLog*>(user);
        log->outcomes.record(*outcome);
        SetOutcomeCallback(log->context, &firstOutcome);
    }
};

// A terminal on loopback UDP that speaks protocol type 1.
class UdpTerminal {
public:
    explicit UdpTerminal(std::uint16_t ostrelPort) : ostrel_(asio::ip::address_v4::loopback(), ostrelPort) {}

    void send(const Bytes& frame) { socket_.send_to(asio::buffer(frame), ostrel_); }
    // The next datagram, or nothing within the limit.
    Bytes receive(int timeoutMs = 5000) {
        pollfd p{socket_.native_handle(), POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1)
            return {};
        std::array<std::uint8_t, 256> buffer{};
        udp::endpoint from;
        const std::size_t n = socket_.receive_from(asio::buffer(buffer), from);
        return Bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
    }

private:
    asio::io_context io_;
    udp::socket socket_{io_, udp::endpoint(asio::ip::address_v4::loopback(), 0)};
    udp::endpoint ostrel_;
};

class ExportsTest : public ::testing::Test {
protected:
    ExportsTest() { callbacks.onTerminalEvent = &EventLog::record; }
    ~ExportsTest() override {
        Quit_Ostrel(context);
        for (auto& port : ostrel::serialPorts())
            port.close();
    }

    std::uint16_t startUdp() {
        EXPECT_TRUE(Start_Ostrel(context, 0, 1000, 3));
        return context->onWorker([this] { return context->udpPort().boundPort(); });
    }

    ScratchFolder folder;
    EventLog log;
    OstrelCallbacks callbacks{};
    OstrelContext* context = Init_Ostrel(&log, &callbacks);
};

} // namespace

TEST_F(ExportsTest, ACommandReachesAUdpTerminalAndItsReplyLetsTheNextGo) {
    UdpTerminal terminal(startUdp());
    terminal.send(wire::canonical(1, 2, 2, {0x00, 0x01}));
    EXPECT_EQ(terminal.receive(), wire::canonical(1, 2, 0x82)) << "the report is acknowledged";
    ASSERT_TRUE(waitUntil([&] { return log.size() == 2; }));
    EXPECT_EQ(log.events[0], (std::array<int, 5>{11, 1, 2, 0, 9}));

    ASSERT_TRUE(Cmd_LCDcleans_Send(context, 11, 1, 2, 0));
    ASSERT_TRUE(Cmd_Message_Send(context, 11, 1, 2, 0, "hi"));
    EXPECT_EQ(terminal.receive(), (Bytes{0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x0B, 0x16}));
    terminal.send(wire::canonical(1, 2, 0x8B));
    EXPECT_EQ(terminal.receive(), wire::canonical(1, 2, 12, {'h', 'i', 0}));

    std::int32_t state = -1;
    EXPECT_EQ(GetTerminalState(context, 11, 1, 2, &state), 0) << "status bit 0 was set";
    EXPECT_EQ(state, 1);
}

TEST_F(ExportsTest, AnUnansweredCommandIsResentThenReportedAsFailed) {
    callbacks.onSendFailed = &EventLog::recordFailure;
    UdpTerminal terminal(startUdp());
    terminal.send(wire::canonical(4, 4, 1));
    ASSERT_FALSE(terminal.receive().empty());
    ASSERT_TRUE(Cmd_SingleLight_Send(context, 11, 4, 4, 0, 3, 1));
    const Bytes first = terminal.receive();
    EXPECT_EQ(first, wire::canonical(4, 4, 7, {3, 1}));
    EXPECT_EQ(terminal.receive(), first) << "resent a second later";
    EXPECT_EQ(terminal.receive(), first);
    EXPECT_TRUE(waitUntil([&] { return log.sendFailures == 1; }));
    EXPECT_EQ(log.failedCode, 7);
    EXPECT_TRUE(terminal.receive(1500).empty()) << "three sendings with retry limit 3";
}

// The outcome callback may be swapped from any thread, also from within itself, while a terminal answers
// frames as fast as it can: no outcome is told twice, and numbers are each caller thread's own.
TEST_F(ExportsTest, TheOutcomeCallbackMayBeSwappedFromAnyThreadWhileOutcomesFlow) {
    log.context = context;
    UdpTerminal terminal(startUdp());
    terminal.send(wire::canonical(1, 2, 1));
    ASSERT_FALSE(terminal.receive().empty());
    std::atomic<bool> done{false};
    std::thread responder([&] {
        while (!done) {
            const Bytes frame = terminal.receive(100);
            if (frame.size() > 6)
                terminal.send(wire::canonical(frame[1], frame[2], frame[6] | 0x80));
        }
    });
    std::thread swapper([&] {
        while (!done) {
            SetOutcomeCallback(context, &EventLog::firstOutcome);
            SetOutcomeCallback(context, nullptr);
            SetOutcomeCallback(context, &EventLog::secondOutcome);
            std::this_thread::yield();
        }
    });
    constexpr int kFrames = 300;
    std::vector<std::uint32_t> numbers;
    std::thread caller([&] {
        for (int i = 0; i < kFrames; ++i)
            if (Cmd_SingleLight_Send(context, OSTREL_PORT_UDP, 1, 2, 0, i % 8, 1))
                numbers.push_back(GetLastQueuedFrame(context));
    });
    caller.join();
    ASSERT_EQ(numbers.size(), static_cast<std::size_t>(kFrames));
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()) &&
                std::adjacent_find(numbers.begin(), numbers.end()) == numbers.end());
    EXPECT_EQ(GetLastQueuedFrame(context), 0u) << "this thread queued nothing";

    // Frames on a port are settled in order: once the last is, all are.
    EXPECT_TRUE(waitUntil([&] {
        return context->onWorker([this, lastQueued = numbers.back()] {
            const auto& state = context->core().sendPump().state(ostrel::kUdpPortIndex);
            return state.frameNumber == lastQueued && !state.awaitingReply;
        });
    }));
    done = true;
    swapper.join();
    responder.join();
    // Nobody answers any more: the frame queued now is still held when the context ends.
    SetOutcomeCallback(context, &EventLog::firstOutcome);
    ASSERT_TRUE(Cmd_LCDcleans_Send(context, OSTREL_PORT_UDP, 1, 2, 0));
    const std::uint32_t last = GetLastQueuedFrame(context);
    Quit_Ostrel(context);
    context = nullptr;

    std::set<std::uint32_t> seen;
    for (const auto& outcome : log.outcomes.all()) {
        EXPECT_TRUE(seen.insert(outcome.number).second) << "told twice: " << outcome;
        EXPECT_EQ(outcome.kind, outcome.number == last ? OSTREL_FRAME_DISCARDED : OSTREL_FRAME_ANSWERED)
            << outcome;
    }
    EXPECT_GT(seen.size(), 1u) << "outcomes flowed while the callback was swapped";
    EXPECT_TRUE(seen.count(last)) << "the callback set last hears the frame discarded at the end";
}

TEST_F(ExportsTest, ASerialTerminalIsAcknowledgedAndCommandedOnItsLine) {
    PtyLine line;
    line.linkAs(2);
    ASSERT_TRUE(Start_Ostrel(context, 2, 1000, 3));
    line.releaseSlave();
    line.send(wire::serial(9, 9, 224));
    EXPECT_EQ(line.receive(5), wire::serial(9, 9, 0x7C));
    ASSERT_TRUE(Cmd_SetupTime_Send(context, 2, 9, 9, 0, "10-09-27 08:05:00"));
    EXPECT_EQ(line.receive(11), wire::serial(9, 9, 81, {0x0A, 0x09, 0x1B, 0x08, 0x05, 0x00}));
}

TEST_F(ExportsTest, CommandsRefuseWhatTheyCannotQueue) {
    EXPECT_FALSE(Cmd_LCDcleans_Send(nullptr, 11, 1, 2, 0));
    EXPECT_FALSE(Cmd_LCDcleans_Send(context, 0, 1, 2, 0));
    EXPECT_FALSE(Cmd_LCDcleans_Send(context, 12, 1, 2, 0));
    EXPECT_FALSE(Cmd_LCDcleans_Send(context, 11 + 256, 1, 2, 0));
    EXPECT_FALSE(Cmd_Message_Send(context, 11, 1, 2, 0, nullptr));
    EXPECT_FALSE(Cmd_LCDdisplay_Send(context, 11, 1, 2, 0, 0, std::string(64, 'x').c_str()));
    EXPECT_TRUE(Cmd_LCDdisplay_Send(context, 11, 1, 2, 0, 0, std::string(63, 'x').c_str()));
    EXPECT_TRUE(Cmd_TerminalControl_Send(context, 1, 1, 2, 0, "123456789", 1, 1)) << "queued with no payload";
    for (int i = 1; i < 1999; ++i)
        ASSERT_TRUE(Cmd_One_Equiment_Powerup(context, 3, 1, 2, 0));
    EXPECT_TRUE(Cmd_One_Equiment_Powerup(context, 3, 1, 2, 0));
    EXPECT_FALSE(Cmd_One_Equiment_Powerup(context, 3, 1, 2, 0)) << "1999 frames wait on that port";
    EXPECT_TRUE(Cmd_One_Equiment_Powerup(context, 4, 1, 2, 0));
}

TEST_F(ExportsTest, QueriesReadAndSetTheTableSafely) {
    std::int32_t state = -1, zoneState = -1, timeout = -1, udpPort = -1;
    char text[16] = "unchanged";
    EXPECT_EQ(GetTerminalState(context, 11, 5, 6, &state), 0);
    EXPECT_EQ(state, 0);
    EXPECT_EQ(GetAlarmState(context, 11, 5, 6, 0, &zoneState), 0);
    EXPECT_EQ(zoneState, -1) << "zone 0 writes nothing";
    SetTerminalProperty(context, 11, 5, 6, 7, 0, 0);
    GetTerminalProperty(context, 11, 5, 6, &timeout, &udpPort, text);
    EXPECT_EQ(timeout, 7);
    EXPECT_EQ(GetTerminalState(context, 11, 5, 6, &state), 0);
    EXPECT_EQ(state, 1);

    EXPECT_EQ(GetTerminalState(nullptr, 11, 5, 6, &state), 0);
    EXPECT_EQ(GetTerminalState(context, 99, 5, 6, &state), 0);
    EXPECT_EQ(GetTerminalState(context, 11, 5, 6, nullptr), 0);
    GetTerminalProperty(context, 0, 5, 6, &timeout, &udpPort, text);
    SetTerminalProperty(context, -5, 5, 6, 7, 0, 0);
}

TEST_F(ExportsTest, AZoneAlarmIsReportedAndForwardedAndASignOffTakesTheTerminalOffLine) {
    asio::io_context io;
    udp::socket monitoringCentre(io, udp::endpoint(asio::ip::address_v4::loopback(), 0));
    ASSERT_TRUE(Start_Translib(context, "127.0.0.1", 0, monitoringCentre.local_endpoint().port()));
    UdpTerminal terminal(startUdp());

    terminal.send(wire::canonical(3, 4, 2, {0x00, 0x01}));
    terminal.receive();
    terminal.send(wire::canonical(3, 4, 2, {0x02, 0x01}));
    terminal.receive();
    std::array<std::uint8_t, 16> forwarded{};
    pollfd p{monitoringCentre.native_handle(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    ASSERT_EQ(monitoringCentre.receive(asio::buffer(forwarded)), 5u);
    EXPECT_EQ(Bytes(forwarded.begin(), forwarded.begin() + 5), (Bytes{0xFF, 3, 4, 2, 0}));
    std::int32_t zoneState = -1;
    EXPECT_EQ(GetAlarmState(context, 11, 3, 4, 2, &zoneState), 0);
    EXPECT_EQ(zoneState, 2);

    terminal.send(wire::canonical(3, 4, 2, {0x00, 0x01}));
    terminal.receive();
    // A sign-off converted from the network form carries no data: it announces the terminal gone.
    terminal.send(wire::network({127, 0, 0, 1}, 3, 4, 226));
    EXPECT_EQ(
        terminal.receive(),
        wire::network(context->onWorker([this] { return context->udpPort().localAddress(); }), 3, 4, 124));
    ASSERT_TRUE(waitUntil([&] { return log.size() == 5; }));
    std::lock_guard lock(log.mutex);
    EXPECT_EQ(log.events[2], (std::array<int, 5>{11, 3, 4, 2, 2}));
    EXPECT_EQ(log.events[3], (std::array<int, 5>{11, 3, 4, 2, 3}));
    EXPECT_EQ(log.events[4], (std::array<int, 5>{11, 3, 4, 0, 8}));
}

TEST_F(ExportsTest, AProtocolType1SignOffTakesTheTerminalOffLine) {
    UdpTerminal terminal(startUdp());
    terminal.send(wire::canonical(5, 6, 1));
    terminal.receive();
    terminal.send(wire::canonical(5, 6, 3));
    EXPECT_EQ(terminal.receive(), wire::canonical(5, 6, 0x83));
    ASSERT_TRUE(waitUntil([&] { return log.size() == 2; }));
    std::lock_guard lock(log.mutex);
    EXPECT_EQ(log.events[1], (std::array<int, 5>{OSTREL_PORT_UDP, 5, 6, 0, OSTREL_EVENT_TERMINAL_OFF_LINE}));
    std::int32_t state = -1;
    GetTerminalState(context, OSTREL_PORT_UDP, 5, 6, &state);
    EXPECT_EQ(state, OSTREL_STATE_OFF_LINE);
}

// One context has one UDP port: a new port number replaces it only once the new socket is bound.
TEST_F(ExportsTest, AUdpPortThatCannotBeBoundLeavesTheWorkingOneListening) {
    asio::io_context io;
    udp::socket holder(io, udp::endpoint(udp::v4(), 0));
    const std::uint16_t working = startUdp();
    EXPECT_FALSE(Start_Ostrel(context, holder.local_endpoint().port(), 1000, 3));

    UdpTerminal terminal(working);
    terminal.send(wire::canonical(1, 1, 1));
    EXPECT_EQ(terminal.receive(), wire::canonical(1, 1, 0x81)) << "still heard and answered";
    ASSERT_TRUE(waitUntil([&] { return log.size() == 1; }));

    ASSERT_TRUE(Start_Ostrel(context, 0, 1000, 3));
    const std::uint16_t replacement = context->onWorker([this] { return context->udpPort().boundPort(); });
    EXPECT_NE(replacement, working);
    UdpTerminal moved(replacement);
    moved.send(wire::canonical(1, 2, 1));
    EXPECT_EQ(moved.receive(), wire::canonical(1, 2, 0x81)) << "the new port listens";
    ASSERT_TRUE(waitUntil([&] { return log.size() == 2; }));
}

// The retry count is a byte: a limit it can never reach would block the port for good.
TEST_F(ExportsTest, ARetryLimitOutOfRangeIsRefusedAndOpensNothing) {
    PtyLine line;
    line.linkAs(4);
    for (int limit : {OSTREL_RETRY_LIMIT_MAX + 1, -1, 100000}) {
        EXPECT_FALSE(Start_Ostrel(context, 0, 1000, limit)) << limit;
        EXPECT_FALSE(Start_Ostrel(context, 4, 1000, limit)) << limit;
    }
    EXPECT_FALSE(context->onWorker([this] { return context->udpPort().isOpen(); }));
    EXPECT_FALSE(ostrel::serialPorts()[3].isOpen());
    EXPECT_EQ(context->onWorker([this] { return context->startTimersHandled(); }), 0);

    EXPECT_TRUE(Start_Ostrel(context, 4, 1000, OSTREL_RETRY_LIMIT_MAX));
    EXPECT_TRUE(Start_Ostrel(context, 0, 1000, 0));
    EXPECT_EQ(context->onWorker([this] { return context->core().retryLimit(); }), 0);
}

// An adapter pulled and plugged back in: the receive pass notices the line is gone, and the next start
// of that COM opens the device now behind its link.
TEST_F(ExportsTest, ASerialLineThatWentAwayIsOpenedAfreshByTheNextStart) {
    auto line = std::make_unique<PtyLine>();
    line->linkAs(3);
    ASSERT_TRUE(Start_Ostrel(context, 3, 1000, 3));
    line->releaseSlave();
    line->send(wire::canonical(1, 2, 1));
    EXPECT_EQ(line->receive(8), wire::canonical(1, 2, 0x81));
    line->send({0x20, 0x01}); // the start of a frame the line will never finish

    // The link goes with the device: the line is not opened again until a device is behind it.
    std::filesystem::remove("dev/COM3");
    line.reset();
    EXPECT_TRUE(waitUntil([] { return !ostrel::serialPorts()[2].isOpen(); })) << "the hang-up is noticed";
    EXPECT_TRUE(context->onWorker([this] { return context->core().serialInput(2).empty(); }));

    PtyLine replugged;
    replugged.linkAs(3);
    ASSERT_TRUE(Start_Ostrel(context, 3, 1000, 3));
    replugged.releaseSlave();
    replugged.send(wire::canonical(1, 3, 1));
    EXPECT_EQ(replugged.receive(8), wire::canonical(1, 3, 0x81));
    EXPECT_TRUE(waitUntil([&] { return log.size() == 2; }));
    std::lock_guard lock(log.mutex);
    EXPECT_EQ(log.events[1], (std::array<int, 5>{3, 1, 3, 0, OSTREL_EVENT_TERMINAL_ON_LINE}));
}
