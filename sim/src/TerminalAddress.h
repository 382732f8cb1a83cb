#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// A terminal's two address bytes, written "A.B".
struct TerminalAddress {
    std::uint8_t a = 0;
    std::uint8_t b = 0;

    auto operator<=>(const TerminalAddress&) const = default;
    std::string text() const;
};

// Names terminals on the command line and in control commands: "A.B" where A and B are each a number
// 0-255 or a range m-n ("1.2", "1.1-8", "0-39.0-249"), or "all".
class AddressPattern {
public:
    // The pattern, or nothing with the reason in error.
    static std::optional<AddressPattern> parse(std::string_view text, std::string& error);

    bool matches(TerminalAddress address) const;
    // Every address the pattern names, A first, then B.
    std::vector<TerminalAddress> addresses() const;

private:
    struct Range {
        int first = 0;
        int last = 255;
        bool contains(int value) const { return value >= first && value <= last; }
    };

    Range a_;
    Range b_;
};

// A comma-separated list of patterns ("1.1-4,2.7"); nothing, with the reason in error, when any is bad.
std::optional<std::vector<AddressPattern>> parseAddressList(std::string_view text, std::string& error);

} // namespace sim
