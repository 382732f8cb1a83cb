#include "GbkText.h"

#include <cerrno>
#include <cstdio>
#include <iconv.h>

namespace tarvex::cli {

namespace {

// The code point of the UTF-8 sequence at the start of text, or nothing when it is no valid sequence
// (cut short, overlong, a surrogate, beyond U+10FFFF).
std::optional<char32_t> firstCodePoint(std::string_view text, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (text.empty())
        return std::nullopt;
    const unsigned lead = byte(0);
    length = lead < 0x80                   ? 1
             : lead >= 0xC2 && lead < 0xE0 ? 2
             : lead >= 0xE0 && lead < 0xF0 ? 3
             : lead >= 0xF0 && lead < 0xF5 ? 4
                                           : 0;
    if (length == 0 || text.size() < length)
        return std::nullopt;
    char32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return std::nullopt;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return std::nullopt;
    return code;
}

// Why the conversion stopped at `offset`.
std::string faultAt(std::string_view utf8, std::size_t offset) {
    std::size_t length = 0;
    const auto code = firstCodePoint(utf8.substr(offset), length);
    if (!code)
        return "the text is not valid UTF-8 (at byte " + std::to_string(offset + 1) + ")";
    char codePoint[16];
    std::snprintf(codePoint, sizeof codePoint, "U+%04X", static_cast<unsigned>(*code));
    return "the character '" + std::string(utf8.substr(offset, length)) + "' (" + codePoint +
           ") has no GBK code";
}

class Converter {
public:
    Converter() : handle_(iconv_open("GBK", "UTF-8")) {}
    ~Converter() {
        if (valid())
            iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return handle_; }

private:
    iconv_t handle_;
};

} // namespace

std::optional<std::string> toGbk(std::string_view utf8, std::string& error) {
    Converter converter;
    if (!converter.valid()) {
        error = "this system cannot convert texts to GBK";
        return std::nullopt;
    }
    // GBK takes at most as many bytes as UTF-8 for every character it has.
    std::string gbk(utf8.size(), '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* out = gbk.data();
    std::size_t outLeft = gbk.size();
    if (iconv(converter.handle(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
        error = faultAt(utf8, utf8.size() - inLeft);
        return std::nullopt;
    }
    gbk.resize(gbk.size() - outLeft);
    return gbk;
}

} // namespace tarvex::cli
