#include "TerminalAddress.h"

#include "QuotedText.h"
#include "ostrel/ostrel.h"

#include <charconv>

namespace tarvex::cli {

namespace {

// One address byte of a terminal, or nothing.
std::optional<int> addressByte(std::string_view text) {
    int value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || status != std::errc() || end != text.data() + text.size() || value < 0 ||
        value >= OSTREL_WHOLE_BLOCK)
        return std::nullopt;
    return value;
}

} // namespace

std::string TerminalAddress::text() const {
    return std::to_string(addressA) + "." + std::to_string(addressB);
}

std::optional<TerminalAddress> parseTerminalAddress(std::string_view text, std::string& error) {
    const auto dot = text.find('.');
    if (dot != std::string_view::npos) {
        const auto a = addressByte(text.substr(0, dot));
        const auto b = addressByte(text.substr(dot + 1));
        if (a && b)
            return TerminalAddress{*a, *b};
    }
    error = inQuotes(text) + " is no terminal address: give A.B, each 0 to 254 (255 names a block)";
    return std::nullopt;
}

} // namespace tarvex::cli
