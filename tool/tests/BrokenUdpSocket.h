#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The network takes away a UDP socket this process has bound, while its owner still holds it: from now on
// every read of it fails with an error no socket recovers from, as a socket the network has closed does.
// The socket itself lives on behind the scenes while the object lives, so that one more datagram sent to
// its port still wakes whoever waits on it. Send that one only: the owner's wait was set up for the socket
// it no longer has.
class BrokenUdpSocket {
public:
    explicit BrokenUdpSocket(int port) {
        const int socket = socketBoundTo(port);
        if (socket < 0)
            return;
        m_kept = ::dup(socket);
        const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        // In one step the descriptor stops being a socket: its reads fail with ENOTSOCK.
        m_broken = m_kept >= 0 && nothing >= 0 && ::dup2(nothing, socket) == socket;
        if (nothing >= 0)
            ::close(nothing);
    }
    ~BrokenUdpSocket() {
        if (m_kept >= 0)
            ::close(m_kept);
    }
    BrokenUdpSocket(const BrokenUdpSocket&) = delete;
    BrokenUdpSocket& operator=(const BrokenUdpSocket&) = delete;

    bool isBroken() const { return m_broken; }

private:
    // The descriptor of this process's UDP socket bound to `port`, or -1.
    static int socketBoundTo(int port) {
        for (int descriptor = 0; descriptor < 4096; ++descriptor) {
            int type = 0;
            socklen_t typeSize = sizeof type;
            sockaddr_in address{};
            socklen_t addressSize = sizeof address;
            if (::getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &typeSize) == 0 && type == SOCK_DGRAM &&
                ::getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &addressSize) == 0 &&
                address.sin_family == AF_INET && ntohs(address.sin_port) == port)
                return descriptor;
        }
        return -1;
    }

    int m_kept = -1;
    bool m_broken = false;
};
