#include "CommandRequest.h"

#include "QuotedText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace tarvex::cli {

namespace {

using json = nlohmann::json;

constexpr int kByteMax = 255;
constexpr int kWordMax = 65535;
constexpr int kHighestZone = 8;
constexpr std::size_t kMostOutputs = 255;
// Programming data beside the password and the two codes: one byte per decimal digit; one per hex digit
// and the end marker.
constexpr std::size_t kMostDecimalDigits = 60;
constexpr std::size_t kMostHexDigits = 59;
// The terminals keep the year without its century.
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099;

struct ModeName {
    std::string_view name;
    ProgramDataMode mode;
};
constexpr std::array<ModeName, 4> kModeNames{{{"text", ProgramDataMode::Text},
                                              {"digits", ProgramDataMode::Digits},
                                              {"address", ProgramDataMode::Address},
                                              {"hex", ProgramDataMode::Hex}}};

std::optional<long long> decimal(std::string_view text) {
    long long value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.front() == '-' || status != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool allOf(std::string_view text, std::string_view characters) {
    return text.find_first_not_of(characters) == std::string_view::npos;
}

int daysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// "YYYY-MM-DD HH:MM:SS" (or with a T between date and time) naming a real moment of 2000 to 2099.
std::optional<ClockTime> parseClockTime(std::string_view text) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || (text[10] != ' ' && text[10] != 'T') ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const auto field = [text](std::size_t at, std::size_t length) {
        const auto digits = text.substr(at, length);
        return allOf(digits, "0123456789") ? static_cast<int>(*decimal(digits)) : -1;
    };
    const ClockTime time{field(0, 4), field(5, 2), field(8, 2), field(11, 2), field(14, 2), field(17, 2)};
    if (time.year < kFirstYear || time.year > kLastYear || time.month < 1 || time.month > 12 ||
        time.day < 1 || time.day > daysInMonth(time.year, time.month) || time.hour < 0 || time.hour > 23 ||
        time.minute < 0 || time.minute > 59 || time.second < 0 || time.second > 59)
        return std::nullopt;
    return time;
}

bool isDottedAddress(std::string_view text) {
    for (int part = 0; part < 4; ++part) {
        const auto dot = text.find('.');
        if ((part < 3) == (dot == std::string_view::npos))
            return false;
        const auto number = text.substr(0, dot);
        const auto value = decimal(number);
        if (number.size() > 3 || !allOf(number, "0123456789") || !value || *value > kByteMax)
            return false;
        text.remove_prefix(part < 3 ? dot + 1 : text.size());
    }
    return true;
}

// Reads a command's fields out of a JSON object and keeps the first error, which names the command and
// the field. The words of `send` arrive as strings, so that numbers may then be written as text.
class FieldReader {
public:
    FieldReader(std::string_view command, const json& fields, bool fromWords)
        : command_(command), fields_(fields), fromWords_(fromWords) {}

    bool has(std::string_view field) const { return find(field) != nullptr; }

    int number(std::string_view field, int lowest, int highest, std::optional<int> fallback = std::nullopt) {
        return ranged(field, lowest, highest, fallback,
                      "must be a number " + std::to_string(lowest) + " to " + std::to_string(highest));
    }

    // on (1), off (0) or a number 0..255 the terminal gives its own meaning.
    int switchState(std::string_view field) {
        const json* value = find(field);
        if (value && value->is_string() && (*value == "on" || *value == "off"))
            return *value == "on" ? 1 : 0;
        return ranged(field, 0, kByteMax, std::nullopt, "must be on, off or a number 0 to 255");
    }

    // A text handed on as it is; a zero character would end it early on the wire.
    std::string text(std::string_view field) {
        const json* value = find(field);
        if (!value)
            return missing(field, std::string(), false);
        if (!value->is_string()) {
            fail(field, "must be a text, not " + shown(*value));
            return {};
        }
        auto text = value->get<std::string>();
        if (text.find('\0') != std::string::npos)
            fail(field, "must not hold a zero character");
        return text;
    }

