#pragma once

#include "SocketCalls.h"
#include "core/Ipv4Address.h"

#include <array>
#include <asio/ip/udp.hpp>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <netinet/in.h>
#include <span>
#include <sys/uio.h>
#include <system_error>

namespace ostrel {

// Ostrel's one UDP socket: non-blocking, bound to the port given to Start_Ostrel, knowing the PC's own
// address for the network frames. Datagrams move in batches, a system call each way for many of them;
// nothing is allocated per datagram. Used on the worker thread only.
class UdpPort {
public:
    // The largest datagram read whole, and the largest Ostrel sends.
    static constexpr std::size_t kDatagramCapacity = 128;
    // Datagrams one system call reads, and datagrams queued for one call to send.
    static constexpr int kBatchSize = 64;

    // One datagram of the batch last read, in the port's own buffer until the next read.
    struct Datagram {
        std::span<const std::uint8_t> buffer; // kDatagramCapacity bytes, the datagram at their start
        int count = 0;                        // bytes in the datagram (may exceed the buffer)
        Ipv4Address source{};
        std::uint16_t sourcePort = 0;
    };
    // What one read brought: datagrams, or the error that kept it from bringing any.
    struct Batch {
        int count = 0;
        std::error_code error;
    };

    // Every terminal a port can have (addressA and addressB 0..254; 255 names a block).
    static constexpr int kTerminalsPerPort = 255 * 255;
    // The socket's queue holds a whole site signing on or off at once while the worker is busy. The kernel
    // charges a queued datagram its bookkeeping, not its few bytes of frame (832 bytes for a terminal's
    // frame on loopback under Linux 6): 1 KiB each is allowed.
    static constexpr int kReceiveBufferBytes = kTerminalsPerPort * 1024;
    // How long a send waits for room in the socket's send buffer before what is still queued is dropped.
    static constexpr int kSendWaitMs = 100;
    // At most one line about dropped datagrams in this time, counting the others.
    static constexpr std::chrono::seconds kSendFailureReportPeriod{10};

    explicit UdpPort(asio::io_context& io, SocketCalls& calls = systemSocketCalls());

    // A fresh socket bound to the low 16 bits of portNumber on every interface (0 lets the system choose).
    // It replaces the socket in use only once it is bound: a port that cannot be had leaves the old one
    // listening. Learns the local address too. False when no socket could be opened and bound. The receive
    // buffer is asked for at kReceiveBufferBytes, beyond net.core.rmem_max where the process may; what the
    // kernel granted is logged on stderr, so that an operator sees when the system caps it.
    bool open(int portNumber);
    // Reads what is queued, at most `most` datagrams (and kBatchSize), without waiting. An error comes only
    // with no datagram: one met after some were read is the next read's.
    Batch receive(int most);
    // Datagram `index` of the last read's batch.
    Datagram datagram(int index) const;
    // Queues a copy of the datagram, sent by the next flush, after those queued before it; a full queue is
    // flushed first. Datagrams larger than kDatagramCapacity, or queued with no socket open, are dropped.
    void queue(std::span<const std::uint8_t> bytes, const Ipv4Address& host, std::uint16_t port);
    // Sends every queued datagram in order and empties the queue. A datagram the network refuses (no route,
    // not permitted, ...) is dropped alone and logged on stderr; a full send buffer is waited for, at most
    // kSendWaitMs at a time. False when the socket itself can send no more (shut down, or its descriptor
    // closed under it): what was left is dropped, and lostBy() says why.
    bool flush();
    // 0 when an open socket was closed, -1 when there was none. A descriptor found closed under the port is
    // let go, not closed again: its number may be someone else's by now.
    int close();
    // Whether a receive error shows the socket broken: any but an empty queue, an interrupted call or the
    // echo of a datagram refused earlier. A send error names its destination and is judged in flush.
    static bool losesSocket(const std::error_code& receiveError);

    bool isOpen() const { return socket_.is_open(); }
    // Whether the open socket was shut down for receiving (by whoever holds its descriptor too): it then
    // shows readable for good, with nothing to read.
    bool hungUp();
    // The error that showed the open socket can send no more; empty while it can.
    std::error_code lostBy() const { return lostBy_; }
    std::uint16_t boundPort() const { return socket_.is_open() ? boundPort_ : 0; }
    // The receive buffer the kernel granted the open socket, in its own accounting (kReceiveBufferBytes
    // unless capped); 0 when none is open.
    int receiveBufferBytes() const { return socket_.is_open() ? receiveBufferBytes_ : 0; }
    asio::ip::udp::socket& socket() { return socket_; }
    const Ipv4Address& localAddress() const { return localAddress_; }

private:
    // The headers of a batch and the buffers and addresses they point to, linked once.
    struct Slots {
        std::array<mmsghdr, kBatchSize> headers{};
        std::array<iovec, kBatchSize> vectors{};
        std::array<sockaddr_in, kBatchSize> addresses{};
        std::array<std::array<std::uint8_t, kDatagramCapacity>, kBatchSize> buffers{};
        Slots();
        // The headers point into the slots themselves.
        Slots(const Slots&) = delete;
        Slots& operator=(const Slots&) = delete;
    };

    // Notes the error of a call on the socket; true when it shows that the descriptor is no longer ours.
    bool noteDescriptorGone(int code);
    void reportDropped(int slot, int code, int count);

    asio::ip::udp::socket socket_;
    SocketCalls& calls_;
    Ipv4Address localAddress_{};
    int receiveBufferBytes_ = 0;
    std::uint16_t boundPort_ = 0;
    bool descriptorGone_ = false;
    std::error_code lostBy_;

    Slots inbound_;
    Slots outbound_;
    int queued_ = 0;

    long droppedSinceReport_ = 0;
    std::chrono::steady_clock::time_point lastDropReport_{};
    bool reportedDrops_ = false;
};

} // namespace ostrel
