#include "Checksum.h"

#include <numeric>

namespace sim {

std::uint8_t additiveChecksum(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

std::uint8_t invertedChecksum(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint8_t>(0xFF - additiveChecksum(bytes));
}

std::uint8_t checksumOf(WireLayout layout, std::span<const std::uint8_t> bytes) {
    return layout == WireLayout::Canonical ? additiveChecksum(bytes) : invertedChecksum(bytes);
}

} // namespace sim
