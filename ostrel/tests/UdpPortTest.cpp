#include "UdpPort.h"

#include "OstrelContext.h"
#include "ostrel/ostrel.h"
#include "support/FaultySocketCalls.h"
#include "support/FreeUdpPort.h"
#include "support/WaitUntil.h"
#include "support/WireFrames.h"

#include <algorithm>
#include <array>
#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>
#include <atomic>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <iostream>
#include <linux/sock_diag.h>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using asio::ip::udp;
using ostrel::UdpPort;

namespace {

bool readable(int fd, int timeoutMs = 5000) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) == 1;
}

// What the kernel charges a socket's receive buffer for one queued terminal frame: its bookkeeping, far
// more than the frame's few bytes. Measured, as it differs between kernels.
long chargePerQueuedFrame() {
    asio::io_context io;
    udp::socket sender(io, udp::endpoint(asio::ip::address_v4::loopback(), 0));
    udp::socket probe(io, udp::endpoint(asio::ip::address_v4::loopback(), 0));
    sender.send_to(asio::buffer(wire::canonical(1, 1, OSTREL_REPORT_SIGN_ON)), probe.local_endpoint());
    std::array<std::uint32_t, SK_MEMINFO_VARS> memory{};
    socklen_t length = sizeof memory;
    if (!readable(probe.native_handle()) ||
        ::getsockopt(probe.native_handle(), SOL_SOCKET, SO_MEMINFO, memory.data(), &length) != 0)
        throw std::runtime_error("no queued datagram to measure");
    return memory[SK_MEMINFO_RMEM_ALLOC];
}

// Whether this process may size a receive buffer beyond net.core.rmem_max (CAP_NET_ADMIN), as Ostrel asks.
bool mayPassReceiveBufferCap() {
    asio::io_context io;
    udp::socket probe(io, udp::v4());
    const int half = UdpPort::kReceiveBufferBytes / 2;
    return ::setsockopt(probe.native_handle(), SOL_SOCKET, SO_RCVBUFFORCE, &half, sizeof half) == 0;
}

class UdpPortTest : public ::testing::Test {
protected:
    asio::io_context io;
    UdpPort port{io};
    // A peer socket on loopback that sends to and hears from the port under test.
    udp::socket peer{io, udp::endpoint(asio::ip::address_v4::loopback(), 0)};

    void sendToPort(const std::vector<std::uint8_t>& bytes) {
        peer.send_to(asio::buffer(bytes), udp::endpoint(asio::ip::address_v4::loopback(), port.boundPort()));
    }

    bool readable() { return ::readable(port.socket().native_handle()); }
};

} // namespace

TEST_F(UdpPortTest, PortZeroLetsTheSystemChoose) {
    ASSERT_TRUE(port.open(0));
    EXPECT_NE(port.boundPort(), 0);
}

TEST_F(UdpPortTest, PortNumbersAboveSixteenBitsUseTheirLowBits) {
    udp::socket probe(io, udp::endpoint(udp::v4(), 0));
    const std::uint16_t free = probe.local_endpoint().port();
    probe.close();

    ASSERT_TRUE(port.open(0x10000 + free));
    EXPECT_EQ(port.boundPort(), free);
}

// A port that cannot be had leaves the socket in use listening where it was.
TEST_F(UdpPortTest, APortInUseIsRefusedAndTheWorkingSocketKept) {
    udp::socket holder(io, udp::endpoint(udp::v4(), 0));
    EXPECT_FALSE(port.open(holder.local_endpoint().port()));
    EXPECT_FALSE(port.isOpen());

    ASSERT_TRUE(port.open(0));
    const std::uint16_t working = port.boundPort();
    EXPECT_FALSE(port.open(holder.local_endpoint().port()));
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(port.boundPort(), working);
    sendToPort({0x01});
    EXPECT_TRUE(readable()) << "still hears on its port";

    ASSERT_TRUE(port.open(0)) << "a port that can be had replaces it";
    EXPECT_NE(port.boundPort(), working);
}

