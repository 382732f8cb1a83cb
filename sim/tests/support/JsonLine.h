#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// One line of the simulator's frame log: a flat JSON object of strings and numbers. Strings are kept
// unescaped, numbers as their text.
class JsonLine {
public:
    static std::optional<JsonLine> parse(std::string_view text) {
        JsonLine line;
        std::size_t at = 0;
        const auto skipSpace = [&] {
            while (at < text.size() && text[at] == ' ')
                ++at;
        };
        const auto expect = [&](char c) {
            skipSpace();
            return at < text.size() && text[at++] == c;
        };
        if (!expect('{'))
            return std::nullopt;
        while (true) {
            std::string key, value;
            if (!expect('"') || !readString(text, at, key) || !expect(':'))
                return std::nullopt;
            skipSpace();
            if (at < text.size() && text[at] == '"') {
                ++at;
                if (!readString(text, at, value))
                    return std::nullopt;
            } else {
                while (at < text.size() && text[at] != ',' && text[at] != '}')
                    value += text[at++];
            }
            line.fields_[key] = value;
            skipSpace();
            if (at < text.size() && text[at] == '}')
                return line;
            if (!expect(','))
                return std::nullopt;
        }
    }

    bool has(const std::string& key) const { return fields_.count(key) != 0; }
    std::string operator[](const std::string& key) const {
        const auto field = fields_.find(key);
        return field == fields_.end() ? std::string() : field->second;
    }
    long number(const std::string& key) const { return std::stol(fields_.at(key)); }
    double seconds() const { return std::stod(fields_.at("time")); }

private:
    static bool readString(std::string_view text, std::size_t& at, std::string& out) {
        while (at < text.size()) {
            const char c = text[at++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at >= text.size())
                return false;
            const char escaped = text[at++];
            if (escaped == 'u') {
                out += static_cast<char>(std::stoi(std::string(text.substr(at, 4)), nullptr, 16));
                at += 4;
            } else {
                out += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
            }
        }
        return false;
    }

    std::map<std::string, std::string> fields_;
};
