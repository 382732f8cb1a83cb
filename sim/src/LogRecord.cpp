#include "LogRecord.h"

#include <cstdio>

namespace sim {

namespace {

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

// Fields the readable line shows in front, without their names.
bool isLeadingField(std::string_view key) {
    return key == "link" || key == "terminal" || key == "dir";
}

} // namespace

LogRecord::LogRecord(std::string_view kind) : kind_(kind) {}

LogRecord& LogRecord::add(std::string_view key, std::string_view text) {
    fields_.push_back({std::string(key), std::string(text), true});
    return *this;
}

LogRecord& LogRecord::add(std::string_view key, long long number) {
    fields_.push_back({std::string(key), std::to_string(number), false});
    return *this;
}

LogRecord& LogRecord::addHex(std::string_view key, std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const auto b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0x0F];
    }
    return add(key, hex);
}

std::string LogRecord::json(double seconds) const {
    std::string out = "{\"time\":" + secondsText(seconds) + ",\"kind\":";
    appendJsonString(out, kind_);
    for (const auto& field : fields_) {
        out += ',';
        appendJsonString(out, field.key);
        out += ':';
        if (field.quoted)
            appendJsonString(out, field.value);
        else
            out += field.value;
    }
    out += '}';
    return out;
}

std::string LogRecord::readable(double seconds) const {
    std::string out = secondsText(seconds);
    for (const auto& field : fields_) {
        if (field.key == "dir")
            out += field.value == "in" ? " <-" : " ->";
        else if (isLeadingField(field.key))
            out += ' ' + field.value;
    }
    out += ' ' + kind_;
    for (const auto& field : fields_) {
        if (isLeadingField(field.key))
            continue;
        out += ' ' + field.key + '=';
        out += field.quoted ? '"' + field.value + '"' : field.value;
    }
    return out;
}

std::string_view LogRecord::value(std::string_view key) const {
    for (const auto& field : fields_)
        if (field.key == key)
            return field.value;
    return {};
}

} // namespace sim
