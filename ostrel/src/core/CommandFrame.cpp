#include "CommandFrame.h"

#include <cstring>
#include <optional>
#include <span>
#include <string_view>

namespace ostrel {

namespace {

constexpr std::size_t kPayloadCapacity = CommandFrame::kMaxPayload;
constexpr std::size_t kPasswordMaxLength = 8;
constexpr std::size_t kPasswordBytes = 3;
constexpr unsigned kMissingPasswordNibble = 0x0F;
constexpr int kHighestZone = 8;
constexpr std::size_t kSetupTimeMaxLength = 31;
constexpr std::size_t kSetupTimeFields = 6;
constexpr std::string_view kSetupTimeSeparators = "- :";
constexpr std::size_t kDottedAddressMaxLength = 16;
constexpr std::size_t kDottedAddressFields = 4;
constexpr std::string_view kDottedAddressSeparators = ".";
constexpr std::uint8_t kHexListEnd = 0x0F;

enum DataMode { kTextMode = 0, kDecimalDigitsMode = 1, kDottedAddressMode = 2, kHexDigitsMode = 3 };

constexpr std::uint8_t low8(unsigned value) {
    return static_cast<std::uint8_t>(value & 0xFFu);
}

constexpr unsigned codeOf(char c) {
    return static_cast<unsigned char>(c);
}

// Measures a text no further than maxLength characters. The default reads just far enough to tell
// that a text cannot fit in the payload, so an unterminated or huge text is never walked to its end.
std::string_view measured(const char* text, std::size_t maxLength = kPayloadCapacity + 1) {
    return {text, ::strnlen(text, maxLength)};
}

// The password to pack, or none when it is longer than 8 characters: such a frame is still sent,
// with its header only.
std::optional<std::string_view> sendablePassword(const char* password) {
    const std::string_view text = measured(password, kPasswordMaxLength + 1);
    if (text.size() > kPasswordMaxLength)
        return std::nullopt;
    return text;
}

// Appends to the payload behind the header. Bytes past the buffer are counted but never written, so
// that finish() can refuse a payload that does not fit.
class PayloadWriter {
public:
    explicit PayloadWriter(CommandFrame& frame) : frame_(frame) {}

    void byte(unsigned value) {
        if (length_ < kPayloadCapacity)
            frame_.bytes[canonical::kPayload + length_] = low8(value);
        ++length_;
    }

    // 16 bits, high byte first.
    void word(unsigned value) {
        byte(value >> 8);
        byte(value);
    }

    void text(std::string_view text) {
        for (const char c : text)
            byte(codeOf(c));
    }

    void bytes(std::span<const std::uint8_t> values) {
        for (const std::uint8_t value : values)
            byte(value);
    }

    // Two characters per byte, the first in the high nibble, each as its distance from '0': a digit
    // password becomes its digit pairs. Characters the password lacks count as 0xF, which gives a
    // 4-digit password the third byte 0xFF the terminals expect; characters after the sixth are unused.
    void password(std::string_view password) {
        const auto nibble = [password](std::size_t i) {
            return i < password.size() ? codeOf(password[i]) - codeOf('0') : kMissingPasswordNibble;
        };
        for (std::size_t i = 0; i < kPasswordBytes; ++i)
            byte((nibble(2 * i) << 4) ^ nibble(2 * i + 1));
    }

    // Makes what was written the frame's payload; false, leaving payloadLength alone, when it did not fit.
    bool finish() {
        if (length_ > kPayloadCapacity)
            return false;
        frame_.payloadLength = static_cast<int>(length_);
        return true;
    }

private:
    CommandFrame& frame_;
    std::size_t length_ = 0;
};

// The low 8 bits of the number spelled by the field's leading decimal digits (0 when there are none).
unsigned leadingDecimal(std::string_view field) {
    unsigned value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (codeOf(c) - codeOf('0'));
    }
    return low8(value);
}

// Writes exactly `count` bytes: the first fields of the text split at any of the separators (a run of
// separators counts as one), each as a decimal number; fields the text lacks are written as 0.
void writeNumberFields(PayloadWriter& out, std::string_view text, std::string_view separators,
                       std::size_t count) {
    std::size_t position = 0;
    for (std::size_t field = 0; field < count; ++field) {
        position = text.find_first_not_of(separators, position);
        if (position == std::string_view::npos) {
            out.byte(0);
            continue;
        }
        const std::size_t end = text.find_first_of(separators, position);
        out.byte(leadingDecimal(text.substr(position, end - position)));
        position = end;
    }
}

std::optional<unsigned> hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return codeOf(c) - codeOf('0');
    if (c >= 'a' && c <= 'f')
        return codeOf(c) - codeOf('a') + 10;
    if (c >= 'A' && c <= 'F')
        return codeOf(c) - codeOf('A') + 10;
    return std::nullopt;
}