    std::string password(std::string_view field) {
        const json* value = find(field);
        if (value && value->is_number())
            fail(field, "must be a text of 4 or 6 digits in quotes (a number loses its leading zeros)");
        auto digits = text(field);
        if (value && value->is_string() &&
            ((digits.size() != 4 && digits.size() != 6) || !allOf(digits, "0123456789")))
            fail(field, "must be 4 or 6 digits, not " + shown(*value));
        return digits;
    }

    // "terminal" (0) or a zone 1..8; a JSON payload may say 0 for the terminal.
    int nameTarget(std::string_view field) {
        const json* value = find(field);
        if (value && value->is_string() && *value == "terminal")
            return 0;
        return ranged(field, fromWords_ ? 1 : 0, kHighestZone, std::nullopt,
                      fromWords_ ? "must be terminal or a zone 1 to 8"
                                 : "must be 0 (the terminal) or a zone 1 to 8");
    }

    std::vector<bool> bits(std::string_view field) {
        const auto text = this->text(field);
        if (text.empty() || text.size() > kMostOutputs || !allOf(text, "01")) {
            if (has(field))
                fail(field,
                     "must be 1 to 255 digits 0 or 1 (the first is output 1), not " + shown(*find(field)));
            return {};
        }
        std::vector<bool> bits;
        for (const char c : text)
            bits.push_back(c == '1');
        return bits;
    }

    std::optional<ClockTime> clockTime(std::string_view field) {
        if (!has(field))
            return std::nullopt;
        const auto time = parseClockTime(text(field));
        if (!time && find(field)->is_string())
            fail(field,
                 "must be a time YYYY-MM-DD HH:MM:SS of the years 2000 to 2099, not " + shown(*find(field)));
        return time;
    }

    ProgramDataMode dataMode(std::string_view field) {
        if (!has(field))
            return ProgramDataMode::Text;
        const auto name = text(field);
        const auto known = std::find_if(kModeNames.begin(), kModeNames.end(),
                                        [&](const ModeName& mode) { return mode.name == name; });
        if (known == kModeNames.end() && find(field)->is_string()) {
            fail(field, "must be text, digits, address or hex, not " + shown(*find(field)));
            return ProgramDataMode::Text;
        }
        return known == kModeNames.end() ? ProgramDataMode::Text : known->mode;
    }

    // Programming data the mode can send whole; a text's length is known only in GBK.
    std::string programData(std::string_view field, ProgramDataMode mode) {
        auto data = text(field);
        if (mode == ProgramDataMode::Digits &&
            (data.empty() || data.size() > kMostDecimalDigits || !allOf(data, "0123456789")))
            fail(field, "must be 1 to 60 decimal digits in digits mode");
        if (mode == ProgramDataMode::Hex &&
            (data.empty() || data.size() > kMostHexDigits || !allOf(data, "0123456789abcdefABCDEF")))
            fail(field, "must be 1 to 59 hex digits in hex mode");
        if (mode == ProgramDataMode::Address && !isDottedAddress(data))
            fail(field, "must be a dotted IPv4 address such as 192.168.1.20 in address mode");
        return data;
    }

    void fail(std::string_view field, const std::string& why) {
        if (error_.empty())
            error_ = std::string(command_) + ": " + std::string(field) + " " + why;
    }

    template <class Command> CommandParse finish(Command command) {
        if (!error_.empty())
            return {std::nullopt, error_};
        return {CommandRequest{std::move(command)}, {}};
    }

private:
    // A whole number within the range, else `expected` told with the value given.
    int ranged(std::string_view field, int lowest, int highest, std::optional<int> fallback,
               const std::string& expected) {
        const json* value = find(field);
        if (!value)
            return missing(field, fallback.value_or(0), fallback.has_value());
        std::optional<long long> n;
        if (value->is_number_integer())
            n = value->get<long long>();
        else if (fromWords_ && value->is_string())
            n = decimal(value->get<std::string>());
        if (!n || *n < lowest || *n > highest) {
            fail(field, expected + ", not " + shown(*value));
            return 0;
        }
        return static_cast<int>(*n);
    }

    const json* find(std::string_view field) const {
        const auto found = fields_.find(field);
        return found == fields_.end() ? nullptr : &*found;
    }

