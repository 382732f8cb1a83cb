#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace ostrel {

// What one serial line has brought that is not yet a frame. Neither layout spoken on a line has a start
// marker: a frame is told by its own length byte and checksum, so the bytes are collected across ticks
// and frames are cut off the front one after the other, whatever the reads they came in.
class SerialLineBuffer {
public:
    static constexpr std::size_t kCapacity = 128;

    // What the front of the collected bytes holds.
    struct Front {
        std::size_t canonicalLength = 0; // a whole canonical frame with a good checksum, else 0
        std::size_t serialLength = 0;    // a whole serial frame with a good checksum, else 0
        bool mayGrow = false;            // a frame still missing bytes could start here
    };

    // How many bytes may be appended. Every frame fits in the buffer, so a full buffer always holds a
    // whole frame at its front or a byte that cannot start one.
    std::size_t room() const { return kCapacity - count_; }
    bool empty() const { return count_ == 0; }
    std::span<const std::uint8_t> bytes() const { return {buffer_.data(), count_}; }

    // Appends at most room() bytes; the rest is the caller's to keep for later.
    void append(std::span<const std::uint8_t> bytes);
    // Drops count bytes from the front.
    void consume(std::size_t count);
    void clear() { count_ = 0; }
    Front front() const;

private:
    std::array<std::uint8_t, kCapacity> buffer_{};
    std::size_t count_ = 0;
};

} // namespace ostrel
