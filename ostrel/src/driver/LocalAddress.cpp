#include "LocalAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <unistd.h>

namespace ostrel {

namespace {

std::array<std::uint8_t, 4> bytesOf(const sockaddr* address) {
    std::array<std::uint8_t, 4> bytes{};
    std::memcpy(bytes.data(), &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, 4);
    return bytes;
}

std::optional<std::array<std::uint8_t, 4>> fromInterfaces() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    std::optional<std::array<std::uint8_t, 4>> found;
    for (const ifaddrs* entry = list; entry && !found; entry = entry->ifa_next) {
        if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET && (entry->ifa_flags & IFF_UP) &&
            !(entry->ifa_flags & IFF_LOOPBACK))
            found = bytesOf(entry->ifa_addr);
    }
    freeifaddrs(list);
    return found;
}

std::optional<std::array<std::uint8_t, 4>> fromHostName() {
    char name[128] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &result) != 0 || !result)
        return std::nullopt;
    const auto bytes = bytesOf(result->ai_addr);
    freeaddrinfo(result);
    return bytes;
}

} // namespace

std::optional<std::array<std::uint8_t, 4>> findLocalAddress() {
    if (auto address = fromInterfaces())
        return address;
    return fromHostName();
}

} // namespace ostrel
