#pragma once

#include "TerminalAddress.h"
#include "core/FrameCodec.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The terminal's side of the wire protocol: the frames a terminal sends (reports and replies) in each of
// the three layouts, and the frames it takes from the PC (commands and acknowledgements). Checksums and
// the two command numberings come from Ostrel's frame codec, so both sides share one code table; the
// simulator's own tests pin them with byte vectors.
namespace sim {

// Protocol type 1 terminals speak the canonical frame on every link; protocol type 2 terminals speak the
// network frame over UDP and the serial frame on a serial line.
enum class WireLayout { Canonical, Network, Serial };
enum class LinkKind { Udp, Serial };

WireLayout layoutOf(int protocolType, LinkKind link);
const char* nameOf(WireLayout layout);

using Ipv4 = std::array<std::uint8_t, 4>;

// One frame as it goes on the wire.
struct WireFrame {
    ostrel::WireBuffer bytes{};
    std::size_t size = 0;

    std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
};

enum class ReportType : std::uint8_t { Plain = 1, Status = 2, SignOff = 3, SignOn = 4 };

// What a status report tells: zone alarms (bit k for zone k+1), status bits and, in a long report, the
// zone flags.
struct StatusBits {
    std::uint8_t zoneAlarms = 0;
    std::uint8_t status = 0;
    std::uint8_t zoneFlags = 0;
    bool longReport = false;
};

// `sender` is the terminal's own IPv4 address: network frames carry it, and the PC answers there.
WireFrame encodeReport(WireLayout layout, TerminalAddress address, ReportType type, const StatusBits& bits,
                       const Ipv4& sender);
// replyCode goes on the wire as it is: the received code with 0x80 set, in the received frame's own
// numbering, or the catch-all 0xFC of network frames.
inline constexpr std::uint8_t kCatchAllReply = 0xFC; // also counts as the reply to a network frame
WireFrame encodeReply(WireLayout layout, TerminalAddress address, std::uint8_t replyCode, const Ipv4& sender);

// A frame from the PC, viewed in the bytes it was decoded from.
struct PcFrame {
    // Unknown: well formed, but with a code no terminal takes from the PC.
    enum class Kind { Command, Acknowledgement, Unknown };

    Kind kind = Kind::Command;
    WireLayout layout = WireLayout::Canonical;
    TerminalAddress address;
    std::uint8_t wireCode = 0; // in the layout's own numbering
    // A command's code in the canonical numbering; for an acknowledgement the report type it answers,
    // or 0 where the layout does not say (protocol type 2 acknowledgements share one code).
    std::uint8_t code = 0;
    std::span<const std::uint8_t> payload;
    std::span<const std::uint8_t> bytes;
};

struct Decoded {
    std::optional<PcFrame> frame;
    std::string error; // why there is no frame
};

// A UDP datagram: a network frame when its inverted checksum holds, else a canonical frame, told apart
// as the PC tells them apart.
Decoded decodeDatagram(std::span<const std::uint8_t> datagram);
// One whole frame cut from a serial line, in the line's layout.
Decoded decodeLineFrame(std::span<const std::uint8_t> frame, WireLayout layout);

// How a serial line frame shows its own length.
struct LineFraming {
    std::size_t lengthByte;
    std::size_t shortest;
};
LineFraming lineFramingOf(WireLayout layout);

} // namespace sim
