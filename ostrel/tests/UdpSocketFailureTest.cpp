// The UDP socket failing under a running context: an error on receive, a destination the network refuses, the
// socket shut down or its descriptor closed under the worker. Ostrel lives through each without spending a
// core: where the socket can no longer serve, the connection-lost path (slot 7 with "PC dropped.", the
// terminal table emptied, the socket closed) and a line saying why; where it still can, nothing is lost.
#include "OstrelContext.h"
#include "ostrel/ostrel.h"
#include "support/FaultySocketCalls.h"
#include "support/FreeUdpPort.h"
#include "support/WaitUntil.h"
#include "support/WireFrames.h"

#include <arpa/inet.h>
#include <asio/ip/udp.hpp>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

using namespace std::chrono_literals;
using asio::ip::udp;
using Bytes = std::vector<std::uint8_t>;

namespace {

class UdpSocketFailureTest : public ::testing::Test {
protected:
    UdpSocketFailureTest() {
        callbacks_.onConnectionLost = &UdpSocketFailureTest::recordLost;
        callbacks_.onSendFailed = &UdpSocketFailureTest::recordSendFailed;
        callbacks_.onTerminalEvent = &UdpSocketFailureTest::recordEvent;
        context = OstrelContext::create(this, callbacks_, calls).release();
        ostrel = udp::endpoint(asio::ip::address_v4::loopback(),
                               static_cast<std::uint16_t>(startOnFreeUdpPort(context)));
        workerClock_ = context->onWorker([] {
            clockid_t clock{};
            pthread_getcpuclockid(pthread_self(), &clock);
            return clock;
        });
    }
    ~UdpSocketFailureTest() override { Quit_Ostrel(context); }

    // Sends a datagram as terminal socket and returns Ostrel's next answer to it; nothing within the limit
    // gives an empty answer.
    Bytes exchange(const Bytes& datagram, int timeoutMs = 5000) {
        terminal.send_to(asio::buffer(datagram), ostrel);
        return receive(timeoutMs);
    }
    Bytes receive(int timeoutMs = 5000) {
        pollfd p{terminal.native_handle(), POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1)
            return {};
        std::array<std::uint8_t, 256> buffer{};
        const std::size_t n = terminal.receive(asio::buffer(buffer));
        return Bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
    }

    std::int32_t terminalState(int a, int b) {
        std::int32_t state = -1;
        GetTerminalState(context, OSTREL_PORT_UDP, a, b, &state);
        return state;
    }
    bool socketOpen() {
        return context->onWorker([this] { return context->udpPort().isOpen(); });
    }
    // Ostrel's socket, found as another part of the process could find it: by the port it is bound to.
    int socketDescriptor() {
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            const int fd = std::stoi(entry.path().filename().string());
            sockaddr_in address{};
            socklen_t length = sizeof address;
            if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
                address.sin_family == AF_INET && ntohs(address.sin_port) == ostrel.port())
                return fd;
        }
        return -1;
    }

    // The share of one core the worker thread used over the period: a worker that spins shows near 1.
    double workerLoad(std::chrono::milliseconds period = 500ms) {
        const auto cpu = [this] {
            timespec t{};
            clock_gettime(workerClock_, &t);
            return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
        };
        const double before = cpu();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(period);
        const double used = cpu() - before;
        return used / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    std::vector<std::string> lostTexts() {
        std::lock_guard lock(mutex_);
        return lost_;
    }
    std::vector<int> sendFailures() {
        std::lock_guard lock(mutex_);
        return sendFailures_;
    }
    int onLineEvents() {
        std::lock_guard lock(mutex_);
        return onLineEvents_;
    }

    FaultySocketCalls calls;
    OstrelContext* context = nullptr;
    udp::endpoint ostrel;
    asio::io_context io;
    udp::socket terminal{io, udp::endpoint(asio::ip::address_v4::loopback(), 0)};

private:
    static UdpSocketFailureTest* self(void* user) { return static_cast<UdpSocketFailureTest*>(user); }
    static void recordLost(void* user, const char* text) {
        std::lock_guard lock(self(user)->mutex_);
        self(user)->lost_.emplace_back(text);
    }
    static void recordSendFailed(void* user, int32_t, int32_t, int32_t, int32_t code, const char*) {
        std::lock_guard lock(self(user)->mutex_);
        self(user)->sendFailures_.push_back(code & 0xFF);
    }
    static void recordEvent(void* user, int32_t, int32_t, int32_t, int32_t, int32_t code, const char*) {
        std::lock_guard lock(self(user)->mutex_);
        if (code == OSTREL_EVENT_TERMINAL_ON_LINE)
            ++self(user)->onLineEvents_;
    }

    OstrelCallbacks callbacks_{};
    clockid_t workerClock_{};
    std::mutex mutex_;
    std::vector<std::string> lost_;
    std::vector<int> sendFailures_;
    int onLineEvents_ = 0;
};

