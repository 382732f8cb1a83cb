#include "OstrelContext.h"

#include "SerialPort.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <unordered_map>

using namespace std::chrono_literals;
using ostrel::PrivateMessage;

// The socket reads every datagram the core takes whole, and sends every frame the core builds.
static_assert(ostrel::UdpPort::kDatagramCapacity == ostrel::OstrelCore::kDatagramCapacity);
static_assert(ostrel::UdpPort::kDatagramCapacity >= ostrel::kWireBufferSize);

namespace {

std::uint64_t nextInstanceId() {
    static std::atomic<std::uint64_t> count{0};
    return ++count;
}

// The number of the last frame each context took from this thread, by the context's instance id.
std::unordered_map<std::uint64_t, std::uint32_t>& lastQueuedFrames() {
    thread_local std::unordered_map<std::uint64_t, std::uint32_t> frames;
    return frames;
}

} // namespace

OstrelContext::OstrelContext(void* userValue, const OstrelCallbacks& callbacks,
                             ostrel::SocketCalls& socketCalls)
    : keepRunning_(asio::make_work_guard(io_)), tickTimer_(io_), udp_(io_, socketCalls),
      core_(*this, userValue, callbacks), instanceId_(nextInstanceId()) {}

std::unique_ptr<OstrelContext> OstrelContext::create(void* userValue, const OstrelCallbacks& callbacks,
                                                     ostrel::SocketCalls& socketCalls) {
    std::unique_ptr<OstrelContext> context(new OstrelContext(userValue, callbacks, socketCalls));
    std::promise<std::thread::id> ready;
    auto readyFuture = ready.get_future();
    // The loop is known to run once it has run its first job; no export may post before that.
    asio::post(context->io_, [&ready] { ready.set_value(std::this_thread::get_id()); });
    context->worker_ = std::thread([raw = context.get()] { raw->io_.run(); });
    context->workerId_ = readyFuture.get();
    return context;
}

OstrelContext::~OstrelContext() {
    quit();
}

bool OstrelContext::start(int portNumber, int replyTimeout, int retryLimit) {
    // The retry count is a byte: a larger or negative limit would never be met, and the port would resend
    // its frame for good with nothing behind it ever sent.
    if (retryLimit < 0 || retryLimit > OSTREL_RETRY_LIMIT_MAX)
        return false;
    const bool serial = ostrel::isSerialPortNumber(portNumber);
    const bool opened = onWorker([&] {
        if (!(serial ? openSerial(portNumber) : openUdp(portNumber)))
            return false;
        core_.storeValues(replyTimeout, retryLimit);
        return true;
    });
    if (!opened)
        return false;
    if (serial) {
        // Give the line time to settle before the receive pass polls it.
        std::this_thread::sleep_for(200ms);
        ostrel::serialPorts()[portNumber - 1].setReceiving(true);
    }
    onWorker([this] {
        if (!timersStarted_) {
            timersStarted_ = true;
            post(PrivateMessage::MSG_START_TIMERS);
        }
    });
    return true;
}

std::uint32_t OstrelContext::queue(int portIndex, const ostrel::CommandFrame& frame) {
    const std::uint32_t number = core_.queueFrame(portIndex, frame);
    if (number != 0)
        lastQueuedFrames()[instanceId_] = number;
    return number;
}

std::uint32_t OstrelContext::lastQueuedFrame() const {
    const auto& frames = lastQueuedFrames();
    const auto found = frames.find(instanceId_);
    return found == frames.end() ? 0 : found->second;
}

bool OstrelContext::openSerial(int portNumber) {
    using Result = ostrel::SerialPort::OpenResult;
    const int port = portNumber - 1;
    const Result result = ostrel::serialPorts()[port].open(portNumber, kSerialBaudRate);
    if (result == Result::Failed)
        return false;
    startedLines_[port] = true;
    // Bytes collected from a line that went away belong to no frame on the new one.
    if (result == Result::Opened || core_.isSerialLineLost(port))
        core_.serialLineOpened(port);
    return true;
}

void OstrelContext::reopenLostLines() {
    for (int port = 0; port < ostrel::kSerialPortCount; ++port) {
        if (!startedLines_[port] || !core_.isSerialLineLost(port))
            continue;
        // The open does not wait for a device that is missing or busy: the worker goes on at once.
        ostrel::SerialPort& line = ostrel::serialPorts()[port];
        if (line.open(ostrel::portNumberOf(port), kSerialBaudRate) == ostrel::SerialPort::OpenResult::Failed)
            continue;
        line.setReceiving(true);
        core_.serialLineOpened(port);
    }
}

