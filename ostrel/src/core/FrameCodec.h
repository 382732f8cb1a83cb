#pragma once

#include "Ipv4Address.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The three frame layouts on the wire and the conversions between them. Protocol type 1 terminals
// speak the canonical frame with an additive checksum; protocol type 2 terminals speak the network
// frame over UDP and the serial frame over a serial line, both with an inverted checksum and their own
// command numbering. All functions are pure and work in fixed buffers.
namespace ostrel {

// Sum of the bytes modulo 256: the canonical frame's checksum.
std::uint8_t additiveChecksum(std::span<const std::uint8_t> bytes);
// 0xFF minus the additive checksum: the network and serial frames' checksum, so that the sum of all
// bytes but the last plus the last is 255.
std::uint8_t invertedChecksum(std::span<const std::uint8_t> bytes);

// The code a protocol type 2 terminal understands for a command the PC sends; none when the command
// cannot be sent to such a terminal. All four acknowledgements (0x81..0x84) share one network code.
std::optional<std::uint8_t> networkCodeOf(std::uint8_t canonicalCode);
// The canonical code of a reply or report a protocol type 2 terminal sends; none for codes the PC
// does not take from such a terminal.
std::optional<std::uint8_t> canonicalCodeOf(std::uint8_t networkCode);

inline constexpr std::size_t kWireBufferSize = 128;
using WireBuffer = std::array<std::uint8_t, kWireBufferSize>;

// The conversions below take a canonical frame WITHOUT its checksum, as a CommandFrame holds it:
// frameLength bytes, whose length byte (byte 0) is one more than that. A shorter input or a length
// byte that does not match gives 0 and leaves the output alone.

// The network frame, sent from localAddress (the PC's IPv4 address, first octet first). Returns its
// length including the checksum, or 0 when the input is malformed or the command has no network code.
int canonicalToNetwork(std::span<const std::uint8_t> canonical, const Ipv4Address& localAddress,
                       WireBuffer& out);
// The serial frame. Returns its length including the checksum, or 0 as above.
int canonicalToSerial(std::span<const std::uint8_t> canonical, WireBuffer& out);
// The canonical frame as protocol type 1 terminals receive it: the input followed by the additive
// checksum. Returns frameLength + 1, or 0 when the input is malformed.
int withAdditiveChecksum(std::span<const std::uint8_t> canonical, WireBuffer& out);

// A received frame in canonical form, as the receive side handles it: bytes[0] == length, which counts
// a checksum slot. A frame converted from the network form carries 0 there; one read in canonical form
// keeps the checksum it arrived with.
struct CanonicalFrame {
    WireBuffer bytes{};
    int length = 0;
    Ipv4Address sender{}; // the address the frame names as its sender
};

// Converts a network frame received from a protocol type 2 terminal. Its inverted checksum is the
// caller's to check. False, leaving out alone, when the frame is shorter than 13 bytes, longer than a
// datagram the PC reads, its length byte (byte 10) differs from its size, or its code is not one the
// PC takes from a terminal.
bool networkToCanonical(std::span<const std::uint8_t> network, CanonicalFrame& out);

} // namespace ostrel
