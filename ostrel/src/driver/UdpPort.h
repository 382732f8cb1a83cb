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

    // Every terminal a port can have (addressA and addressB 0..254; 255 names a block).
    static constexpr int kTerminalsPerPort = 255 * 255;
    // The socket's queue holds a whole site signing on or off at once while the worker is busy. The kernel
    // charges a queued datagram its bookkeeping, not its few bytes of frame (832 bytes for a terminal's
    // frame on loopback under Linux 6): 1 KiB each is allowed.
    static constexpr int kReceiveBufferBytes = kTerminalsPerPort * 1024;

    explicit UdpPort(asio::io_context& io) : socket_(io) {}

    // A fresh socket bound to the low 16 bits of portNumber on every interface (0 lets the system choose).
    // It replaces the socket in use only once it is bound: a port that cannot be had leaves the old one
    // listening. Learns the local address too. False when no socket could be opened and bound. The receive
    // buffer is asked for at kReceiveBufferBytes, beyond net.core.rmem_max where the process may; what the
    // kernel granted is logged on stderr, so that an operator sees when the system caps it.
    bool open(int portNumber);
    void send(std::span<const std::uint8_t> bytes, const Ipv4Address& host, std::uint16_t port);
    Received receive(std::span<std::uint8_t> buffer);
    // 0 when an open socket was closed, -1 when there was none.
    int close();

    bool isOpen() const { return socket_.is_open(); }
    std::uint16_t boundPort() const;
    // The receive buffer the kernel granted the open socket, in its own accounting (kReceiveBufferBytes
    // unless capped); 0 when none is open.
    int receiveBufferBytes() const { return socket_.is_open() ? receiveBufferBytes_ : 0; }
    asio::ip::udp::socket& socket() { return socket_; }
    const Ipv4Address& localAddress() const { return localAddress_; }

private:
    asio::ip::udp::socket socket_;
    Ipv4Address localAddress_{};
    int receiveBufferBytes_ = 0;
};

} // namespace ostrel
