#pragma once

#include "CodeTables.h"
#include "TerminalAddress.h"
#include "WireLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The terminal's side of the wire protocol: the frames a terminal sends (reports and replies) in each of
// the three layouts, and the frames it takes from the PC (commands and acknowledgements). The simulator
// reads the wire on its own, apart from the PC's code, so that the end-to-end tests weigh two readings
// of the protocol against each other; its own tests pin it with byte vectors.
namespace sim {

using Ipv4 = std::array<std::uint8_t, 4>;

// One frame as it goes on the wire.
struct WireFrame {
    FrameBytes bytes{};
    std::size_t size = 0;

    std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
};

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
// replyCode goes on the wire as it is: see replyCodeOf, or the catch-all kCatchAllReply of network frames.
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

// What a terminal answers a command with: the code it came with and the reply bit, in its own numbering.
std::uint8_t replyCodeOf(const PcFrame& command);

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
