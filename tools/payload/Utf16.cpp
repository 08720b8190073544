#include "Utf16.h"

#include <stdexcept>

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80         ? 1
                           : lead >> 5 == 0x6  ? 2
                           : lead >> 4 == 0xE  ? 3
                           : lead >> 3 == 0x1E ? 4
                                               : 0;
        if (length == 0 || i + length > utf8.size())
            throw std::runtime_error("invalid UTF-8 text");
        char32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                throw std::runtime_error("invalid UTF-8 text");
            code = (code << 6) | (next & 0x3F);
        }
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}
