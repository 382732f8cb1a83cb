#pragma once

#include "WireCodec.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sim {

// Cuts the bytes of a serial line into frames. A frame has no start marker, only its length byte, so a
// frame whose checksum fails is taken as a wrong start: the first byte is dropped and the search goes
// on. The PC writes a frame's bytes back to back; a partial frame followed by a quiet spell is dropped.
// Bytes dropped in a row are reported once, with the reason for the first of them.
class SerialFramer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kQuietSpell = std::chrono::milliseconds(100);

    // A whole frame (empty error), or bytes that form none and why.
    struct Piece {
        std::vector<std::uint8_t> bytes;
        std::string error;
    };

    explicit SerialFramer(WireLayout layout) : layout_(layout) {}

    std::vector<Piece> feed(std::span<const std::uint8_t> bytes, Clock::time_point now);

private:
    // Where the first whole, valid frame at or after `from` starts; 0 when there is none.
    std::size_t startOfWholeFrame(std::size_t from) const;
    void dropBytes(std::size_t count, const std::string& why);
    void flushNoise(std::vector<Piece>& pieces);

    WireLayout layout_;
    std::vector<std::uint8_t> buffer_;
    Clock::time_point lastInput_{};
    std::vector<std::uint8_t> noise_;
    std::string noiseReason_;
};

} // namespace sim
