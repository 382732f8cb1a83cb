#include "TerminalAddress.h"

#include "QuotedText.h"

#include <charconv>

namespace sim {

namespace {

std::optional<int> parseByte(std::string_view text) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > 255)
        return std::nullopt;
    return value;
}

} // namespace

std::string TerminalAddress::text() const {
    return std::to_string(a) + "." + std::to_string(b);
}

std::optional<AddressPattern> AddressPattern::parse(std::string_view text, std::string& error) {
    AddressPattern pattern;
    if (text == "all")
        return pattern;
    const auto parseRange = [](std::string_view part) -> std::optional<Range> {
        const auto dash = part.find('-');
        const auto first = parseByte(part.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : parseByte(part.substr(dash + 1));
        if (!first || !last || *last < *first)
            return std::nullopt;
        return Range{*first, *last};
    };
    const auto dot = text.find('.');
    const auto a = dot == std::string_view::npos ? std::nullopt : parseRange(text.substr(0, dot));
    const auto b = dot == std::string_view::npos ? std::nullopt : parseRange(text.substr(dot + 1));
    if (!a || !b) {
        error =
            quoted(text) + " is not a terminal address: write A.B with numbers 0-255 or ranges m-n, or all";
        return std::nullopt;
    }
    pattern.a_ = *a;
    pattern.b_ = *b;
    return pattern;
}

bool AddressPattern::matches(TerminalAddress address) const {
    return a_.contains(address.a) && b_.contains(address.b);
}

std::vector<TerminalAddress> AddressPattern::addresses() const {
    std::vector<TerminalAddress> all;
    for (int a = a_.first; a <= a_.last; ++a)
        for (int b = b_.first; b <= b_.last; ++b)
            all.push_back({static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b)});
    return all;
}

std::optional<std::vector<AddressPattern>> parseAddressList(std::string_view text, std::string& error) {
    std::vector<AddressPattern> patterns;
    while (true) {
        const auto comma = text.find(',');
        const auto pattern = AddressPattern::parse(text.substr(0, comma), error);
        if (!pattern)
            return std::nullopt;
        patterns.push_back(*pattern);
        if (comma == std::string_view::npos)
            return patterns;
        text.remove_prefix(comma + 1);
    }
}

} // namespace sim
