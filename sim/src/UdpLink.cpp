#include "UdpLink.h"

#include <poll.h>

namespace sim {

namespace {

using asio::ip::udp;

// Thousands of terminals share the socket, and acknowledgements come in bursts.
constexpr int kSocketBufferBytes = 4 << 20;
constexpr int kSendWaitMs = 100;
// Datagrams read in one go before the loop serves others.
constexpr int kReadBatch = 64;

// The local address the system would send from to reach the PC.
asio::ip::address_v4 addressTowards(asio::io_context& io, const udp::endpoint& pc) {
    udp::socket probe(io, udp::v4());
    probe.connect(pc);
    return probe.local_endpoint().address().to_v4();
}

} // namespace

UdpLink::UdpLink(asio::io_context& io, std::string name, int protocolType, const udp::endpoint& pc,
                 const udp::endpoint& local, LinkListener& listener)
    : Link(std::move(name), LinkKind::Udp, protocolType), socket_(io, udp::v4()), pc_(pc),
      listener_(listener) {
    const auto address = local.address().is_unspecified() ? addressTowards(io, pc) : local.address().to_v4();
    socket_.set_option(asio::socket_base::receive_buffer_size(kSocketBufferBytes));
    socket_.set_option(asio::socket_base::send_buffer_size(kSocketBufferBytes));
    socket_.bind(udp::endpoint(address, local.port()));
    socket_.non_blocking(true);
    sender_ = address.to_bytes();
}

void UdpLink::start() {
    listener_.lineUp(*this);
    awaitDatagrams();
}

std::string UdpLink::description() const {
    const auto local = socket_.local_endpoint();
    return local.address().to_string() + ":" + std::to_string(local.port()) + " -> " +
           pc_.address().to_string() + ":" + std::to_string(pc_.port());
}

bool UdpLink::send(std::span<const std::uint8_t> frame) {
    std::error_code error;
    for (int attempt = 0; attempt < 2; ++attempt) {
        socket_.send_to(asio::buffer(frame.data(), frame.size()), pc_, 0, error);
        if (error != asio::error::would_block)
            break;
        pollfd p{socket_.native_handle(), POLLOUT, 0};
        ::poll(&p, 1, kSendWaitMs);
    }
    return !error;
}

void UdpLink::awaitDatagrams() {
    socket_.async_wait(udp::socket::wait_read, [this](const std::error_code& error) {
        if (error == asio::error::operation_aborted)
            return;
        readWaitingDatagrams();
        awaitDatagrams();
    });
}

void UdpLink::readWaitingDatagrams() {
    for (int i = 0; i < kReadBatch; ++i) {
        udp::endpoint from;
        std::error_code error;
        const std::size_t size = socket_.receive_from(asio::buffer(buffer_), from, 0, error);
        if (error == asio::error::would_block)
            return;
        // A failed read loses that datagram only.
        if (error)
            continue;
        listener_.received(*this, std::span(buffer_.data(), size));
    }
}

} // namespace sim
