#pragma once

#include "ostrel/ostrel.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

// A UDP port that was free a moment ago, for a test to start Ostrel or the tool on; 0 if none was had.
inline int freeUdpPort() {
    const int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t length = sizeof address;
    const bool bound = ::bind(probe, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                       ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    ::close(probe);
    return bound ? ntohs(address.sin_port) : 0;
}

// Ostrel binds every interface: a port that was free a moment ago is taken by Start_Ostrel, unless
// someone else was quicker, in which case the next one is tried. Returns the port.
inline int startOnFreeUdpPort(OstrelContext* context) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int port = freeUdpPort();
        if (port != 0 && Start_Ostrel(context, port, 1000, 3))
            return port;
    }
    throw std::runtime_error("no free UDP port for Ostrel");
}
