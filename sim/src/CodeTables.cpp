#include "CodeTables.h"

#include <algorithm>
#include <array>

namespace sim {

namespace {

struct CommandCodes {
    std::uint8_t canonical;
    std::uint8_t network;
};

constexpr CommandCodes numbered(CommandCode code, std::uint8_t network) {
    return {static_cast<std::uint8_t>(code), network};
}

// Every command a terminal takes, in both numberings.
constexpr std::array kCommands{
    numbered(CommandCode::TerminalControl, 4),
    numbered(CommandCode::SingleOutput, 2),
    numbered(CommandCode::SingleLight, 20),
    numbered(CommandCode::BuzzerControl, 5),
    numbered(CommandCode::LcdDisplay, 18),
    numbered(CommandCode::LcdClean, 22),
    numbered(CommandCode::Message, 23),
    numbered(CommandCode::AllOutput, 16),
    numbered(CommandCode::SetupTime, 81),
    numbered(CommandCode::ConfigName, 87),
    numbered(CommandCode::ConfigFunction, 82),
    CommandCodes{35, 88}, // terminals take it, though the PC builds no such command
    numbered(CommandCode::Powerup, 95),
};

} // namespace

bool isCanonicalCommandCode(std::uint8_t code) {
    return std::ranges::find(kCommands, code, &CommandCodes::canonical) != kCommands.end();
}

std::optional<std::uint8_t> canonicalCommandCode(std::uint8_t networkCode) {
    const auto found = std::ranges::find(kCommands, networkCode, &CommandCodes::network);
    if (found == kCommands.end())
        return std::nullopt;
    return found->canonical;
}

std::optional<ReportType> reportAcknowledgedBy(std::uint8_t canonicalCode) {
    if (!(canonicalCode & kReplyBit))
        return std::nullopt;
    const int report = canonicalCode & ~kReplyBit;
    if (report < static_cast<int>(ReportType::Plain) || report > static_cast<int>(ReportType::SignOn))
        return std::nullopt;
    return static_cast<ReportType>(report);
}

std::uint8_t networkReportCode(ReportType type) {
    switch (type) {
    case ReportType::Plain:
        return 0xE0;
    case ReportType::Status:
        return 0xF1;
    case ReportType::SignOff:
        return 0xE2;
    case ReportType::SignOn:
        return 0xE3;
    }
    return 0;
}

} // namespace sim