    template <class T> T missing(std::string_view field, T fallback, bool optional) {
        if (!optional)
            fail(field, "is missing");
        return fallback;
    }

    // The value as the user wrote it: a word in single quotes, a JSON value as JSON.
    std::string shown(const json& value) const {
        if (fromWords_ && value.is_string())
            return inQuotes(value.get<std::string>());
        return value.dump(-1, ' ', false, json::error_handler_t::replace);
    }

    std::string_view command_;
    const json& fields_;
    bool fromWords_;
    std::string error_;
};

CommandParse buildControl(FieldReader& fields, bool arm) {
    auto password = fields.password("password");
    const int zone = fields.number("zone", 0, kHighestZone, 0);
    return fields.finish(ArmCommand{arm, std::move(password), zone});
}

// How a command is written: its fields in the order `send` takes them, of which the first `required`
// must be given; a last field that is text may take the remaining words.
struct CommandShape {
    std::string_view name;
    std::string_view usage;
    std::vector<std::string_view> fields;
    std::size_t required;
    bool lastTakesRest;
    CommandParse (*build)(FieldReader&);
};

const std::vector<CommandShape>& commandShapes() {
    static const std::vector<CommandShape> shapes{
        {"arm",
         "arm PASSWORD [ZONE]",
         {"password", "zone"},
         1,
         false,
         [](FieldReader& f) { return buildControl(f, true); }},
        {"disarm",
         "disarm PASSWORD [ZONE]",
         {"password", "zone"},
         1,
         false,
         [](FieldReader& f) { return buildControl(f, false); }},
        {"output",
         "output OUTPUT on|off|STATE [VALUE]",
         {"output", "state", "value"},
         2,
         false,
         [](FieldReader& f) {
             const int output = f.number("output", 0, kByteMax);
             const int state = f.switchState("state");
             return f.finish(OutputCommand{output, state, f.number("value", 0, kWordMax, 0)});
         }},
        {"lamp",
         "lamp LAMP on|off|STATE",
         {"lamp", "state"},
         2,
         false,
         [](FieldReader& f) {
             const int lamp = f.number("lamp", 0, kByteMax);
             return f.finish(LampCommand{lamp, f.switchState("state")});
         }},
        {"buzzer",
         "buzzer TOTAL SOUNDING PAUSE",
         {"total", "sounding", "pause"},
         3,
         false,
         [](FieldReader& f) {
             const int total = f.number("total", 0, kWordMax);
             const int sounding = f.number("sounding", 0, kWordMax);
             return f.finish(BuzzerCommand{total, sounding, f.number("pause", 0, kWordMax)});
         }},
        {"display",
         "display TEXT",
         {"text"},
         1,
         true,
         [](FieldReader& f) { return f.finish(DisplayCommand{f.text("text")}); }},
        {"clear", "clear", {}, 0, false, [](FieldReader& f) { return f.finish(ClearCommand{}); }},
        {"message",
         "message TEXT",
         {"text"},
         1,
         true,
         [](FieldReader& f) { return f.finish(MessageCommand{f.text("text")}); }},
        {"outputs",
         "outputs BITS",
         {"outputs"},
         1,
         false,
         [](FieldReader& f) { return f.finish(OutputsCommand{f.bits("outputs")}); }},
        {"clock",
         "clock [YYYY-MM-DD HH:MM:SS]",
         {"time"},
         0,
         true,
         [](FieldReader& f) { return f.finish(ClockCommand{f.clockTime("time")}); }},
        {"name",
         "name PASSWORD terminal|ZONE NAME",
         {"password", "zone", "name"},
         3,
         true,
         [](FieldReader& f) {
             auto password = f.password("password");
             const int zone = f.nameTarget("zone");
             return f.finish(NameCommand{std::move(password), zone, f.text("name")});
         }},
        {"program",
         "program PASSWORD MASTER SUB DATA [text|digits|address|hex]",
         {"password", "master", "sub", "data", "mode"},
         4,
         false,
         [](FieldReader& f) {
             auto password = f.password("password");
             const int master = f.number("master", 0, kByteMax);
             const int sub = f.number("sub", 0, kByteMax);
             const ProgramDataMode mode = f.dataMode("mode");
             auto data = f.programData("data", mode);
             return f.finish(ProgramCommand{std::move(password), master, sub, std::move(data), mode});
         }},
        {"powerup", "powerup", {}, 0, false, [](FieldReader& f) { return f.finish(PowerupCommand{}); }},
    };
    return shapes;
}

const CommandShape* shapeNamed(std::string_view name) {
    const auto& shapes = commandShapes();
    const auto found =
        std::find_if(shapes.begin(), shapes.end(), [&](const CommandShape& s) { return s.name == name; });
    return found == shapes.end() ? nullptr : &*found;
}

CommandParse unknownCommand(std::string_view name) {
    std::string known;
    for (const auto& shape : commandShapes())
        known += (known.empty() ? "" : ", ") + std::string(shape.name);
    return {std::nullopt, "unknown command '" + std::string(name) + "' (commands: " + known + ")"};
}

CommandParse failed(const CommandShape& shape, const std::string& why) {
    return {std::nullopt,
            std::string(shape.name) + ": " + why + " (usage: " + std::string(shape.usage) + ")"};
}

} // namespace

