#pragma once

// The least a PC can do for a terminal's report over UDP: one blocking recvfrom, then one sendto of its
// 13-byte acknowledgement (the network form protocol type 2 terminals take, as Ostrel sends it), on a
// thread of its own. No table, no callbacks, no event loop: what the kernel charges for a datagram in and
// one out, against which Ostrel's worker is weighed.
#include <arpa/inet.h>
#include <atomic>
#include <cstdint>
#include <netinet/in.h>
#include <pthread.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace bench {

class BareReportServer {
public:
    BareReportServer() : fd_(::socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        // A deep queue, as Ostrel's, so that a burst is not lost for want of room.
        const int queue = 4 << 20;
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &queue, sizeof queue);
        // The loop looks at its stop flag this often when nothing arrives.
        timeval wake{0, 100000};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wake, sizeof wake);
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("no loopback socket for the bare server");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
        pthread_getcpuclockid(thread_.native_handle(), &cpuClock_);
    }

    BareReportServer(const BareReportServer&) = delete;
    BareReportServer& operator=(const BareReportServer&) = delete;

    ~BareReportServer() {
        running_ = false;
        thread_.join();
        ::close(fd_);
    }

    std::uint16_t port() const { return port_; }
    // The serving thread's CPU time clock.
    clockid_t cpuClock() const { return cpuClock_; }
    long long answered() const { return answered_.load(std::memory_order_relaxed); }

private:
    // Network frame positions: sender 0..3, reserved 4, header 5..6, reserved 7, addresses 8..9, length
    // 10, code 11; the checksum is the last byte, 255 minus the sum of the others.
    static constexpr std::size_t kAcknowledgementSize = 13;
    static constexpr std::uint8_t kAcknowledgementCode = 124;

    void serve() {
        std::uint8_t datagram[128];
        sockaddr_in from{};
        while (running_) {
            socklen_t fromLength = sizeof from;
            const ssize_t size = ::recvfrom(fd_, datagram, sizeof datagram, 0,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (size < static_cast<ssize_t>(kAcknowledgementSize))
                continue;
            // The acknowledgement is built over the report: its header and addresses stay where they are.
            datagram[0] = datagram[1] = datagram[2] = datagram[3] = datagram[4] = datagram[7] = 0;
            datagram[10] = kAcknowledgementSize;
            datagram[11] = kAcknowledgementCode;
            unsigned sum = 0;
            for (std::size_t i = 0; i + 1 < kAcknowledgementSize; ++i)
                sum += datagram[i];
            datagram[kAcknowledgementSize - 1] = static_cast<std::uint8_t>(255 - sum % 256);
            ::sendto(fd_, datagram, kAcknowledgementSize, 0, reinterpret_cast<sockaddr*>(&from), fromLength);
            answered_.fetch_add(1, std::memory_order_relaxed);
        }
    }

    int fd_;
    std::uint16_t port_ = 0;
    std::atomic<bool> running_{true};
    std::atomic<long long> answered_{0};
    std::thread thread_;
    clockid_t cpuClock_{};
};

} // namespace bench
