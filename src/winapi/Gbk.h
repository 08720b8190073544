// GBK (code page 936) is the program's 8-bit encoding. Conversions happen only at the edges:
// Linux file names (UTF-8), Qt (QString), the 7-Zip library and shell interfaces (wide).
// Text GBK cannot write is refused (nullopt), never mangled. The module is also the one place
// that decodes UTF-8 (Linux names compared by character) and writes it from UTF-16, through
// the same iconv converters.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gbk {

std::optional<std::string> ToUtf8(std::string_view gbk);
std::optional<std::string> FromUtf8(std::string_view utf8);
// The UTF-8 of GBK text, or the bytes as they are when they are no GBK: for messages, logs and
// records, which must keep their subject even then.
std::string ToUtf8OrAsIs(std::string_view gbk);
std::optional<std::wstring> ToWide(std::string_view gbk);
std::optional<std::string> FromWide(std::wstring_view wide);
std::optional<std::u16string> ToUtf16(std::string_view gbk);

// UTF-8 as wide characters (code points on Linux); nullopt for bytes that are not valid UTF-8,
// overlong forms and encoded surrogates included.
std::optional<std::wstring> WideFromUtf8(std::string_view utf8);

// UTF-16 as UTF-8 (arguments for programs that read UTF-8); nullopt for an unpaired surrogate.
std::optional<std::string> Utf8FromUtf16(std::u16string_view utf16);

// GBK bytes of a text written in UTF-8 in the source (the program's own Chinese texts).
// Every such text is GBK-writable; one that is not is a fault in the program and throws
// std::logic_error rather than showing mangled bytes.
std::string Literal(std::string_view utf8);

// True when the byte starts a two-byte GBK character.
constexpr bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// True when the last character of s is a single-byte "\" (a trailing 0x5C that is the
// second byte of a two-byte character does not count).
bool EndsWithBackslash(std::string_view s);

} // namespace gbk
