#include "CommandFields.h"

#include "CodeTables.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iconv.h>
#include <string>

namespace sim {

namespace {

using Payload = std::span<const std::uint8_t>;

constexpr std::uint8_t kFourDigitPassword = 0xFF;
constexpr std::uint8_t kHexListEnd = 0x0F;
constexpr std::size_t kPasswordBytes = 3;

// GBK to UTF-8; a byte that starts no GBK character becomes U+FFFD so that a log line stays valid text.
std::string utf8FromGbk(Payload bytes) {
    static const iconv_t converter = iconv_open("UTF-8", "GBK");
    std::string out;
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        out.assign(bytes.begin(), bytes.end());
        return out;
    }
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    auto* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char chunk[256];
        char* outPointer = chunk;
        std::size_t outLeft = sizeof chunk;
        const std::size_t result = iconv(converter, &in, &inLeft, &outPointer, &outLeft);
        out.append(chunk, static_cast<std::size_t>(outPointer - chunk));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

// A text up to its terminating 0, and whether the 0 was there.
struct Terminated {
    std::string text;
    bool terminated;
};

Terminated terminatedText(Payload bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return {utf8FromGbk(Payload(bytes.begin(), end)), end != bytes.end()};
}

void addText(LogRecord& record, std::string_view key, Payload bytes) {
    const auto text = terminatedText(bytes);
    record.add(key, text.text);
    if (!text.terminated)
        record.add("error", "the text has no terminating 0");
}

// Two digits per byte, the first in the high nibble; a 4-digit password ends with the byte 0xFF.
std::string passwordDigits(Payload packed) {
    const std::size_t digits = packed[2] == kFourDigitPassword ? 4 : 6;
    std::string text;
    for (std::size_t i = 0; i < digits; ++i) {
        const unsigned nibble = i % 2 == 0 ? packed[i / 2] >> 4 : packed[i / 2] & 0x0F;
        text += static_cast<char>('0' + nibble);
    }
    return text;
}

unsigned word(Payload bytes, std::size_t at) {
    return static_cast<unsigned>(bytes[at] << 8 | bytes[at + 1]);
}

// The data of a programming value does not say how the PC encoded it; the log names the first reading
// that fits: a terminated text, hex digits closed by 0x0F, decimal digits, a dotted address.
void addProgrammingValue(LogRecord& record, Payload data) {
    record.addHex("data", data);
    if (data.empty())
        return;
    const auto body = data.first(data.size() - 1);
    const auto isPrintable = [](std::uint8_t b) { return b >= 0x20 && b != 0x7F; };
    const auto isHexDigit = [](std::uint8_t b) { return b <= 0x0F; };
    const auto isDigit = [](std::uint8_t b) { return b <= 9; };
    if (data.back() == 0 && std::all_of(body.begin(), body.end(), isPrintable)) {
        record.add("valueForm", "text").add("value", utf8FromGbk(body));
    } else if (data.back() == kHexListEnd && std::all_of(body.begin(), body.end(), isHexDigit)) {
        std::string hex;
        for (const auto b : body)
            hex += "0123456789abcdef"[b];
        record.add("valueForm", "hex").add("value", hex);
    } else if (std::all_of(data.begin(), data.end(), isDigit)) {
        std::string digits;
        for (const auto b : data)
            digits += static_cast<char>('0' + b);
        record.add("valueForm", "digits").add("value", digits);
    } else if (data.size() == 4) {
        record.add("valueForm", "address")
            .add("value", std::to_string(data[0]) + "." + std::to_string(data[1]) + "." +
                              std::to_string(data[2]) + "." + std::to_string(data[3]));
    }
}

// The fewest payload bytes each command's fields need.
std::size_t shortestPayload(CommandCode code) {
    switch (code) {
    case CommandCode::TerminalControl:
    case CommandCode::SingleOutput:
        return 4;
    case CommandCode::SingleLight:
    case CommandCode::LcdDisplay:
        return 2;
    case CommandCode::BuzzerControl:
    case CommandCode::SetupTime:
        return 6;
    case CommandCode::Message:
        return 1;
    case CommandCode::ConfigName:
    case CommandCode::ConfigFunction:
        return kPasswordBytes + 2;
    case CommandCode::LcdClean:
    case CommandCode::AllOutput:
    case CommandCode::Powerup:
        return 0;
    }
    return 0;
}

} // namespace

std::optional<std::string_view> commandName(std::uint8_t canonicalCode) {
    switch (static_cast<CommandCode>(canonicalCode)) {
    case CommandCode::TerminalControl:
        return "TerminalControl";
    case CommandCode::SingleOutput:
        return "SingleOutput";
    case CommandCode::SingleLight:
        return "SingleLight";
    case CommandCode::BuzzerControl:
        return "BuzzerControl";
    case CommandCode::LcdDisplay:
        return "LcdDisplay";
    case CommandCode::LcdClean:
        return "LcdClean";
    case CommandCode::Message:
        return "Message";
    case CommandCode::AllOutput:
        return "AllOutput";
    case CommandCode::SetupTime:
        return "SetupTime";
    case CommandCode::ConfigName:
        return "ConfigName";
    case CommandCode::ConfigFunction:
        return "ConfigFunction";
    case CommandCode::Powerup:
        return "Powerup";
    }
    return std::nullopt;
}

void describeCommand(std::uint8_t canonicalCode, Payload p, LogRecord& record) {
    if (!commandName(canonicalCode))
        return;
    const auto code = static_cast<CommandCode>(canonicalCode);
    if (p.size() < shortestPayload(code)) {
        record.add("error", "a payload of " + std::to_string(p.size()) + " bytes is too short for " +
                                std::string(*commandName(canonicalCode)));
        return;
    }
    switch (code) {
    case CommandCode::TerminalControl:
        record.add("password", passwordDigits(p)).add("zone", p[3] >> 4).add("action", p[3] & 0x0F);
        break;
    case CommandCode::SingleOutput:
        record.add("output", p[0]).add("state", p[1]).add("value", word(p, 2));
        break;
    case CommandCode::SingleLight:
        record.add("lamp", p[0]).add("state", p[1]);
        break;
    case CommandCode::BuzzerControl:
        record.add("total", word(p, 0)).add("sounding", word(p, 2)).add("pause", word(p, 4));
        break;
    case CommandCode::LcdDisplay:
        record.add("argument", p[0]);
        addText(record, "text", p.subspan(1));
        break;
    case CommandCode::Message:
        addText(record, "text", p);
        break;
    case CommandCode::AllOutput:
        record.addHex("bitMap", p);
        break;
    case CommandCode::SetupTime: {
        char text[32];
        std::snprintf(text, sizeof text, "%02u-%02u-%02u %02u:%02u:%02u", p[0], p[1], p[2], p[3], p[4], p[5]);
        record.add("clock", text);
        break;
    }
    case CommandCode::ConfigName:
        record.add("password", passwordDigits(p)).add("selector", p[3]);
        addText(record, "name", p.subspan(4));
        break;
    case CommandCode::ConfigFunction:
        record.add("password", passwordDigits(p)).add("first", p[3]).add("second", p[4]);
        addProgrammingValue(record, p.subspan(5));
        break;
    case CommandCode::LcdClean:
    case CommandCode::Powerup:
        break;
    }
}

} // namespace sim
