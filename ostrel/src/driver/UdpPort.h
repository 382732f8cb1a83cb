#pragma once

#include "core/Ipv4Address.h"

#include <asio/ip/udp.hpp>
#include <cstdint>
#include <span>
#include <system_error>

namespace ostrel {

// Ostrel's one UDP socket: non-blocking, bound to the port given to Start_Ostrel, knowing the PC's own
// address for the network frames. Used on the worker thread only.
class UdpPort {
public:
    struct Received {
        int count = -1; // bytes in the datagram (may exceed the buffer); -1 on error
        Ipv4Address source{};
        std::uint16_t sourcePort = 0;
        std::error_code error;
    };

    explicit UdpPort(asio::io_context& io) : socket_(io) {}

    // A fresh socket bound to the low 16 bits of portNumber on every interface (0 lets the system choose).
    // It replaces the socket in use only once it is bound: a port that cannot be had leaves the old one
    // listening. Learns the local address too. False when no socket could be opened and bound.
    bool open(int portNumber);
    void send(std::span<const std::uint8_t> bytes, const Ipv4Address& host, std::uint16_t port);
    Received receive(std::span<std::uint8_t> buffer);
    // 0 when an open socket was closed, -1 when there was none.
    int close();

    bool isOpen() const { return socket_.is_open(); }
    std::uint16_t boundPort() const;
    asio::ip::udp::socket& socket() { return socket_; }
    const Ipv4Address& localAddress() const { return localAddress_; }

private:
    asio::ip::udp::socket socket_;
    Ipv4Address localAddress_{};
};

} // namespace ostrel