constexpr double kIdle = 0.25; // far above an idle worker, far below one that spins

} // namespace

// A receive that fails for a reason other than an empty queue shows the socket broken: the caller hears
// "PC dropped." once, though every later read would fail too, the table is emptied and the socket closed,
// the passes go on, and a new Start_Ostrel serves again.
TEST_F(UdpSocketFailureTest, AReceiveErrorTakesTheConnectionLostPathOnce) {
    ASSERT_EQ(exchange(wire::canonical(1, 2, OSTREL_REPORT_SIGN_ON)), wire::canonical(1, 2, 0x84));
    ASSERT_TRUE(waitUntil([&] { return terminalState(1, 2) == OSTREL_STATE_ON_LINE; }));

    ::testing::internal::CaptureStderr();
    calls.receiveError = EIO;
    terminal.send_to(asio::buffer(wire::canonical(1, 3, OSTREL_REPORT_SIGN_ON)), ostrel);
    const bool lost = waitUntil([&] { return !lostTexts().empty(); });
    const bool closed = waitUntil([&] { return !socketOpen(); });
    const double load = workerLoad();
    const std::string logged = ::testing::internal::GetCapturedStderr();

    ASSERT_TRUE(lost);
    EXPECT_TRUE(closed);
    EXPECT_EQ(lostTexts(), (std::vector<std::string>{"PC dropped."}));
    EXPECT_EQ(terminalState(1, 2), OSTREL_STATE_NEVER_HEARD) << "the table is emptied";
    EXPECT_NE(logged.find("failed (" + std::error_code(EIO, std::system_category()).message() + ")"),
              std::string::npos)
        << logged;
    EXPECT_LT(load, kIdle);
    EXPECT_TRUE(context->onWorker([this] { return context->core().isRunning(ostrel::Pass::ExpiryScan); }));

    calls.receiveError = 0;
    const int port = startOnFreeUdpPort(context);
    ostrel = udp::endpoint(asio::ip::address_v4::loopback(), static_cast<std::uint16_t>(port));
    EXPECT_EQ(exchange(wire::canonical(1, 2, OSTREL_REPORT_SIGN_ON)), wire::canonical(1, 2, 0x84));
    EXPECT_EQ(lostTexts().size(), 1u);
}

// A receive error that leaves the socket usable (an interrupted call, the echo of a refused datagram) and
// keeps coming while a report waits in the queue: the worker does not spin on it, the connection is not
// given up, and the report is read and answered once the error passes.
TEST_F(UdpSocketFailureTest, APassingReceiveErrorThatKeepsComingNeitherSpinsNorLosesTheReport) {
    calls.receiveError = ECONNREFUSED;
    terminal.send_to(asio::buffer(wire::canonical(1, 2, OSTREL_REPORT_SIGN_ON)), ostrel);
    ASSERT_TRUE(waitUntil([&] {
        const auto made = calls.calls();
        return std::count_if(made.begin(), made.end(), [](const FaultySocketCalls::Call& call) {
                   return call.kind == FaultySocketCalls::Call::Receive;
               }) > 0;
    }));
    EXPECT_LT(workerLoad(), kIdle);
    EXPECT_TRUE(lostTexts().empty());

    calls.receiveError = 0;
    EXPECT_EQ(receive(), wire::canonical(1, 2, 0x84)) << "read by the next tick, with no new datagram";
    EXPECT_TRUE(socketOpen());
}

// A socket shut down under the worker shows readable for good with nothing to read: rather than spin on it,
// the worker takes it as closed.
TEST_F(UdpSocketFailureTest, ASocketShutDownUnderTheWorkerIsTakenAsClosedWithoutSpinning) {
    ASSERT_EQ(exchange(wire::canonical(1, 2, OSTREL_REPORT_SIGN_ON)), wire::canonical(1, 2, 0x84));
    const int fd = socketDescriptor();
    ASSERT_GE(fd, 0);
    ::testing::internal::CaptureStderr();
    ::shutdown(fd, SHUT_RDWR);
    const bool lost = waitUntil([&] { return !lostTexts().empty(); });
    const bool closed = waitUntil([&] { return !socketOpen(); });
    const std::string logged = ::testing::internal::GetCapturedStderr();

    ASSERT_TRUE(lost);
    EXPECT_TRUE(closed);
    EXPECT_EQ(lostTexts(), (std::vector<std::string>{"PC dropped."}));
    EXPECT_NE(logged.find("failed (shut down): the connection is lost"), std::string::npos) << logged;
    EXPECT_EQ(terminalState(1, 2), OSTREL_STATE_NEVER_HEARD);
    EXPECT_LT(workerLoad(), kIdle);
}

