#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Frames as terminals put them on the wire, built independently of the library's own codec so that a
// fault cannot hide on both sides.
namespace wire {

inline std::uint8_t sum(const std::vector<std::uint8_t>& bytes) {
    unsigned total = 0;
    for (auto b : bytes)
        total += b;
    return static_cast<std::uint8_t>(total);
}

// Protocol type 1: length, A, B, header word, reserved, code, payload, additive checksum.
inline std::vector<std::uint8_t> canonical(std::uint8_t a, std::uint8_t b, std::uint8_t code,
                                           std::vector<std::uint8_t> payload = {}) {
    std::vector<std::uint8_t> frame{static_cast<std::uint8_t>(payload.size() + 8), a, b, 0, 0, 0, code};
    // Room made first: GCC 12 takes the reallocating insert of an empty payload for a copy out of bounds.
    frame.reserve(frame.size() + payload.size() + 1);
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(sum(frame));
    return frame;
}

// Protocol type 2 over a serial line: A, B, length, code, payload, inverted checksum.
inline std::vector<std::uint8_t> serial(std::uint8_t a, std::uint8_t b, std::uint8_t code,
                                        std::vector<std::uint8_t> payload = {}) {
    std::vector<std::uint8_t> frame{a, b, static_cast<std::uint8_t>(payload.size() + 5), code};
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(static_cast<std::uint8_t>(0xFF - sum(frame)));
    return frame;
}

// Protocol type 2 over UDP: sender address, reserved, header word, reserved, A, B, length, code, payload,
// inverted checksum.
inline std::vector<std::uint8_t> network(std::array<std::uint8_t, 4> sender, std::uint8_t a, std::uint8_t b,
                                         std::uint8_t code, std::vector<std::uint8_t> payload = {}) {
    std::vector<std::uint8_t> frame{sender[0],
                                    sender[1],
                                    sender[2],
                                    sender[3],
                                    0,
                                    0,
                                    0,
                                    0,
                                    a,
                                    b,
                                    static_cast<std::uint8_t>(payload.size() + 13),
                                    code};
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(static_cast<std::uint8_t>(0xFF - sum(frame)));
    return frame;
}

} // namespace wire
