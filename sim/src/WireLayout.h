#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The three layouts a frame takes on the wire and where each field sits in them. No layout has start or
// end markers: a frame is known by its length byte, which counts the whole frame, checksum included.
// Numbers of more than one byte go high byte first. The bytes not named here are the header word and
// reserved bytes, which a terminal sends as 0 and reads past.
namespace sim {

// Protocol type 1 terminals speak the canonical frame on every link; protocol type 2 terminals speak the
// network frame over UDP and the serial frame on a serial line.
enum class WireLayout { Canonical, Network, Serial };
enum class LinkKind { Udp, Serial };

WireLayout layoutOf(int protocolType, LinkKind link);
const char* nameOf(WireLayout layout);

// One length byte counts the whole frame, so no frame is longer than this.
inline constexpr std::size_t kLongestFrame = 255;
using FrameBytes = std::array<std::uint8_t, kLongestFrame>;

struct FramePositions {
    std::size_t length;
    std::size_t addressA;
    std::size_t addressB;
    std::size_t code;
    std::size_t payload;
    // Every byte but the payload: the length byte says payload + overhead, and the shortest frame has
    // this many bytes.
    std::size_t overhead;
};

// Length, A, B, header word, reserved, code, payload, additive checksum.
inline constexpr FramePositions kCanonicalPositions{
    .length = 0, .addressA = 1, .addressB = 2, .code = 6, .payload = 7, .overhead = 8};
// Sender's IPv4 address (first octet first), reserved, header word, reserved, A, B, length, code,
// payload, inverted checksum.
inline constexpr FramePositions kNetworkPositions{
    .length = 10, .addressA = 8, .addressB = 9, .code = 11, .payload = 12, .overhead = 13};
inline constexpr std::size_t kNetworkSender = 0;
// A, B, length, code, payload, inverted checksum.
inline constexpr FramePositions kSerialPositions{
    .length = 2, .addressA = 0, .addressB = 1, .code = 3, .payload = 4, .overhead = 5};

const FramePositions& positionsOf(WireLayout layout);

} // namespace sim
