#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// One entry of the frame log: a kind and named values in the order they were added. It renders as one
// JSON object per line for tests and tools, and as one readable line for people.
class LogRecord {
public:
    explicit LogRecord(std::string_view kind);

    LogRecord& add(std::string_view key, std::string_view text);
    LogRecord& add(std::string_view key, long long number);
    // Bytes as upper-case hex digits without separators.
    LogRecord& addHex(std::string_view key, std::span<const std::uint8_t> bytes);

    // Seconds since the simulator started come first in both forms.
    std::string json(double seconds) const;
    std::string readable(double seconds) const;

    // The value of a field as rendered, or empty.
    std::string_view value(std::string_view key) const;

private:
    struct Field {
        std::string key;
        std::string value;
        bool quoted;
    };

    std::string kind_;
    std::vector<Field> fields_;
};

} // namespace sim
