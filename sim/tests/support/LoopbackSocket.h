#pragma once

#include <array>
#include <asio/ip/udp.hpp>
#include <cstdint>
#include <poll.h>
#include <vector>

// A UDP socket on 127.0.0.1 that a test reads with a time limit: the PC facing the simulator, or the
// destination of forwarded zone alarms.
class LoopbackSocket {
public:
    using Bytes = std::vector<std::uint8_t>;

    std::uint16_t port() const { return socket_.local_endpoint().port(); }

    void send(const Bytes& datagram, const asio::ip::udp::endpoint& to) {
        socket_.send_to(asio::buffer(datagram), to);
    }

    // The next datagram, or nothing within the limit; `from` learns its sender.
    Bytes receive(int timeoutMs = 5000, asio::ip::udp::endpoint* from = nullptr) {
        pollfd p{socket_.native_handle(), POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1)
            return {};
        std::array<std::uint8_t, 512> buffer{};
        asio::ip::udp::endpoint sender;
        const std::size_t n = socket_.receive_from(asio::buffer(buffer), sender);
        if (from)
            *from = sender;
        return Bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
    }

private:
    asio::io_context io_;
    asio::ip::udp::socket socket_{io_, asio::ip::udp::endpoint(asio::ip::address_v4::loopback(), 0)};
};