bool OstrelContext::openUdp(int portNumber) {
    if (!udp_.open(portNumber))
        return false;
    ++socketGeneration_;
    socketFailureQueued_ = false;
    core_.setLocalAddress(udp_.localAddress());
    watchSocket();
    return true;
}

bool OstrelContext::startTranslib(const char* forwardHost, int forwardPort) {
    // A truncated or malformed address would send alarms to the wrong place: refuse it instead.
    ostrel::Ipv4Address host{};
    if (!forwardHost || std::strlen(forwardHost) > 31 || inet_pton(AF_INET, forwardHost, host.data()) != 1)
        return false;
    onWorker([&] { core_.setForwardDestination(host, forwardPort); });
    return true;
}

void OstrelContext::setTerminalProperty(int portIndex, std::uint8_t a, std::uint8_t b, std::int32_t timeout) {
    onWorker([&] { core_.table().setTerminalProperty(portIndex, a, b, timeout); });
}

int OstrelContext::stop() {
    post(PrivateMessage::MSG_STOP_SENDING);
    std::this_thread::sleep_for(100ms);
    return onWorker([this] { return udp_.close(); });
}

void OstrelContext::quit() {
    if (!worker_.joinable())
        return;
    onWorker([this] { udp_.close(); });
    post(PrivateMessage::MSG_STOP_SENDING);
    post(PrivateMessage::Destroy);
    worker_.join();
    // Lets a line that the last frames were written to drain before the caller starts anew.
    std::this_thread::sleep_for(200ms);
}

void OstrelContext::post(PrivateMessage message, std::uintptr_t parameter) {
    asio::post(io_, [this, message, parameter] { handle(message, parameter); });
}

