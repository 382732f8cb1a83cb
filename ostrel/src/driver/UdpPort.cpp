#include "UdpPort.h"

#include "LocalAddress.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

namespace ostrel {

namespace {

// Asks for kReceiveBufferBytes and returns what the kernel granted, in its own accounting (as `ss -m`
// shows it). Linux doubles the size set, the half it adds being for its bookkeeping, hence half is asked
// for. SO_RCVBUFFORCE passes net.core.rmem_max but needs CAP_NET_ADMIN; without it the size is capped
// there.
int sizeReceiveBuffer(asio::ip::udp::socket& socket) {
    const int fd = socket.native_handle();
    const int half = UdpPort::kReceiveBufferBytes / 2;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &half, sizeof half) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &half, sizeof half);
    int granted = 0;
    socklen_t length = sizeof granted;
    ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &length);
    return granted;
}

// A send buffer that is full now and will have room again; the call is worth repeating.
bool isPassingSendError(int code) {
    return code == EAGAIN || code == EWOULDBLOCK || code == ENOBUFS || code == EINTR;
}

// Sends that fail so can never succeed on this socket: it was shut down or aborted, or its descriptor is
// gone. Every other refusal (no route, not permitted, a broadcast address, ...) is the destination's.
bool sendLosesSocket(int code) {
    return code == EBADF || code == ENOTSOCK || code == EPIPE || code == ECONNABORTED;
}

bool waitWritable(int fd) {
    pollfd p{fd, POLLOUT, 0};
    int r;
    do {
        r = ::poll(&p, 1, UdpPort::kSendWaitMs);
    } while (r < 0 && errno == EINTR);
    return r > 0 && (p.revents & POLLOUT) != 0;
}

} // namespace

UdpPort::Slots::Slots() {
    for (int i = 0; i < kBatchSize; ++i) {
        vectors[i] = {buffers[i].data(), kDatagramCapacity};
        msghdr& header = headers[i].msg_hdr;
        header.msg_name = &addresses[i];
        header.msg_namelen = sizeof addresses[i];
        header.msg_iov = &vectors[i];
        header.msg_iovlen = 1;
    }
}

UdpPort::UdpPort(asio::io_context& io, SocketCalls& calls) : socket_(io), calls_(calls) {}

bool UdpPort::open(int portNumber) {
    std::error_code error;
    asio::ip::udp::socket fresh(socket_.get_executor());
    fresh.open(asio::ip::udp::v4(), error);
    if (!error)
        fresh.non_blocking(true, error);
    const int granted = error ? 0 : sizeReceiveBuffer(fresh);
    const auto port = static_cast<std::uint16_t>(portNumber & 0xFFFF);
    if (!error)
        fresh.bind(asio::ip::udp::endpoint(asio::ip::address_v4::any(), port), error);
    if (error)
        return false;
    close();
    socket_ = std::move(fresh);
    receiveBufferBytes_ = granted;
    boundPort_ = socket_.local_endpoint(error).port();
    localAddress_ = findLocalAddress().value_or(Ipv4Address{});
    std::fprintf(stderr, "ostrel: UDP port %u receive buffer %d bytes (asked %d)\n", boundPort_, granted,
                 kReceiveBufferBytes);
    return true;
}

bool UdpPort::losesSocket(const std::error_code& receiveError) {
    const int code = receiveError.value();
    return code != EAGAIN && code != EWOULDBLOCK && code != EINTR && code != ECONNREFUSED;
}

UdpPort::Batch UdpPort::receive(int most) {
    if (!socket_.is_open())
        return {0, asio::error::bad_descriptor};
    const int asked = std::clamp(most, 1, kBatchSize);
    for (int i = 0; i < asked; ++i)
        inbound_.headers[i].msg_hdr.msg_namelen = sizeof inbound_.addresses[i];
    // MSG_TRUNC makes each count the datagram's real size, so an oversized datagram is recognised and
    // dropped.
    const int read = calls_.receiveMany(socket_.native_handle(), inbound_.headers.data(),
                                        static_cast<unsigned>(asked), MSG_DONTWAIT | MSG_TRUNC);
    if (read < 0) {
        const int code = errno;
        noteDescriptorGone(code);
        return {0, std::error_code(code, asio::error::get_system_category())};
    }
    return {std::min(read, asked), {}};
}

