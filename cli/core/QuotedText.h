#pragma once

#include <string>
#include <string_view>

namespace tarvex::cli {

// The text between single quotes, as messages name what they refuse. Appended rather than written as
// "'" + std::string(text), which GCC 12's optimiser takes for an overlapping copy and warns about.
inline std::string inQuotes(std::string_view text) {
    std::string result(1, '\'');
    result.append(text).push_back('\'');
    return result;
}

} // namespace tarvex::cli
