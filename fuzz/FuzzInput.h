#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A fuzz input read as a little program: values taken from the front, one after the other. An input that
// runs out reads as zeros, so that every byte string is a program. FuzzInputWriter writes the same layout,
// for the seed corpora.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : rest_(data, size) {}

    bool empty() const { return rest_.empty(); }

    std::uint8_t byte() {
        if (rest_.empty())
            return 0;
        const std::uint8_t value = rest_.front();
        rest_ = rest_.subspan(1);
        return value;
    }
    bool flag() { return (byte() & 1) != 0; }
    // High byte first, as on the wire.
    std::uint16_t word() {
        const unsigned high = byte();
        return static_cast<std::uint16_t>(high << 8 | byte());
    }
    std::int32_t int32() {
        const std::uint32_t high = word();
        return static_cast<std::int32_t>(high << 16 | word());
    }
    // A length byte (taken modulo max + 1), then that many bytes, fewer when the input ends first.
    std::span<const std::uint8_t> sized(std::size_t max) {
        const std::size_t wanted = byte() % (max + 1);
        const std::size_t count = std::min(wanted, rest_.size());
        const auto bytes = rest_.first(count);
        rest_ = rest_.subspan(count);
        return bytes;
    }
    // A text without zero characters, as a C caller passes one: sized bytes, each zero taken as '0'.
    std::string text(std::size_t max) {
        const auto bytes = sized(max);
        std::string value(bytes.begin(), bytes.end());
        std::replace(value.begin(), value.end(), '\0', '0');
        return value;
    }

private:
    std::span<const std::uint8_t> rest_;
};

class FuzzInputWriter {
public:
    FuzzInputWriter& byte(std::uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    FuzzInputWriter& word(std::uint16_t value) {
        return byte(static_cast<std::uint8_t>(value >> 8)).byte(value & 0xFF);
    }
    FuzzInputWriter& int32(std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        return word(static_cast<std::uint16_t>(bits >> 16)).word(bits & 0xFFFF);
    }
    // At most 255 bytes; the reader's max must be at least their number.
    FuzzInputWriter& sized(std::span<const std::uint8_t> values) {
        byte(static_cast<std::uint8_t>(values.size()));
        bytes_.insert(bytes_.end(), values.begin(), values.end());
        return *this;
    }
    FuzzInputWriter& text(const std::string& value) {
        return sized({reinterpret_cast<const std::uint8_t*>(value.data()), value.size()});
    }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};