TEST_F(UdpPortTest, CloseReportsWhetherASocketWasOpen) {
    EXPECT_EQ(port.close(), -1);
    ASSERT_TRUE(port.open(0));
    EXPECT_EQ(port.close(), 0);
    EXPECT_EQ(port.close(), -1);
}

TEST_F(UdpPortTest, TheLocalAddressIsNoLoopbackAddress) {
    ASSERT_TRUE(port.open(0));
    EXPECT_NE(port.localAddress()[0], 127) << "a loopback address cannot be answered by a terminal";
}

TEST_F(UdpPortTest, ReceivesOneDatagramWithItsSender) {
    ASSERT_TRUE(port.open(0));
    sendToPort({0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x0B, 0x16});
    ASSERT_TRUE(readable());

    const auto batch = port.receive(UdpPort::kBatchSize);
    ASSERT_FALSE(batch.error);
    ASSERT_EQ(batch.count, 1);
    const auto datagram = port.datagram(0);
    EXPECT_EQ(datagram.count, 8);
    EXPECT_EQ(datagram.buffer.size(), UdpPort::kDatagramCapacity);
    EXPECT_EQ(datagram.buffer[6], 0x0B);
    EXPECT_EQ(datagram.source, (ostrel::Ipv4Address{127, 0, 0, 1}));
    EXPECT_EQ(datagram.sourcePort, peer.local_endpoint().port());
}

// A batch takes what is queued, in order, up to the count asked for; empty and oversized datagrams keep
// their real sizes among the others, so the caller can drop them.
TEST_F(UdpPortTest, ABatchReadsWhatIsQueuedInOrderWithRealSizes) {
    ASSERT_TRUE(port.open(0));
    const std::vector<std::vector<std::uint8_t>> sent{
        {0x01}, {}, std::vector<std::uint8_t>(300, 0xAA), std::vector<std::uint8_t>(129, 0xBB), {0x02, 0x03}};
    for (const auto& datagram : sent)
        sendToPort(datagram);
    ASSERT_TRUE(readable());

    const auto first = port.receive(2);
    ASSERT_EQ(first.count, 2) << "no more than asked for";
    EXPECT_EQ(port.datagram(0).count, 1);
    EXPECT_EQ(port.datagram(0).buffer[0], 0x01);
    EXPECT_EQ(port.datagram(1).count, 0);

    const auto rest = port.receive(UdpPort::kBatchSize);
    ASSERT_EQ(rest.count, 3);
    EXPECT_EQ(port.datagram(0).count, 300);
    EXPECT_EQ(port.datagram(0).buffer.size(), UdpPort::kDatagramCapacity) << "the rest of it is cut off";
    EXPECT_EQ(port.datagram(1).count, 129);
    EXPECT_EQ(port.datagram(2).count, 2);
    EXPECT_EQ(port.datagram(2).buffer[1], 0x03);

    const auto nothing = port.receive(UdpPort::kBatchSize);
    EXPECT_EQ(nothing.count, 0);
    EXPECT_EQ(nothing.error, asio::error::would_block);
    EXPECT_FALSE(UdpPort::losesSocket(nothing.error));
}

TEST_F(UdpPortTest, SendsToAnAddress) {
    ASSERT_TRUE(port.open(0));
    const std::vector<std::uint8_t> frame{0xFF, 0x01, 0x02, 0x03, 0x00};
    port.queue(frame, {127, 0, 0, 1}, peer.local_endpoint().port());
    EXPECT_FALSE(::readable(peer.native_handle(), 0)) << "nothing goes before the flush";
    EXPECT_TRUE(port.flush());

    std::array<std::uint8_t, 16> buffer{};
    udp::endpoint from;
    EXPECT_EQ(peer.receive_from(asio::buffer(buffer), from), 5u);
    EXPECT_EQ(from.port(), port.boundPort());
    EXPECT_EQ(buffer[3], 0x03);
}

