#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace tarvex::cli {

// Values of the program's options, each with an error that names the option.

// A number of seconds above 0, fractions allowed ("2", "0.5"), at most a million.
std::optional<std::chrono::milliseconds> parseSeconds(std::string_view text, std::string_view option,
                                                      std::string& error);
// How often Ostrel sends each command: 1 to 255, by default as often as the tool does.
constexpr int kDefaultRetryLimit = 3;
std::optional<int> parseRetryLimit(std::string_view text, std::string& error);

} // namespace tarvex::cli
