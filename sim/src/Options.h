#pragma once

#include "Terminal.h"
#include "TerminalAddress.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// One link and the terminals on it, as the command line describes them.
struct LinkOptions {
    enum class Kind { Udp, Serial, Pty };

    Kind kind = Kind::Udp;
    std::string pcHost; // udp: where the PC listens
    std::uint16_t pcPort = 0;
    std::string localHost;       // udp: empty for the address that leads to the PC
    std::uint16_t localPort = 0; // udp: 0 for any
    std::string device;          // serial: the device path
    int comNumber = 0;           // pty: places dev/COMn when not 0
    std::vector<AddressPattern> terminals;
    TerminalSettings settings;
};

struct Options {
    bool help = false;
    std::string jsonLog;               // file for the JSON lines; empty for none, "-" for standard output
    std::string readableLog;           // file for the readable log; empty for standard error
    bool quiet = false;                // no readable log
    std::vector<std::string> logKinds; // the kinds of record both logs keep; empty for all
    std::filesystem::path workFolder = ".";
    std::vector<LinkOptions> links;
};

// The options, or nothing with the reason in error.
std::optional<Options> parseOptions(int argc, const char* const* argv, std::string& error);
std::string_view usageText();

// "HOST:PORT" split at its last colon; nothing when the port is not a number 0-65535.
std::optional<std::pair<std::string, std::uint16_t>> parseHostPort(std::string_view text);
// Seconds with an optional fraction ("10", "0.25"), at least 0.
std::optional<Duration> parseSeconds(std::string_view text);
// A whole number in [lowest, highest]; decimal or 0x hex.
std::optional<int> parseNumber(std::string_view text, int lowest, int highest);

} // namespace sim
