#pragma once

#include <cstddef>
#include <cstdint>

// Byte positions of the three frame layouts on the wire. Lengths count the checksum, which is the last byte.
namespace ostrel {

// The canonical frame: the layout every command is built in and protocol type 1 terminals speak.
namespace canonical {
inline constexpr std::size_t kLength = 0;
inline constexpr std::size_t kAddressA = 1;
inline constexpr std::size_t kAddressB = 2;
inline constexpr std::size_t kHeaderHigh = 3;
inline constexpr std::size_t kHeaderLow = 4;
inline constexpr std::size_t kReserved = 5;
inline constexpr std::size_t kCode = 6;
inline constexpr std::size_t kPayload = 7;
inline constexpr std::size_t kShortestFrame = kPayload + 1; // no payload, checksum only
} // namespace canonical

// The network frame: protocol type 2 terminals over UDP.
namespace network {
inline constexpr std::size_t kSender = 0; // four bytes, first octet first
inline constexpr std::size_t kReserved = 4;
inline constexpr std::size_t kHeaderHigh = 5;
inline constexpr std::size_t kHeaderLow = 6;
inline constexpr std::size_t kCanonicalReserved = 7;
inline constexpr std::size_t kAddressA = 8;
inline constexpr std::size_t kAddressB = 9;
inline constexpr std::size_t kLength = 10;
inline constexpr std::size_t kCode = 11;
inline constexpr std::size_t kPayload = 12;
inline constexpr std::size_t kShortestFrame = kPayload + 1;
} // namespace network

// The serial frame: protocol type 2 terminals on a serial line.
namespace serial {
inline constexpr std::size_t kAddressA = 0;
inline constexpr std::size_t kAddressB = 1;
inline constexpr std::size_t kLength = 2;
inline constexpr std::size_t kCode = 3;
inline constexpr std::size_t kPayload = 4;
inline constexpr std::size_t kShortestFrame = kPayload + 1;
} // namespace serial

// Reply codes are the sent code with this bit set; acknowledgements are the report code with it set.
inline constexpr std::uint8_t kReplyBit = 0x80;

} // namespace ostrel