namespace {

// Everything that reaches a socket, in order.
std::vector<std::vector<std::uint8_t>> drain(udp::socket& socket, std::size_t expected) {
    std::vector<std::vector<std::uint8_t>> received;
    std::array<std::uint8_t, 256> buffer{};
    while (received.size() < expected && readable(socket.native_handle())) {
        const std::size_t n = socket.receive(asio::buffer(buffer));
        received.emplace_back(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return received;
}

std::vector<std::uint8_t> numbered(int n) {
    return {static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n), 0x5A};
}

} // namespace

// More datagrams than one batch holds: the full queue is sent first, and every datagram goes out once, in
// the order queued, byte for byte; also when the system takes fewer than asked per call, or has no room
// for a moment.
TEST(UdpPortSending, EveryQueuedDatagramGoesOutOnceInOrderHoweverTheSystemTakesThem) {
    for (const auto mode : {"whole batches", "three per call", "one per call, no room every other call"}) {
        SCOPED_TRACE(mode);
        asio::io_context io;
        FaultySocketCalls calls;
        UdpPort port(io, calls);
        udp::socket peer(io, udp::endpoint(asio::ip::address_v4::loopback(), 0));
        ASSERT_TRUE(port.open(0));
        if (std::string(mode) == "three per call")
            calls.mostPerSend = 3;
        if (std::string(mode).starts_with("one per call")) {
            calls.mostPerSend = 1;
            calls.fullEveryOtherSend = true;
        }

        constexpr int kDatagrams = 2 * UdpPort::kBatchSize + 10;
        for (int n = 0; n < kDatagrams; ++n)
            port.queue(numbered(n), {127, 0, 0, 1}, peer.local_endpoint().port());
        EXPECT_TRUE(port.flush());

        // Loopback delivers as it sends: all is there once the flush returns.
        const auto received = drain(peer, kDatagrams);
        EXPECT_FALSE(readable(peer.native_handle(), 0)) << "nothing more";
        ASSERT_EQ(received.size(), static_cast<std::size_t>(kDatagrams));
        for (int n = 0; n < kDatagrams; ++n)
            ASSERT_EQ(received[n], numbered(n)) << "datagram " << n;
    }
}

// A datagram the network refuses (here a broadcast address the socket may not send to, and port 0) is
// dropped alone, with a line that says so; those queued around it go out, and the socket stays usable.
TEST_F(UdpPortTest, ADatagramTheNetworkRefusesIsDroppedAloneAndLogged) {
    ASSERT_TRUE(port.open(0));
    const auto to = peer.local_endpoint().port();
    port.queue(numbered(1), {127, 0, 0, 1}, to);
    port.queue(numbered(2), {255, 255, 255, 255}, to);
    port.queue(numbered(3), {127, 0, 0, 1}, 0);
    port.queue(numbered(4), {127, 0, 0, 1}, to);
    ::testing::internal::CaptureStderr();
    const bool flushed = port.flush();
    const std::string logged = ::testing::internal::GetCapturedStderr();

    EXPECT_TRUE(flushed);
    EXPECT_EQ(drain(peer, 2), (std::vector<std::vector<std::uint8_t>>{numbered(1), numbered(4)}));
    EXPECT_FALSE(::readable(peer.native_handle(), 0)) << "nothing more";
    EXPECT_NE(logged.find("ostrel: UDP datagram to 255.255.255.255:" + std::to_string(to) + " not sent"),
              std::string::npos)
        << logged;
    EXPECT_FALSE(port.lostBy());
}

// A socket shut down under the port can send nothing more: the flush says so, with the reason, and no
// signal ends the process.
TEST_F(UdpPortTest, ASocketShutDownUnderThePortIsReportedLostBySending) {
    ASSERT_TRUE(port.open(0));
    ::shutdown(port.socket().native_handle(), SHUT_RDWR);
    port.queue(numbered(1), {127, 0, 0, 1}, peer.local_endpoint().port());

    EXPECT_FALSE(port.flush());
    EXPECT_EQ(port.lostBy().value(), EPIPE);
    EXPECT_TRUE(port.isOpen()) << "closing is the caller's";
    EXPECT_EQ(port.close(), 0);
    EXPECT_FALSE(port.lostBy()) << "a closed port has nothing to be lost";
}

// A descriptor closed behind the port's back, its number since given to another file: the port learns it
// from its next call and lets the number go without closing the other file.
TEST_F(UdpPortTest, ADescriptorClosedUnderThePortIsLetGoNotClosedAgain) {
    ASSERT_TRUE(port.open(0));
    const int fd = port.socket().native_handle();
    ASSERT_EQ(::close(fd), 0);
    const int other = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(other, 0);

    const auto batch = port.receive(UdpPort::kBatchSize);
    EXPECT_EQ(batch.count, 0);
    EXPECT_TRUE(UdpPort::losesSocket(batch.error)) << batch.error.message();
    EXPECT_EQ(port.close(), 0);
    EXPECT_FALSE(port.isOpen());
    EXPECT_NE(::fcntl(other, F_GETFD), -1) << "the other file is still open";
    ::close(other);
}

// A whole site signing on at once must fit in the socket's queue. A process that may not pass
// net.core.rmem_max gets a capped buffer: the port then works with what it was granted, and says so.
TEST_F(UdpPortTest, TheReceiveBufferHoldsAWholeSiteSigningOnAtOnce) {
    ::testing::internal::CaptureStderr();
    const bool opened = port.open(0);
    const std::string logged = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(opened);
    const int granted = port.receiveBufferBytes();
    EXPECT_EQ(logged, "ostrel: UDP port " + std::to_string(port.boundPort()) + " receive buffer " +
                          std::to_string(granted) + " bytes (asked " +
                          std::to_string(UdpPort::kReceiveBufferBytes) + ")\n");

    const long wholeSite = UdpPort::kTerminalsPerPort * chargePerQueuedFrame();
    if (mayPassReceiveBufferCap()) {
        EXPECT_GE(granted, wholeSite);
        return;
    }
    udp::socket probe(io, udp::v4());
    const int half = UdpPort::kReceiveBufferBytes / 2;
    ::setsockopt(probe.native_handle(), SOL_SOCKET, SO_RCVBUF, &half, sizeof half);
    int capped = 0;
    socklen_t length = sizeof capped;
    ::getsockopt(probe.native_handle(), SOL_SOCKET, SO_RCVBUF, &capped, &length);
    EXPECT_EQ(granted, capped);
    GTEST_SKIP() << "the kernel caps this process's receive buffer at " << granted
                 << " bytes (net.core.rmem_max); a whole site signing on at once needs " << wholeSite;
}

namespace {

// Ostrel through its C interface, with one client socket on loopback sending for many terminals.
class UdpBurstTest : public ::testing::Test {
protected:
    ~UdpBurstTest() override { Quit_Ostrel(context); }

