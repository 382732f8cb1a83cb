#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Checksums and length bytes of the three frame layouts, computed here apart from Ostrel's codec so that
// the fuzz targets check it rather than repeat it.
namespace wire_checks {

inline unsigned sum(std::span<const std::uint8_t> bytes) {
    unsigned total = 0;
    for (const std::uint8_t b : bytes)
        total += b;
    return total & 0xFF;
}

// The canonical frame's additive checksum: the last byte is the sum of the others.
inline bool additiveHolds(std::span<const std::uint8_t> frame) {
    return !frame.empty() && sum(frame.first(frame.size() - 1)) == frame.back();
}

// The network and serial frames' inverted checksum: the sum of all but the last, plus the last, is 255.
inline bool invertedHolds(std::span<const std::uint8_t> frame) {
    return !frame.empty() && ((sum(frame.first(frame.size() - 1)) + frame.back()) & 0xFF) == 0xFF;
}

// Where each layout keeps its length byte.
inline constexpr std::size_t kCanonicalLengthAt = 0;
inline constexpr std::size_t kNetworkLengthAt = 10;
inline constexpr std::size_t kSerialLengthAt = 2;

// Makes bytes a frame of its layout, whatever they held: the length byte and the checksum are set. Bytes
// too short to hold a length byte and a checksum are left alone.
inline void seal(std::span<std::uint8_t> frame, std::size_t lengthAt, bool inverted) {
    if (frame.size() <= lengthAt + 1)
        return;
    frame[lengthAt] = static_cast<std::uint8_t>(frame.size());
    const unsigned total = sum(frame.first(frame.size() - 1));
    frame.back() = static_cast<std::uint8_t>(inverted ? 0xFF - total : total);
}

} // namespace wire_checks
