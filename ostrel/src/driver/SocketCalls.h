#pragma once

#include <sys/socket.h>

namespace ostrel {

// The two system calls that move UdpPort's datagrams, many at a time. The port makes them through this
// interface so that tests can make a socket fail as kernels and networks do (an error on receive, a send
// refused, a batch sent only in part); systemSocketCalls() makes them as they are.
class SocketCalls {
public:
    virtual ~SocketCalls() = default;
    // recvmmsg without a time-out: the messages filled, or -1 with errno set.
    virtual int receiveMany(int fd, mmsghdr* messages, unsigned count, int flags) {
        return ::recvmmsg(fd, messages, count, flags, nullptr);
    }
    // sendmmsg: how many of the messages went out, from the first; -1 with errno when the first did not.
    virtual int sendMany(int fd, mmsghdr* messages, unsigned count, int flags) {
        return ::sendmmsg(fd, messages, count, flags);
    }
};

// The calls as the system makes them; stateless, shared by every port.
inline SocketCalls& systemSocketCalls() {
    static SocketCalls calls;
    return calls;
}

} // namespace ostrel
