#include "OptionValues.h"

#include "ostrel/ostrel.h"

#include <charconv>
#include <cmath>

namespace tarvex::cli {

namespace {

constexpr double kMostSeconds = 1e6;

} // namespace

std::optional<std::chrono::milliseconds> parseSeconds(std::string_view text, std::string_view option,
                                                      std::string& error) {
    double seconds = 0;
    const auto [end, status] =
        std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
    if (text.empty() || status != std::errc() || end != text.data() + text.size() || !(seconds > 0) ||
        seconds > kMostSeconds) {
        error = std::string(option) + " takes a number of seconds above 0 (at most 1000000), not '" +
                std::string(text) + "'";
        return std::nullopt;
    }
    return std::chrono::milliseconds(static_cast<long long>(std::ceil(seconds * 1000)));
}

std::optional<int> parseRetryLimit(std::string_view text, std::string& error) {
    int limit = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), limit);
    if (text.empty() || status != std::errc() || end != text.data() + text.size() || limit < 1 ||
        limit > OSTREL_RETRY_LIMIT_MAX) {
        error = "--retries takes a number of sendings 1 to " + std::to_string(OSTREL_RETRY_LIMIT_MAX) +
                ", not '" + std::string(text) + "'";
        return std::nullopt;
    }
    return limit;
}

} // namespace tarvex::cli