UdpPort::Datagram UdpPort::datagram(int index) const {
    Datagram datagram;
    datagram.buffer = inbound_.buffers[index];
    datagram.count = static_cast<int>(inbound_.headers[index].msg_len);
    const sockaddr_in& source = inbound_.addresses[index];
    if (source.sin_family == AF_INET) {
        std::memcpy(datagram.source.data(), &source.sin_addr, datagram.source.size());
        datagram.sourcePort = ntohs(source.sin_port);
    }
    return datagram;
}

void UdpPort::queue(std::span<const std::uint8_t> bytes, const Ipv4Address& host, std::uint16_t port) {
    if (!socket_.is_open() || lostBy_ || bytes.size() > kDatagramCapacity)
        return;
    if (queued_ == kBatchSize)
        flush();
    const int slot = queued_++;
    std::copy(bytes.begin(), bytes.end(), outbound_.buffers[slot].begin());
    outbound_.vectors[slot].iov_len = bytes.size();
    sockaddr_in& destination = outbound_.addresses[slot];
    destination = {};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(port);
    std::memcpy(&destination.sin_addr, host.data(), host.size());
}

bool UdpPort::flush() {
    // A full send buffer is waited out a few times in a row at most, so that a socket that never drains
    // cannot hold the worker.
    constexpr int kMostStalls = 3;
    int next = 0;
    int stalls = 0;
    while (next < queued_ && !lostBy_) {
        // MSG_NOSIGNAL: a socket shut down for sending answers EPIPE, never with a signal to the process.
        const int sent = calls_.sendMany(socket_.native_handle(), &outbound_.headers[next],
                                         static_cast<unsigned>(queued_ - next), MSG_NOSIGNAL);
        if (sent > 0) {
            next += sent;
            stalls = 0;
            continue;
        }
        const int code = sent < 0 ? errno : EAGAIN;
        if (isPassingSendError(code)) {
            if (++stalls <= kMostStalls && (code == EINTR || waitWritable(socket_.native_handle())))
                continue;
            reportDropped(next, code, queued_ - next);
            break;
        }
        if (noteDescriptorGone(code) || sendLosesSocket(code)) {
            lostBy_ = std::error_code(code, asio::error::get_system_category());
            break;
        }
        // The network refuses this one datagram; those behind it go on.
        reportDropped(next, code, 1);
        ++next;
    }
    queued_ = 0;
    return !lostBy_;
}

bool UdpPort::noteDescriptorGone(int code) {
    if (code == EBADF || code == ENOTSOCK)
        descriptorGone_ = true;
    return descriptorGone_;
}

// At most one line per kSendFailureReportPeriod, so that a destination that stays unreachable cannot fill
// the log; the line counts what was dropped since the last one.
void UdpPort::reportDropped(int slot, int code, int count) {
    droppedSinceReport_ += count;
    const auto now = std::chrono::steady_clock::now();
    if (reportedDrops_ && now - lastDropReport_ < kSendFailureReportPeriod)
        return;
    const sockaddr_in& destination = outbound_.addresses[slot];
    char host[INET_ADDRSTRLEN] = "?";
    ::inet_ntop(AF_INET, &destination.sin_addr, host, sizeof host);
    std::fprintf(
        stderr, "ostrel: UDP datagram to %s:%u not sent: %s (%ld dropped since the last such line)\n", host,
        ntohs(destination.sin_port), std::system_category().message(code).c_str(), droppedSinceReport_);
    reportedDrops_ = true;
    lastDropReport_ = now;
    droppedSinceReport_ = 0;
}

bool UdpPort::hungUp() {
    if (!socket_.is_open())
        return false;
    pollfd p{socket_.native_handle(), POLLRDHUP, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLRDHUP)) != 0;
}

int UdpPort::close() {
    queued_ = 0;
    lostBy_.clear();
    if (!socket_.is_open())
        return -1;
    std::error_code error;
    if (descriptorGone_) {
        descriptorGone_ = false;
        socket_.release(error);
        return 0;
    }
    socket_.close(error);
    return error ? -1 : 0;
}

} // namespace ostrel
