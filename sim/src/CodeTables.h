#pragma once

#include <cstdint>
#include <optional>

// The two numberings of the codes a frame carries: canonical frames use one, network and serial frames
// the other. Terminals take commands and acknowledgements from the PC, and send reports and replies.
namespace sim {

// A terminal answers a command with the command's code and this bit set, in the numbering the command
// came in; the PC acknowledges a canonical report with the report's code and this bit set.
inline constexpr std::uint8_t kReplyBit = 0x80;
// Over UDP a network frame with this code also counts as the reply to any command.
inline constexpr std::uint8_t kCatchAllReply = 0xFC;
// In the network numbering every acknowledgement of a report has this one code.
inline constexpr std::uint8_t kNetworkAcknowledgement = 0x7C;

// The commands the PC builds, in the canonical numbering.
enum class CommandCode : std::uint8_t {
    TerminalControl = 5,
    SingleOutput = 6,
    SingleLight = 7,
    BuzzerControl = 8,
    LcdDisplay = 10,
    LcdClean = 11,
    Message = 12,
    AllOutput = 13,
    SetupTime = 32,
    ConfigName = 33,
    ConfigFunction = 34,
    Powerup = 95,
};

// A report's type is its code in the canonical numbering.
enum class ReportType : std::uint8_t { Plain = 1, Status = 2, SignOff = 3, SignOn = 4 };

// Whether terminals take this canonical code as a command.
bool isCanonicalCommandCode(std::uint8_t code);
// The canonical code of a command that came in the network numbering; none for a code no terminal takes
// as a command.
std::optional<std::uint8_t> canonicalCommandCode(std::uint8_t networkCode);
// The report a canonical acknowledgement answers; none when the code acknowledges no report.
std::optional<ReportType> reportAcknowledgedBy(std::uint8_t canonicalCode);
std::uint8_t networkReportCode(ReportType type);

} // namespace sim
