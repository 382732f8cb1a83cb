#pragma once

#include "Link.h"

#include <array>
#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

namespace sim {

// Terminals that talk to the PC over UDP, all through one socket: reports and replies go to the PC's
// address and port, and whatever arrives at the socket is theirs.
class UdpLink final : public Link {
public:
    // Binds to `local`; an unspecified local address becomes the one that leads to the PC. Throws
    // std::system_error when the socket cannot be set up.
    UdpLink(asio::io_context& io, std::string name, int protocolType, const asio::ip::udp::endpoint& pc,
            const asio::ip::udp::endpoint& local, LinkListener& listener);

    void start() override;

    std::string description() const override;
    Ipv4 senderAddress() const override { return sender_; }
    bool send(std::span<const std::uint8_t> frame) override;

private:
    void awaitDatagrams();
    void readWaitingDatagrams();

    asio::ip::udp::socket socket_;
    asio::ip::udp::endpoint pc_;
    Ipv4 sender_{};
    LinkListener& listener_;
    // Larger than any frame, so that an oversized datagram is seen as such.
    std::array<std::uint8_t, 2048> buffer_{};
};

} // namespace sim