// Shut down for sending only, the socket still receives and shows nothing: the first answer it cannot send
// loses the connection, with no signal to end the process.
TEST_F(UdpSocketFailureTest, ASocketShutDownForSendingIsFoundByTheFirstAnswer) {
    const int fd = socketDescriptor();
    ASSERT_GE(fd, 0);
    ::shutdown(fd, SHUT_WR);
    EXPECT_LT(workerLoad(), kIdle);
    EXPECT_TRUE(lostTexts().empty()) << "nothing failed yet";

    ::testing::internal::CaptureStderr();
    terminal.send_to(asio::buffer(wire::canonical(1, 3, OSTREL_REPORT_SIGN_ON)), ostrel);
    const bool lost = waitUntil([&] { return !lostTexts().empty(); });
    const std::string logged = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(lost);
    EXPECT_EQ(lostTexts(), (std::vector<std::string>{"PC dropped."}));
    EXPECT_NE(logged.find("failed (" + std::error_code(EPIPE, std::system_category()).message() + ")"),
              std::string::npos)
        << logged;
    EXPECT_TRUE(waitUntil([&] { return !socketOpen(); }));
    EXPECT_EQ(terminalState(1, 3), OSTREL_STATE_NEVER_HEARD) << "heard, then forgotten with the table";
}

// The socket's descriptor closed under the worker, its number given to another file at once: nothing
// arrives to say so, yet the next tick finds it; the caller hears "PC dropped." and the other file stays
// open, since the socket is let go rather than closed again.
TEST_F(UdpSocketFailureTest, ADescriptorClosedUnderTheWorkerIsFoundAndLetGo) {
    ASSERT_EQ(exchange(wire::canonical(1, 2, OSTREL_REPORT_SIGN_ON)), wire::canonical(1, 2, 0x84));
    const int fd = socketDescriptor();
    ASSERT_GE(fd, 0);
    const int other = context->onWorker([fd] {
        ::close(fd);
        return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    });
    ASSERT_GE(other, 0);

    ASSERT_TRUE(waitUntil([&] { return !lostTexts().empty(); }));
    EXPECT_EQ(lostTexts(), (std::vector<std::string>{"PC dropped."}));
    EXPECT_TRUE(waitUntil([&] { return !socketOpen(); }));
    EXPECT_EQ(terminalState(1, 2), OSTREL_STATE_NEVER_HEARD);
    EXPECT_LT(workerLoad(), kIdle);
    EXPECT_NE(::fcntl(other, F_GETFD), -1) << "the file that took the number is still open";
    ::close(other);
}

// Destinations the network refuses (a broadcast address the socket may not send to): the forwarded alarm
// to it is dropped alone and logged, and the report's answer still goes out; a command to a terminal that
// can only be reached there is resent and reported failed after the retry limit, never taken as sent. The
// connection stays.
TEST_F(UdpSocketFailureTest, ARefusedDestinationLosesOnlyItsOwnDatagrams) {
    ASSERT_TRUE(Start_Translib(context, "255.255.255.255", 0, 9));
    ASSERT_EQ(exchange(wire::canonical(3, 4, OSTREL_REPORT_STATUS, {0x00, 0x01})),
              wire::canonical(3, 4, 0x80 | OSTREL_REPORT_STATUS));
    ::testing::internal::CaptureStderr();
    const Bytes answer = exchange(wire::canonical(3, 4, OSTREL_REPORT_STATUS, {0x02, 0x01}));
    const std::string logged = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, wire::canonical(3, 4, 0x80 | OSTREL_REPORT_STATUS)) << "answered despite the forward";
    EXPECT_NE(logged.find("ostrel: UDP datagram to 255.255.255.255:9 not sent"), std::string::npos) << logged;

    // A protocol type 2 terminal that names the broadcast address as its own: answers to it cannot go out.
    terminal.send_to(asio::buffer(wire::network({255, 255, 255, 255}, 5, 6, 0xE3)), ostrel);
    ASSERT_TRUE(waitUntil([&] { return onLineEvents() == 2; }));
    ASSERT_TRUE(Cmd_LCDcleans_Send(context, OSTREL_PORT_UDP, 5, 6, 0));
    EXPECT_TRUE(waitUntil([&] { return !sendFailures().empty(); }, 20s));
    EXPECT_EQ(sendFailures(), (std::vector<int>{OSTREL_COMMAND_LCD_CLEAN}));
    EXPECT_TRUE(lostTexts().empty());
    EXPECT_TRUE(socketOpen());
    EXPECT_EQ(exchange(wire::canonical(3, 4, OSTREL_REPORT_SIGN_ON)), wire::canonical(3, 4, 0x84));
}
