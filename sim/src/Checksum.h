#pragma once

#include "WireLayout.h"

#include <cstdint>
#include <span>

// Every frame ends in a checksum over all the bytes before it.
namespace sim {

// Canonical frames: the sum of the bytes, modulo 256.
std::uint8_t additiveChecksum(std::span<const std::uint8_t> bytes);
// Network and serial frames: 0xFF minus that sum.
std::uint8_t invertedChecksum(std::span<const std::uint8_t> bytes);

// The checksum a frame of this layout ends in, over the bytes before it.
std::uint8_t checksumOf(WireLayout layout, std::span<const std::uint8_t> bytes);

} // namespace sim
