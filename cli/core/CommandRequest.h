#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarvex::cli {

// The twelve commands a terminal takes, as plain values checked against their ranges. Texts are UTF-8
// here; their length on the wire is known only once they are in GBK (the driver checks it).

// Arms or disarms one zone 1..8, or all of them (zone 0).
struct ArmCommand {
    bool arm;
    std::string password; // 4 or 6 decimal digits
    int zone;
    bool operator==(const ArmCommand&) const = default;
};
// Switches relay output `output` to `state` (on is 1, off 0); `value` is the terminal's own 16-bit value.
struct OutputCommand {
    int output;
    int state;
    int value;
    bool operator==(const OutputCommand&) const = default;
};
struct LampCommand {
    int lamp;
    int state;
    bool operator==(const LampCommand&) const = default;
};
// Durations in units of 20 ms.
struct BuzzerCommand {
    int total;
    int sounding;
    int pause;
    bool operator==(const BuzzerCommand&) const = default;
};
struct DisplayCommand {
    std::string text;
    bool operator==(const DisplayCommand&) const = default;
};
struct ClearCommand {
    bool operator==(const ClearCommand&) const = default;
};
struct MessageCommand {
    std::string text;
    bool operator==(const MessageCommand&) const = default;
};
// Every output at once, outputs[0] being output 1.
struct OutputsCommand {
    std::vector<bool> outputs;
    bool operator==(const OutputsCommand&) const = default;
};
struct ClockTime {
    int year, month, day, hour, minute, second;
    bool operator==(const ClockTime&) const = default;
};
// Without a time the terminal gets the computer's local time at the moment the command is queued.
struct ClockCommand {
    std::optional<ClockTime> time;
    bool operator==(const ClockCommand&) const = default;
};
// Names the terminal (zone 0) or one of its zones 1..8.
struct NameCommand {
    std::string password;
    int zone;
    std::string name;
    bool operator==(const NameCommand&) const = default;
};
enum class ProgramDataMode { Text, Digits, Address, Hex };
// One programming value: master code, sub code and its data, sent as `mode` says.
struct ProgramCommand {
    std::string password;
    int master;
    int sub;
    std::string data;
    ProgramDataMode mode;
    bool operator==(const ProgramCommand&) const = default;
};
struct PowerupCommand {
    bool operator==(const PowerupCommand&) const = default;
};

using CommandRequest =
    std::variant<ArmCommand, OutputCommand, LampCommand, BuzzerCommand, DisplayCommand, ClearCommand,
                 MessageCommand, OutputsCommand, ClockCommand, NameCommand, ProgramCommand, PowerupCommand>;

// A request, or the reason there is none (naming the field at fault).
struct CommandParse {
    std::optional<CommandRequest> request;
    std::string error;
};

// The words of `tarvex-cli send` after the terminal's address: the command's name, then its values in
// order ("lamp 2 on"). A text that comes last takes the remaining words, joined by single spaces.
CommandParse parseCommandWords(std::span<const std::string> words);

// A JSON object naming the command in "command" and giving its values by field name
// ({"command": "lamp", "lamp": 2, "state": "on"}). Numbers must be JSON numbers and texts JSON strings;
// an "id" is let through for the caller, any other unknown field is refused.
CommandParse parseCommandJson(const nlohmann::json& payload);

// "arm", "disarm", "lamp", ...: the word that names the command in both forms.
std::string_view commandName(const CommandRequest& request);

// How each command is written after the address, one line per command: the usage of `send`.
std::string_view commandUsage();

// The bit map Ostrel sends for the outputs: output 1 is the lowest bit of the first byte.
std::vector<std::uint8_t> outputBitMap(const OutputsCommand& command);

// The time as the terminals take it: "yy-mm-dd hh:mm:ss", the year without its century.
std::string clockText(const ClockTime& time);

} // namespace tarvex::cli
