#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace tarvex::cli {

// A terminal on a port: its two address bytes, written "A.B". 255 in either place names a whole block or
// port rather than a terminal, so a terminal's bytes run from 0 to 254.
struct TerminalAddress {
    int addressA;
    int addressB;

    auto operator<=>(const TerminalAddress&) const = default;
    std::string text() const;
};

// "1.2"; error says what is wrong with anything else.
std::optional<TerminalAddress> parseTerminalAddress(std::string_view text, std::string& error);

} // namespace tarvex::cli
