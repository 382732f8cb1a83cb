#include "UdpPort.h"

#include "LocalAddress.h"

#include <asio/buffer.hpp>
#include <cstdio>
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

} // namespace

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
    localAddress_ = findLocalAddress().value_or(Ipv4Address{});
    std::fprintf(stderr, "ostrel: UDP port %u receive buffer %d bytes (asked %d)\n", boundPort(), granted,
                 kReceiveBufferBytes);
    return true;
}

void UdpPort::send(std::span<const std::uint8_t> bytes, const Ipv4Address& host, std::uint16_t port) {
    if (!socket_.is_open())
        return;
    // Delivery is judged by the terminal's reply, never by the send call.
    std::error_code error;
    socket_.send_to(asio::buffer(bytes.data(), bytes.size()),
                    asio::ip::udp::endpoint(asio::ip::address_v4(host), port), 0, error);
}

UdpPort::Received UdpPort::receive(std::span<std::uint8_t> buffer) {
    Received received;
    asio::ip::udp::endpoint source;
    // MSG_TRUNC makes the count the datagram's real size, so an oversized datagram is recognised and dropped.
    const std::size_t count =
        socket_.receive_from(asio::buffer(buffer.data(), buffer.size()), source, MSG_TRUNC, received.error);
    if (received.error)
        return received;
    received.count = static_cast<int>(count);
    if (count > 0 && source.address().is_v4()) {
        received.source = source.address().to_v4().to_bytes();
        received.sourcePort = source.port();
    }
    return received;
}

int UdpPort::close() {
    if (!socket_.is_open())
        return -1;
    std::error_code error;
    socket_.close(error);
    return error ? -1 : 0;
}

std::uint16_t UdpPort::boundPort() const {
    std::error_code error;
    const auto endpoint = socket_.local_endpoint(error);
    return error ? 0 : endpoint.port();
}

} // namespace ostrel