CommandParse parseCommandWords(std::span<const std::string> words) {
    if (words.empty())
        return {std::nullopt, "no command given"};
    const CommandShape* shape = shapeNamed(words.front());
    if (!shape)
        return unknownCommand(words.front());
    const auto values = words.subspan(1);
    if (values.size() < shape->required)
        return failed(*shape, std::string(shape->fields[values.size()]) + " is missing");
    if (values.size() > shape->fields.size() && !shape->lastTakesRest)
        return failed(*shape, "too many words from '" + values[shape->fields.size()] + "' on");
    json fields = json::object();
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t field = std::min(i, shape->fields.size() - 1);
        auto& value = fields[std::string(shape->fields[field])];
        value = value.is_string() ? value.get<std::string>() + " " + values[i] : values[i];
    }
    FieldReader reader(shape->name, fields, true);
    return shape->build(reader);
}

CommandParse parseCommandJson(const json& payload) {
    if (!payload.is_object())
        return {std::nullopt, "a command must be a JSON object"};
    const auto name = payload.find("command");
    if (name == payload.end() || !name->is_string())
        return {std::nullopt, "the field \"command\" must name the command as a text"};
    const CommandShape* shape = shapeNamed(name->get<std::string>());
    if (!shape)
        return unknownCommand(name->get<std::string>());
    for (const auto& [field, value] : payload.items()) {
        if (field != "command" && field != "id" &&
            std::find(shape->fields.begin(), shape->fields.end(), field) == shape->fields.end())
            return {std::nullopt, std::string(shape->name) + ": unknown field \"" + field + "\""};
    }
    FieldReader reader(shape->name, payload, false);
    return shape->build(reader);
}

std::string_view commandName(const CommandRequest& request) {
    if (const auto* control = std::get_if<ArmCommand>(&request))
        return control->arm ? "arm" : "disarm";
    // The shapes list the commands in the order of the variant, arm and disarm both standing for its first.
    static_assert(std::variant_size_v<CommandRequest> == 12);
    return commandShapes()[request.index() + 1].name;
}

std::string_view commandUsage() {
    static const std::string usage = [] {
        std::string lines;
        for (const auto& shape : commandShapes())
            lines += "  " + std::string(shape.usage) + "\n";
        return lines;
    }();
    return usage;
}

std::vector<std::uint8_t> outputBitMap(const OutputsCommand& command) {
    std::vector<std::uint8_t> map((command.outputs.size() + 7) / 8);
    for (std::size_t i = 0; i < command.outputs.size(); ++i) {
        if (command.outputs[i])
            map[i / 8] = static_cast<std::uint8_t>(map[i / 8] | (1u << (i % 8)));
    }
    return map;
}

std::string clockText(const ClockTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d-%02d %02d:%02d:%02d", time.year % 100, time.month, time.day,
                  time.hour, time.minute, time.second);
    return text;
}

} // namespace tarvex::cli