void OstrelContext::stampTime() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    core_.setNowMs(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void OstrelContext::handle(PrivateMessage message, std::uintptr_t parameter) {
    stampTime();
    switch (message) {
    case PrivateMessage::MSG_START_TIMERS:
        ++startTimersHandled_;
        core_.startTimers();
        armTick();
        break;
    case PrivateMessage::MSG_STOP_SENDING:
        core_.stopSending();
        break;
    case PrivateMessage::MSG_SOCKET:
        if ((parameter & 0xFFFF) == ostrel::FD_READ)
            onSocketReadable();
        else if ((parameter & 0xFFFF) == ostrel::FD_CLOSE)
            core_.onConnectionLost();
        break;
    case PrivateMessage::Destroy:
        // Every frame still held gets its outcome before the worker ends; the lines are watched no more.
        core_.destroy();
        tickTimer_.cancel();
        keepRunning_.reset();
        io_.stop();
        break;
    }
}

void OstrelContext::armTick() {
    if (ticking_)
        return;
    ticking_ = true;
    nextTick_ = std::chrono::steady_clock::now() + kTickPeriod;
    tickTimer_.expires_at(nextTick_);
    tickTimer_.async_wait([this](const std::error_code& error) { onTick(error); });
}

void OstrelContext::onTick(const std::error_code& error) {
    if (error || !core_.anyPassRunning()) {
        ticking_ = false;
        return;
    }
    SerialChunks chunks;
    SerialReads reads;
    stampTime();
    core_.tick(readSerialLines(chunks, reads));
    if (--ticksToReopen_ == 0) {
        ticksToReopen_ = kReopenTicks;
        reopenLostLines();
    }
    // A descriptor closed under the socket shows no readiness, and no more of it: this read finds it. The
    // socket is watched again if a passing error suspended the watch.
    readQueuedDatagrams();
    if (udp_.isOpen() && !watching_ && !socketFailureQueued_)
        watchSocket();
    // Deadlines stay on the 100 ms grid; periods missed while the thread was busy are skipped, not
    // replayed in a burst.
    const auto now = std::chrono::steady_clock::now();
    nextTick_ += kTickPeriod;
    if (nextTick_ <= now)
        nextTick_ += ((now - nextTick_) / kTickPeriod + 1) * kTickPeriod;
    tickTimer_.expires_at(nextTick_);
    tickTimer_.async_wait([this](const std::error_code& e) { onTick(e); });
}

std::span<const ostrel::SerialRead> OstrelContext::readSerialLines(SerialChunks& chunks, SerialReads& reads) {
    std::size_t count = 0;
    if (!core_.isRunning(ostrel::Pass::SerialReceive))
        return {};
    for (int port = 0; port < ostrel::kSerialPortCount; ++port) {
        ostrel::SerialPort& line = ostrel::serialPorts()[port];
        if (!line.isReceiving())
            continue;
        const auto chunk = std::span(chunks[port]).first(core_.serialRoom(port));
        const auto read = line.read(chunk);
        if (read.lineLost) {
            if (startedLines_[port])
                core_.serialLineLost(port);
            else
                core_.forgetSerialInput(port);
            continue;
        }
        reads[count++] = {port, chunk.first(static_cast<std::size_t>(read.count))};
    }
    return std::span(reads).first(count);
}

void OstrelContext::watchSocket() {
    watching_ = true;
    udp_.socket().async_wait(
        asio::socket_base::wait_read, [this, generation = socketGeneration_](const std::error_code& error) {
            if (error == asio::error::operation_aborted || generation != socketGeneration_ || !udp_.isOpen())
                return;
            watching_ = false;
            if (error)
                socketFailed(error.message());
            else
                handle(PrivateMessage::MSG_SOCKET, ostrel::FD_READ);
        });
}

void OstrelContext::onSocketReadable() {
    // The wait reports readiness as long as it lasts: a socket that stays readable without a datagram to
    // give must not be watched again at once, or the worker would spend a core on it.
    switch (readQueuedDatagrams()) {
    case Drained::Read:
        watchSocket();
        break;
    case Drained::FoundNothing:
        // Readable with nothing queued and no error: shut down for receiving, as it will show for good.
        if (udp_.hungUp())
            socketFailed("shut down");
        else
            watchSocket();
        break;
    case Drained::Stalled: // the next tick watches again
    case Drained::Failed:
        break;
    }
}

OstrelContext::Drained OstrelContext::readQueuedDatagrams() {
    // Datagrams come in bursts (a site signing on at once): a loop round trip, or a system call each way,
    // per datagram would spend the worker on overhead while the socket's queue fills.
    int read = 0;
    while (read < kMostDatagramsPerWakeUp && udp_.isOpen()) {
        const auto batch =
            udp_.receive(std::min(ostrel::UdpPort::kBatchSize, kMostDatagramsPerWakeUp - read));
        stampTime();
        draining_ = true;
        for (int i = 0; i < batch.count; ++i) {
            const auto datagram = udp_.datagram(i);
            core_.onDatagram(datagram.buffer, datagram.count, datagram.source, datagram.sourcePort);
        }
        draining_ = false;
        flushSends();
        if (socketFailureQueued_)
            return Drained::Failed;
        if (batch.error == asio::error::would_block)
            return read == 0 ? Drained::FoundNothing : Drained::Read;
        if (batch.error) {
            if (!ostrel::UdpPort::losesSocket(batch.error))
                return Drained::Stalled; // an interrupted read, the echo of a refused datagram
            socketFailed(batch.error.message());
            return Drained::Failed;
        }
        // A short batch read the queue empty, but more may have come while it was handled: reading on
        // until the socket says so costs a system call where going back to the loop costs a wake-up.
        read += batch.count;
    }
    return Drained::Read;
}

void OstrelContext::sendDatagram(std::span<const std::uint8_t> bytes, const ostrel::Ipv4Address& host,
                                 std::uint16_t port) {
    udp_.queue(bytes, host, port);
    if (!draining_)
        flushSends();
}

void OstrelContext::flushSends() {
    if (!udp_.flush())
        socketFailed(udp_.lostBy().message());
}

void OstrelContext::socketFailed(std::string reason) {
    if (socketFailureQueued_)
        return;
    socketFailureQueued_ = true;
    asio::post(io_, [this, reason = std::move(reason), generation = socketGeneration_] {
        if (generation != socketGeneration_ || !udp_.isOpen())
            return;
        std::fprintf(stderr, "ostrel: UDP port %u failed (%s): the connection is lost\n", udp_.boundPort(),
                     reason.c_str());
        handle(PrivateMessage::MSG_SOCKET, ostrel::FD_CLOSE);
    });
}

void OstrelContext::writeSerial(int portIndex, std::span<const std::uint8_t> bytes) {
    ostrel::serialPorts()[portIndex].write(bytes);
}

void OstrelContext::closeUdp() {
    udp_.close();
}