    // Starts Ostrel on a free UDP port, its socket making its system calls through socketCalls; the
    // application hears terminals come on line, taking eventTime over each.
    udp::endpoint start(std::chrono::microseconds eventTime = {},
                        ostrel::SocketCalls& socketCalls = ostrel::systemSocketCalls()) {
        eventTime_ = eventTime;
        callbacks_.onTerminalEvent = &UdpBurstTest::record;
        context = OstrelContext::create(this, callbacks_, socketCalls).release();
        const auto port = static_cast<std::uint16_t>(startOnFreeUdpPort(context));
        return udp::endpoint(asio::ip::address_v4::loopback(), port);
    }

    int onLineEvents() {
        std::lock_guard lock(mutex_);
        return onLineEvents_;
    }
    // How many times each terminal (addressA * 256 + addressB) came on line.
    std::vector<int> onLineByTerminal() {
        std::lock_guard lock(mutex_);
        return onLineByTerminal_;
    }

    // For tests that make the socket's system calls fail; it outlives the context.
    FaultySocketCalls calls;
    OstrelContext* context = nullptr;
    asio::io_context io;
    udp::socket terminals{io, udp::endpoint(asio::ip::address_v4::loopback(), 0)};

private:
    static void record(void* user, int32_t, int32_t a, int32_t b, int32_t, int32_t code, const char*) {
        auto* self = static_cast<UdpBurstTest*>(user);
        if (code != OSTREL_EVENT_TERMINAL_ON_LINE)
            return;
        {
            std::lock_guard lock(self->mutex_);
            ++self->onLineEvents_;
            ++self->onLineByTerminal_[(a & 0xFF) * 256 + (b & 0xFF)];
        }
        std::this_thread::sleep_for(self->eventTime_);
    }

