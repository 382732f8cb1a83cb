#include "OstrelContext.h"

#include "SerialPort.h"

#include <arpa/inet.h>
#include <cstring>

using namespace std::chrono_literals;
using ostrel::PrivateMessage;

OstrelContext::OstrelContext(void* userValue, const OstrelCallbacks& callbacks)
    : keepRunning_(asio::make_work_guard(io_)), tickTimer_(io_), udp_(io_),
      core_(*this, userValue, callbacks) {}

std::unique_ptr<OstrelContext> OstrelContext::create(void* userValue, const OstrelCallbacks& callbacks) {
    std::unique_ptr<OstrelContext> context(new OstrelContext(userValue, callbacks));
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

bool OstrelContext::openSerial(int portNumber) {
    using Result = ostrel::SerialPort::OpenResult;
    const Result result = ostrel::serialPorts()[portNumber - 1].open(portNumber, kSerialBaudRate);
    // Bytes collected from a line that went away belong to no frame on the new one.
    if (result == Result::Opened)
        core_.forgetSerialInput(portNumber - 1);
    return result != Result::Failed;
}

bool OstrelContext::openUdp(int portNumber) {
    if (!udp_.open(portNumber))
        return false;
    ++socketGeneration_;
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

void OstrelContext::handle(PrivateMessage message, std::uintptr_t parameter) {
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
            readQueuedDatagrams();
        else if ((parameter & 0xFFFF) == ostrel::FD_CLOSE)
            core_.onConnectionLost();
        break;
    case PrivateMessage::Destroy:
        core_.stopTimers();
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
    core_.tick(readSerialLines(chunks, reads));
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
            core_.forgetSerialInput(port);
            continue;
        }
        reads[count++] = {port, chunk.first(static_cast<std::size_t>(read.count))};
    }
    return std::span(reads).first(count);
}

void OstrelContext::watchSocket() {
    udp_.socket().async_wait(
        asio::socket_base::wait_read, [this, generation = socketGeneration_](const std::error_code& error) {
            if (error == asio::error::operation_aborted || generation != socketGeneration_ || !udp_.isOpen())
                return;
            handle(PrivateMessage::MSG_SOCKET, error ? ostrel::FD_CLOSE : ostrel::FD_READ);
            if (udp_.isOpen())
                watchSocket();
        });
}

void OstrelContext::readQueuedDatagrams() {
    // Datagrams come in bursts (a site signing on at once): a loop round trip per datagram would spend the
    // worker on wake-ups while the socket's queue fills. Each is still handed on (and answered) as soon as
    // it is read.
    for (int read = 0; read < kMostDatagramsPerWakeUp && udp_.isOpen(); ++read) {
        std::array<std::uint8_t, 128> buffer{};
        const auto received = udp_.receive(buffer);
        if (!received.error) {
            core_.onDatagram(buffer, received.count, received.source, received.sourcePort);
            continue;
        }
        const auto code = received.error.value();
        if (code == EAGAIN || code == EWOULDBLOCK)
            return;
        // Only a broken socket is a lost connection; an interrupted read or an ICMP echo of a refused
        // datagram is not, and what is queued behind it is still read.
        if (code != EINTR && code != ECONNREFUSED) {
            handle(PrivateMessage::MSG_SOCKET, ostrel::FD_CLOSE);
            return;
        }
    }
}

void OstrelContext::sendDatagram(std::span<const std::uint8_t> bytes, const ostrel::Ipv4Address& host,
                                 std::uint16_t port) {
    udp_.send(bytes, host, port);
}

void OstrelContext::writeSerial(int portIndex, std::span<const std::uint8_t> bytes) {
    ostrel::serialPorts()[portIndex].write(bytes);
}

void OstrelContext::closeUdp() {
    udp_.close();
}
