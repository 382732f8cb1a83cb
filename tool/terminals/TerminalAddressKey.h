#pragma once

#include <cstdint>

// A terminal's port, A and B (each one byte) as one number: a key to find it by, and an order that sorts
// by port, then A, then B.
inline constexpr std::uint32_t TerminalAddressKey(std::uint8_t port, std::uint8_t addressA,
                                                  std::uint8_t addressB) {
    return std::uint32_t{port} << 16 | std::uint32_t{addressA} << 8 | addressB;
}
