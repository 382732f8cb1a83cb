#include "UdpPort.h"

#include "LocalAddress.h"

#include <arpa/inet.h>
#include <asio/buffer.hpp>
#include <sys/socket.h>

namespace ostrel {

bool UdpPort::open() {
    std::error_code error;
    if (socket_.is_open())
        socket_.close(error);
    socket_.open(asio::ip::udp::v4(), error);
    if (error)
        return false;
    socket_.non_blocking(true, error);
    if (error) {
        socket_.close(error);
        return false;
    }
    localAddressText_.fill('\0');
    localAddress_.fill(0);
    if (const auto address = findLocalAddress()) {
        localAddress_ = *address;
        inet_ntop(AF_INET, localAddress_.data(), localAddressText_.data(), localAddressText_.size());
    }
    return true;
}

bool UdpPort::bind(int portNumber) {
    std::error_code error;
    const auto port = static_cast<std::uint16_t>(portNumber & 0xFFFF);
    socket_.bind(asio::ip::udp::endpoint(asio::ip::address_v4::any(), port), error);
    return !error;
}

void UdpPort::send(std::span<const std::uint8_t> bytes, const char* hostText, std::uint16_t port) {
    std::error_code error;
    const auto address = asio::ip::make_address_v4(hostText, error);
    if (error || !socket_.is_open())
        return;
    // Delivery is judged by the terminal's reply, never by the send call.
    socket_.send_to(asio::buffer(bytes.data(), bytes.size()), asio::ip::udp::endpoint(address, port), 0,
                    error);
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
    if (count > 0) {
        const auto address = source.address().to_v4().to_bytes();
        inet_ntop(AF_INET, address.data(), received.sourceText, sizeof received.sourceText);
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