    OstrelCallbacks callbacks_{};
    std::chrono::microseconds eventTime_{};
    std::mutex mutex_;
    int onLineEvents_ = 0;
    std::vector<int> onLineByTerminal_ = std::vector<int>(256 * 256);
};

// Keeps the worker thread busy with a job of its own for as long as it lives, so that datagrams queue in
// the socket meanwhile; they are read together once it ends.
class WorkerHold {
public:
    explicit WorkerHold(OstrelContext* context) {
        auto held = held_.get_future();
        job_ = std::async(std::launch::async, [this, context] {
            context->onWorker([this] {
                held_.set_value();
                release_.get_future().wait();
            });
        });
        held.wait();
    }
    ~WorkerHold() {
        release_.set_value();
        job_.wait();
    }

private:
    std::promise<void> held_;
    std::promise<void> release_;
    std::future<void> job_;
};

// Terminal n of a burst: its address and its sign-on report, and the acknowledgement that answers it.
std::uint8_t addressA(int n) {
    return static_cast<std::uint8_t>(n / 255);
}
std::uint8_t addressB(int n) {
    return static_cast<std::uint8_t>(n % 255);
}
std::vector<std::uint8_t> signOn(int n) {
    return wire::canonical(addressA(n), addressB(n), OSTREL_REPORT_SIGN_ON);
}
std::vector<std::uint8_t> signOnAcknowledged(int n) {
    return wire::canonical(addressA(n), addressB(n), 0x80 | OSTREL_REPORT_SIGN_ON);
}

// Terminals behind several sockets, as several sites' routers: each socket gets its own terminals' answers,
// in the order of their reports.
class TerminalSockets {
public:
    static constexpr int kSockets = 8;

