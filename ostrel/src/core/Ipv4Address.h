#pragma once

#include <array>
#include <cstdint>

namespace ostrel {

// An IPv4 address as it travels in frames and routes: four octets, first octet first. It becomes dotted
// text only where a caller asks for text.
using Ipv4Address = std::array<std::uint8_t, 4>;

} // namespace ostrel
