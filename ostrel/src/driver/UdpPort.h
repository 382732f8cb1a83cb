#pragma once

#include <array>
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
        int count = -1;           // bytes in the datagram (may exceed the buffer); -1 on error
        char sourceText[32] = {}; // dotted sender address
        std::uint16_t sourcePort = 0;
        std::error_code error;
    };

    explicit UdpPort(asio::io_context& io) : socket_(io) {}

    // Opens a fresh socket (closing one still open) and learns the local address; false on failure.
    bool open();
    // Binds to the low 16 bits of portNumber on every interface; 0 lets the system choose.
    bool bind(int portNumber);
    void send(std::span<const std::uint8_t> bytes, const char* hostText, std::uint16_t port);
    Received receive(std::span<std::uint8_t> buffer);
    // 0 when an open socket was closed, -1 when there was none.
    int close();

    bool isOpen() const { return socket_.is_open(); }
    std::uint16_t boundPort() const;
    asio::ip::udp::socket& socket() { return socket_; }
    const char* localAddressText() const { return localAddressText_.data(); }
    const std::array<std::uint8_t, 4>& localAddress() const { return localAddress_; }

private:
    asio::ip::udp::socket socket_;
    std::array<char, 32> localAddressText_{};
    std::array<std::uint8_t, 4> localAddress_{};
};

} // namespace ostrel
