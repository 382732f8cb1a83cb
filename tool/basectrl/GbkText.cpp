#include "basectrl/GbkText.h"

#include <array>
#include <iconv.h>

namespace {

// One conversion descriptor for one text; GBK keeps no shift state between characters.
class GbkConverter {
public:
    GbkConverter() : m_descriptor(iconv_open("GBK", "UTF-8")) {}
    ~GbkConverter() {
        if (m_descriptor != kInvalid)
            iconv_close(m_descriptor);
    }
    GbkConverter(const GbkConverter&) = delete;
    GbkConverter& operator=(const GbkConverter&) = delete;

    // Appends the GBK bytes of one character; false, appending nothing, when GBK has no code for it.
    bool append(const QString& character, QByteArray& out) {
        if (m_descriptor == kInvalid)
            return false;
        QByteArray utf8 = character.toUtf8();
        std::array<char, 8> converted{};
        char* in = utf8.data();
        std::size_t inLeft = static_cast<std::size_t>(utf8.size());
        char* next = converted.data();
        std::size_t outLeft = converted.size();
        if (iconv(m_descriptor, &in, &inLeft, &next, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
            return false;
        out.append(converted.data(), next - converted.data());
        return true;
    }

private:
    static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
    iconv_t m_descriptor;
};

} // namespace

GbkText GbkText::encode(const QString& text) {
    GbkConverter converter;
    GbkText result;
    for (const char32_t codePoint : text.toStdU32String()) {
        // A zero byte would end the zero-terminated text the terminal is sent.
        if (codePoint == 0 || !converter.append(QString::fromUcs4(&codePoint, 1), result.bytes)) {
            result.bytes.append('?');
            result.complete = false;
        }
    }
    return result;
}
