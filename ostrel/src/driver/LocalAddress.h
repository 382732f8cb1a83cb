#pragma once

#include "core/Ipv4Address.h"

#include <array>
#include <cstdint>
#include <optional>

namespace ostrel {

// The PC's own IPv4 address, which network frames carry as their sender: the first non-loopback IPv4
// address of an interface that is up, else the host name's first address. Host names often resolve to
// a loopback address no terminal could answer, hence the interfaces first.
std::optional<Ipv4Address> findLocalAddress();

} // namespace ostrel
