#pragma once

#include <string>
#include <string_view>

namespace sim {

// The text between single quotes, as error messages name what they refuse. Built by appending, which
// GCC 12 at -O2 also compiles without a false overlap warning, unlike "'" + std::string(text).
inline std::string quoted(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 2);
    result += '\'';
    result += text;
    result += '\'';
    return result;
}

} // namespace sim