    TerminalSockets() {
        for (int i = 0; i < kSockets; ++i)
            sockets_.emplace_back(io_, udp::endpoint(asio::ip::address_v4::loopback(), 0));
    }
    udp::socket& of(int terminal) { return sockets_[static_cast<std::size_t>(terminal % kSockets)]; }
    void send(int terminal, const std::vector<std::uint8_t>& datagram, const udp::endpoint& to) {
        of(terminal).send_to(asio::buffer(datagram), to);
    }
    // Checks that the answers to terminals 0..count-1 arrived, each once, in order, byte for byte: what
    // each socket receives next is its terminals' acknowledgements, then that of one more sign-on sent now,
    // so that nothing sent twice can hide behind the last.
    void expectEveryAcknowledgementInOrder(int count, const udp::endpoint& ostrel) {
        for (int socket = 0; socket < kSockets; ++socket) {
            std::vector<std::vector<std::uint8_t>> expected;
            for (int n = socket; n < count; n += kSockets)
                expected.push_back(signOnAcknowledged(n));
            const auto received = drain(sockets_[static_cast<std::size_t>(socket)], expected.size());
            ASSERT_EQ(received.size(), expected.size()) << "socket " << socket;
            for (std::size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(received[i], expected[i]) << "socket " << socket << ", answer " << i;
            const int last = count + socket;
            sockets_[static_cast<std::size_t>(socket)].send_to(asio::buffer(signOn(last)), ostrel);
            EXPECT_EQ(drain(sockets_[static_cast<std::size_t>(socket)], 1),
                      (std::vector<std::vector<std::uint8_t>>{signOnAcknowledged(last)}))
                << "socket " << socket << " got more than one answer per report";
        }
    }

private:
    asio::io_context io_;
    std::vector<udp::socket> sockets_;
};

} // namespace

// Reports that pile up while the worker is busy, more than it reads in one wake-up, are all answered once it
// is free, with no further datagram arriving to wake it: each terminal's acknowledgements in the order of
// its reports, byte for byte, none twice.
TEST_F(UdpBurstTest, ReportsQueuedWhileTheWorkerIsBusyAreAllAnsweredInOrder) {
    const udp::endpoint ostrel = start();
    constexpr int kReports = 4 * OstrelContext::kMostDatagramsPerWakeUp + 7;
    TerminalSockets terminalSockets;
    {
        WorkerHold hold(context);
        for (int n = 0; n < kReports; ++n)
            terminalSockets.send(n, signOn(n), ostrel);
    }
    terminalSockets.expectEveryAcknowledgementInOrder(kReports, ostrel);
    EXPECT_TRUE(waitUntil([&] { return onLineEvents() == kReports + TerminalSockets::kSockets; }));
}

// The same when the system sends fewer datagrams per call than asked, and now and then has no room: the
// rest is sent, in order, and nothing twice.
TEST_F(UdpBurstTest, AnswersSentInPartsStillGoOutOnceInOrder) {
    calls.mostPerSend = 5;
    calls.fullEveryOtherSend = true;
    const udp::endpoint ostrel = start({}, calls);
    constexpr int kReports = OstrelContext::kMostDatagramsPerWakeUp + 50;
    TerminalSockets terminalSockets;
    {
        WorkerHold hold(context);
        for (int n = 0; n < kReports; ++n)
            terminalSockets.send(n, signOn(n), ostrel);
    }
    terminalSockets.expectEveryAcknowledgementInOrder(kReports, ostrel);
}

// A lone report is answered in the wake-up that read it: the acknowledgement is the very next system call
// after the read, with no wait for more reports or for a tick.
TEST_F(UdpBurstTest, ALoneReportIsAnsweredAtOnce) {
    const udp::endpoint ostrel = start({}, calls);
    TerminalSockets terminalSockets;
    terminalSockets.send(7, signOn(7), ostrel);
    ASSERT_EQ(drain(terminalSockets.of(7), 1),
              (std::vector<std::vector<std::uint8_t>>{signOnAcknowledged(7)}));

    // The worker notes a call once it has returned, which may be after the answer arrived.
    const auto isAnswer = [](const FaultySocketCalls::Call& call) {
        return call.kind == FaultySocketCalls::Call::Send && call.result == 1;
    };
    std::vector<FaultySocketCalls::Call> made;
    ASSERT_TRUE(waitUntil([&] {
        made = calls.calls();
        return std::any_of(made.begin(), made.end(), isAnswer);
    }));
    const auto answer = std::find_if(made.begin(), made.end(), isAnswer);
    ASSERT_NE(answer, made.begin());
    EXPECT_EQ(answer[-1].kind, FaultySocketCalls::Call::Receive);
    EXPECT_EQ(answer[-1].result, 1) << "the read that brought the report came just before";
    EXPECT_EQ(answer->asked, 1u);
}

// Among the reports read in one batch, datagrams that are empty, too large for the buffer (cut off) or no
// frame at all are dropped without an answer and without harm to those around them.
TEST_F(UdpBurstTest, DatagramsCutOffOrMalformedInABatchAreDroppedAlone) {
    const udp::endpoint ostrel = start();
    {
        WorkerHold hold(context);
        terminals.send_to(asio::buffer(signOn(1)), ostrel);
        for (const auto& junk : {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>(300, 0x08),
                                 std::vector<std::uint8_t>(129, 0x80), std::vector<std::uint8_t>(128, 0x81)})
            terminals.send_to(asio::buffer(junk), ostrel);
        // A sign-on whose first 128 bytes are a whole frame, the rest cut off with the datagram.
        auto oversized = signOn(3);
        oversized.resize(200, 0x00);
        terminals.send_to(asio::buffer(oversized), ostrel);
        terminals.send_to(asio::buffer(signOn(2)), ostrel);
    }
    EXPECT_EQ(drain(terminals, 2),
              (std::vector<std::vector<std::uint8_t>>{signOnAcknowledged(1), signOnAcknowledged(2)}));
    terminals.send_to(asio::buffer(signOn(4)), ostrel);
    EXPECT_EQ(drain(terminals, 1), (std::vector<std::vector<std::uint8_t>>{signOnAcknowledged(4)}))
        << "nothing else was answered";
    ASSERT_TRUE(waitUntil([&] { return onLineEvents() == 3; }));
    const auto heard = onLineByTerminal();
    EXPECT_EQ(heard[256 * addressA(3) + addressB(3)], 0);
}

// Every terminal of the port signs on in one burst, far faster than the worker answers: the socket's
// queue holds them all, and each is heard exactly once. Where the kernel caps the queue, the burst is what
// the capped queue holds.
TEST_F(UdpBurstTest, AWholeSiteSigningOnAtOnceIsHeardToTheLastTerminal) {
    const udp::endpoint ostrel = start();
    int burst = UdpPort::kTerminalsPerPort;
    if (!mayPassReceiveBufferCap()) {
        const int granted = context->onWorker([this] { return context->udpPort().receiveBufferBytes(); });
        burst = static_cast<int>(std::min<long>(burst, granted / chargePerQueuedFrame()));
        std::cout << "the kernel caps the receive buffer at " << granted << " bytes: a burst of " << burst
                  << " terminals\n";
    }

    for (int i = 0; i < burst; ++i)
        terminals.send_to(
            asio::buffer(wire::canonical(static_cast<std::uint8_t>(i / 255),
                                         static_cast<std::uint8_t>(i % 255), OSTREL_REPORT_SIGN_ON)),
            ostrel);

    EXPECT_TRUE(waitUntil([&] { return onLineEvents() >= burst; }, 60s))
        << onLineEvents() << " of " << burst << " terminals heard";
    const auto heard = onLineByTerminal();
    for (int i = 0; i < burst; ++i)
        ASSERT_EQ(heard[i / 255 * 256 + i % 255], 1) << "terminal " << i / 255 << "." << i % 255;
    EXPECT_EQ(onLineEvents(), burst);
}

// Terminals that never let the socket's queue run empty (here, as the application takes its time over
// each event) must not shut the callers out of the worker: Stop_Ostrel gets its turn during the flood.
TEST_F(UdpBurstTest, AFloodThatNeverEmptiesTheQueueLetsStopOstrelThrough) {
    const udp::endpoint ostrel = start(50us);
    std::atomic<bool> flooding{true};
    std::thread flood([&] {
        const auto signOn = wire::canonical(1, 1, OSTREL_REPORT_SIGN_ON);
        std::error_code refusedOnceClosed;
        while (flooding)
            terminals.send_to(asio::buffer(signOn), ostrel, 0, refusedOnceClosed);
    });
    const bool heard = waitUntil([&] { return onLineEvents() > 0; });
    auto stopping = std::async(std::launch::async, [this] { return Stop_Ostrel(context); });
    const bool stopped = heard && stopping.wait_for(30s) == std::future_status::ready;
    flooding = false;
    flood.join();

    ASSERT_TRUE(heard);
    EXPECT_TRUE(stopped) << "Stop_Ostrel waited for the flood to end";
    EXPECT_EQ(stopping.get(), 0);
}
