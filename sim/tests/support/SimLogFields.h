#pragma once

#include <charconv>
#include <optional>
#include <string_view>

// Fields of one line of the simulator's JSON frame log, read in place: nothing is allocated, so that a
// reader of thousands of lines a second leaves the memory it watches alone. A string field is given
// without its quotes and as written (escapes kept); a number as its digits.
inline std::optional<std::string_view> logField(std::string_view line, std::string_view key) {
    for (std::size_t at = line.find(key); at != std::string_view::npos; at = line.find(key, at + 1)) {
        const std::size_t end = at + key.size();
        if (at == 0 || line[at - 1] != '"' || line.substr(end, 2) != "\":")
            continue;
        std::string_view value = line.substr(end + 2);
        if (value.starts_with('"')) {
            value.remove_prefix(1);
            for (std::size_t i = 0; i < value.size(); ++i) {
                if (value[i] == '\\')
                    ++i;
                else if (value[i] == '"')
                    return value.substr(0, i);
            }
            return std::nullopt;
        }
        return value.substr(0, value.find_first_of(",}"));
    }
    return std::nullopt;
}

inline std::optional<long> logNumber(std::string_view line, std::string_view key) {
    const auto text = logField(line, key);
    long n = 0;
    if (!text || std::from_chars(text->data(), text->data() + text->size(), n).ec != std::errc())
        return std::nullopt;
    return n;
}

// A terminal's address "A.B" as the log writes it.
struct LoggedAddress {
    int a = -1, b = -1;
    bool operator==(const LoggedAddress&) const = default;
};

inline std::optional<LoggedAddress> logTerminal(std::string_view line) {
    const auto text = logField(line, "terminal");
    if (!text)
        return std::nullopt;
    LoggedAddress address;
    const auto dot = text->find('.');
    if (dot == std::string_view::npos ||
        std::from_chars(text->data(), text->data() + dot, address.a).ec != std::errc() ||
        std::from_chars(text->data() + dot + 1, text->data() + text->size(), address.b).ec != std::errc())
        return std::nullopt;
    return address;
}
