// GBK conversions through glibc's iconv. "GBK" is used rather than GB18030, which could write
// every character and so would hide names a Chinese Windows cannot represent. One converter
// per direction and thread, reset before each use.
#include "Gbk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>

namespace gbk {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts the whole input, or nothing when a byte sequence has no equivalent.
    std::optional<std::string> Convert(std::string_view input) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            return std::nullopt;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string output(input.size() * 4 + 8, '\0');
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char* out = output.data();
        size_t outLeft = output.size();
        while (inLeft > 0) {
            if (iconv(cd_, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
                if (errno != E2BIG)
                    return std::nullopt;
                const size_t used = output.size() - outLeft;
                output.resize(output.size() * 2);
                out = output.data() + used;
                outLeft = output.size() - used;
            }
        }
        if (iconv(cd_, nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1))
            return std::nullopt;
        output.resize(output.size() - outLeft);
        return output;
    }

private:
    iconv_t cd_;
};

std::optional<std::string> Convert(const char* to, const char* from, std::string_view input) {
    thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<Converter>>
        converters;
    auto& converter = converters[{to, from}];
    if (!converter)
        converter = std::make_unique<Converter>(to, from);
    return converter->Convert(input);
}

std::string_view Bytes(const void* data, size_t size) {
    return {static_cast<const char*>(data), size};
}

// Input in the encoding from as wide characters; copied out of the byte string, whose buffer
// need not be aligned for wchar_t.
std::optional<std::wstring> WideFrom(const char* from, std::string_view input) {
    auto bytes = Convert("WCHAR_T", from, input);
    if (!bytes)
        return std::nullopt;
    std::wstring wide(bytes->size() / sizeof(wchar_t), L'\0');
    std::memcpy(wide.data(), bytes->data(), wide.size() * sizeof(wchar_t));
    return wide;
}

} // namespace

std::optional<std::string> ToUtf8(std::string_view gbk) {
    return Convert("UTF-8", "GBK", gbk);
}

std::string ToUtf8OrAsIs(std::string_view gbk) {
    return ToUtf8(gbk).value_or(std::string(gbk));
}

std::optional<std::string> FromUtf8(std::string_view utf8) {
    return Convert("GBK", "UTF-8", utf8);
}

std::string Literal(std::string_view utf8) {
    auto text = FromUtf8(utf8);
    if (!text)
        throw std::logic_error("GBK cannot write the program's text: " + std::string(utf8));
    return *text;
}

std::optional<std::wstring> ToWide(std::string_view gbk) {
    return WideFrom("GBK", gbk);
}

std::optional<std::wstring> WideFromUtf8(std::string_view utf8) {
    auto wide = WideFrom("UTF-8", utf8);
    // glibc's decoder also takes the old five- and six-byte range beyond U+10FFFF.
    if (wide && std::any_of(wide->begin(), wide->end(),
                            [](wchar_t c) { return static_cast<char32_t>(c) > 0x10FFFF; }))
        return std::nullopt;
    return wide;
}

std::optional<std::string> Utf8FromUtf16(std::u16string_view utf16) {
    std::string bytes;
    bytes.reserve(utf16.size() * 2);
    for (char16_t c : utf16) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return Convert("UTF-8", "UTF-16LE", bytes);
}

std::optional<std::string> FromWide(std::wstring_view wide) {
    return Convert("GBK", "WCHAR_T", Bytes(wide.data(), wide.size() * sizeof(wchar_t)));
}

std::optional<std::u16string> ToUtf16(std::string_view gbk) {
    auto bytes = Convert("UTF-16LE", "GBK", gbk);
    if (!bytes)
        return std::nullopt;
    std::u16string result(bytes->size() / 2, u'\0');
    for (size_t i = 0; i < result.size(); ++i)
        result[i] = static_cast<char16_t>(static_cast<unsigned char>((*bytes)[2 * i]) |
                                          static_cast<unsigned char>((*bytes)[2 * i + 1]) << 8);
    return result;
}

bool EndsWithBackslash(std::string_view s) {
    size_t lastStart = s.size();
    for (size_t i = 0; i < s.size();) {
        lastStart = i;
        i += IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
    }
    return lastStart < s.size() && lastStart == s.size() - 1 && s[lastStart] == '\\';
}

} // namespace gbk