// One byte per hex digit up to the first other character, then the 0x0F end marker. An empty text
// is sent as a single 0 byte instead of the marker.
void writeHexDigits(PayloadWriter& out, std::string_view text) {
    if (text.empty()) {
        out.byte(0);
        return;
    }
    for (const char c : text) {
        const auto value = hexDigitValue(c);
        if (!value)
            break;
        out.byte(*value);
    }
    out.byte(kHexListEnd);
}

} // namespace

void CommandFrame::setAddress(int addressA, int addressB, int headerWord) {
    const auto header = static_cast<unsigned>(headerWord);
    setHeaderBytes(low8(addressA), low8(addressB), low8(header >> 8), low8(header));
}

void CommandFrame::setHeaderBytes(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4) {
    bytes[canonical::kAddressA] = b1;
    bytes[canonical::kAddressB] = b2;
    bytes[canonical::kHeaderHigh] = b3;
    bytes[canonical::kHeaderLow] = b4;
}

void CommandFrame::setCommand(int code) {
    bytes[canonical::kCode] = low8(code);
}

int CommandFrame::finalize() {
    frameLength = payloadLength + static_cast<int>(canonical::kPayload);
    // The length byte also counts the checksum that is appended when the frame is sent.
    bytes[canonical::kLength] = low8(frameLength + 1);
    return frameLength;
}

bool TerminalControlFrame::fill(const char* password, int action, int zone) {
    if (password == nullptr)
        return false;
    const auto sendable = sendablePassword(password);
    if (!sendable)
        return true;
    const unsigned sentZone = zone >= 0 && zone <= kHighestZone ? zone : 0;
    PayloadWriter out(*this);
    out.password(*sendable);
    out.byte((sentZone << 4) ^ static_cast<unsigned>(action));
    return out.finish();
}

bool SingleOutputFrame::fill(int output, int outputState, int thirdValue) {
    PayloadWriter out(*this);
    out.byte(output);
    out.byte(outputState);
    out.word(thirdValue);
    return out.finish();
}

bool SingleLightFrame::fill(int lamp, int lampState) {
    PayloadWriter out(*this);
    out.byte(lamp);
    out.byte(lampState);
    return out.finish();
}

bool BuzzerControlFrame::fill(int first, int second, int third) {
    PayloadWriter out(*this);
    out.word(first);
    out.word(second);
    out.word(third);
    return out.finish();
}

bool LcdDisplayFrame::fill(int argument, const char* text) {
    if (text == nullptr)
        return false;
    PayloadWriter out(*this);
    out.byte(argument);
    out.text(measured(text));
    out.byte(0);
    return out.finish();
}

bool LcdCleanFrame::fill() {
    payloadLength = 0;
    return true;
}

bool MessageFrame::fill(const char* text) {
    if (text == nullptr)
        return false;
    PayloadWriter out(*this);
    out.text(measured(text));
    out.byte(0);
    return out.finish();
}

bool AllOutputFrame::fill(int count, const std::uint8_t* bitMap) {
    const std::size_t mapBytes = (low8(count) + 7u) / 8u;
    if (mapBytes > 0 && bitMap == nullptr)
        return false;
    PayloadWriter out(*this);
    out.bytes({bitMap, mapBytes});
    return out.finish();
}

bool SetupTimeFrame::fill(const char* dateTime) {
    if (dateTime == nullptr)
        return false;
    PayloadWriter out(*this);
    writeNumberFields(out, measured(dateTime, kSetupTimeMaxLength), kSetupTimeSeparators, kSetupTimeFields);
    return out.finish();
}

bool ConfigNameFrame::fill(const char* password, int selector, const char* name) {
    if (password == nullptr || name == nullptr)
        return false;
    const auto sendable = sendablePassword(password);
    if (!sendable)
        return true;
    PayloadWriter out(*this);
    out.password(*sendable);
    out.byte(selector);
    out.text(measured(name));
    out.byte(0);
    return out.finish();
}

bool ConfigFuncationFrame::fill(const char* password, int firstByte, int secondByte, const char* data,
                                int mode) {
    if (password == nullptr || data == nullptr)
        return false;
    const auto sendable = sendablePassword(password);
    if (!sendable)
        return true;
    const std::string_view text = measured(data);
    PayloadWriter out(*this);
    out.password(*sendable);
    out.byte(firstByte);
    out.byte(secondByte);
    switch (mode) {
    case kTextMode:
        out.text(text);
        out.byte(0);
        break;
    case kDecimalDigitsMode:
        for (const char c : text)
            out.byte(codeOf(c) - codeOf('0'));
        break;
    case kDottedAddressMode:
        // Too long for an address: the frame goes out with its header only.
        if (text.size() > kDottedAddressMaxLength)
            return true;
        writeNumberFields(out, text, kDottedAddressSeparators, kDottedAddressFields);
        break;
    case kHexDigitsMode:
        writeHexDigits(out, text);
        break;
    default:
        // A mode the terminals do not know: the frame goes out with its header only.
        return true;
    }
    return out.finish();
}

bool PowerupFrame::fill() {
    payloadLength = 0;
    return true;
}

} // namespace ostrel
