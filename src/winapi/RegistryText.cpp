#include "RegistryText.h"

#include "advapi32.h"

#include <cstdio>
#include <ctime>

namespace winapi {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool OnlyBlanks(std::string_view rest) {
    return rest.find_first_not_of(" \t\r") == std::string_view::npos;
}

} // namespace

// Reads an escaped string up to the unescaped end character, as Wine's server does; pos is
// left after the end character. nullopt when the end character never comes.
std::optional<std::u16string> ParseString(std::string_view line, size_t& pos, char end) {
    std::u16string out;
    while (pos < line.size() && line[pos] != end) {
        unsigned char c = static_cast<unsigned char>(line[pos++]);
        if (c != '\\') {
            out += static_cast<char16_t>(c);
            continue;
        }
        if (pos >= line.size())
            return std::nullopt;
        char e = line[pos++];
        switch (e) {
        case 'a':
            out += u'\a';
            break;
        case 'b':
            out += u'\b';
            break;
        case 'e':
            out += char16_t{0x1B};
            break;
        case 'f':
            out += u'\f';
            break;
        case 'n':
            out += u'\n';
            break;
        case 'r':
            out += u'\r';
            break;
        case 't':
            out += u'\t';
            break;
        case 'v':
            out += u'\v';
            break;
        case 'x': {
            if (pos >= line.size() || HexDigit(line[pos]) < 0) {
                out += u'x';
                break;
            }
            unsigned value = 0;
            for (int i = 0; i < 4 && pos < line.size() && HexDigit(line[pos]) >= 0; ++i)
                value = value * 16 + static_cast<unsigned>(HexDigit(line[pos++]));
            out += static_cast<char16_t>(value);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                unsigned value = static_cast<unsigned>(e - '0');
                for (int i = 0; i < 2 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7';
                     ++i)
                    value = value * 8 + static_cast<unsigned>(line[pos++] - '0');
                out += static_cast<char16_t>(value);
            } else {
                out += static_cast<char16_t>(static_cast<unsigned char>(e));
            }
        }
    }
    if (pos >= line.size())
        return std::nullopt;
    ++pos;
    return out;
}

// Writes text escaped as Wine does: C escapes and octal below 32, "\x" hex above 127 (four
// digits when a hex digit follows), a backslash before "\" and the two special characters.
std::string EscapeString(std::u16string_view text, std::string_view special) {
    static constexpr char kEscapes[] = ".......abtnvfr.............e....";
    std::string out;
    char buffer[16];
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool more = i + 1 < text.size();
        if (c > 127) {
            const bool hexFollows =
                more && text[i + 1] < 128 && HexDigit(static_cast<char>(text[i + 1])) >= 0;
            std::snprintf(buffer, sizeof buffer, hexFollows ? "\\x%04x" : "\\x%x",
                          static_cast<unsigned>(c));
            out += buffer;
        } else if (c < 32) {
            if (kEscapes[c] != '.') {
                out += '\\';
                out += kEscapes[c];
            } else {
                const bool octalFollows = more && text[i + 1] >= u'0' && text[i + 1] <= u'7';
                std::snprintf(buffer, sizeof buffer, octalFollows ? "\\%03o" : "\\%o",
                              static_cast<unsigned>(c));
                out += buffer;
            }
        } else {
            if (c == u'\\' || special.find(static_cast<char>(c)) != std::string_view::npos)
                out += '\\';
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Parses the data part of a value (after "="); the text may span continuation lines.
std::optional<RegistryValue> ParseData(std::string_view text) {
    RegistryValue value;
    size_t pos = 0;
    auto startsWith = [&](std::string_view prefix) {
        if (text.substr(pos, prefix.size()) != prefix)
            return false;
        pos += prefix.size();
        return true;
    };
    if (startsWith("\"") || startsWith("str:\"") || startsWith("str(2):\"") ||
        startsWith("str(7):\"")) {
        value.type = text.substr(0, 4) == "str(" ? static_cast<DWORD>(text[4] - '0') : REG_SZ;
        auto chars = ParseString(text, pos, '"');
        if (!chars || !OnlyBlanks(text.substr(pos, text.size() - pos - 1)))
            return std::nullopt;
        value.data = RegistryString(*chars);
        return value;
    }
    if (startsWith("dword:")) {
        DWORD number = 0;
        int digits = 0;
        for (; digits < 8 && pos < text.size() && HexDigit(text[pos]) >= 0; ++digits)
            number = number * 16 + static_cast<DWORD>(HexDigit(text[pos++]));
        if (digits == 0 || !OnlyBlanks(text.substr(pos, text.size() - pos - 1)))
            return std::nullopt;
        value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            value.data += static_cast<char>(number >> (8 * i) & 0xFF);
        return value;
    }
    if (startsWith("hex:")) {
        value.type = REG_BINARY;
    } else if (startsWith("hex(")) {
        DWORD type = 0;
        int digits = 0;
        for (; pos < text.size() && HexDigit(text[pos]) >= 0; ++digits)
            type = type * 16 + static_cast<DWORD>(HexDigit(text[pos++]));
        if (digits == 0 || !startsWith("):"))
            return std::nullopt;
        value.type = type;
    } else {
        return std::nullopt;
    }
    // Bytes "xx" separated by commas; a backslash at the end of a line continues on the next,
    // whose leading blanks are skipped.
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == ' ' || c == '\t' || c == ',' || c == '\n' || c == '\r') {
            ++pos;
        } else if (c == '\\' && text.substr(pos + 1, 1) == "\n") {
            pos += 2;
        } else if (pos + 1 < text.size() && HexDigit(c) >= 0 && HexDigit(text[pos + 1]) >= 0) {
            value.data += static_cast<char>(HexDigit(c) * 16 + HexDigit(text[pos + 1]));
            pos += 2;
        } else {
            return std::nullopt;
        }
    }
    return value;
}

std::string FormatValue(std::u16string_view name, const RegistryValue& value) {
    std::string out = name.empty() ? "@=" : "\"" + EscapeString(name, "\"") + "\"=";
    const bool isString =
        value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ;
    const size_t size = value.data.size();
    // Only properly terminated strings are written as text, as Wine does.
    if (isString && size >= 2 && size % 2 == 0 && value.data[size - 1] == 0 &&
        value.data[size - 2] == 0) {
        if (value.type != REG_SZ)
            out += "str(" + std::to_string(value.type) + "):";
        const std::u16string chars = FromUtf16Le(value.data.substr(0, size - 2));
        return out + "\"" + EscapeString(chars, "\"") + "\"\n";
    }
    char buffer[32];
    if (value.type == REG_DWORD && size == 4) {
        DWORD number = 0;
        for (int i = 3; i >= 0; --i)
            number = number << 8 | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
        std::snprintf(buffer, sizeof buffer, "dword:%08x\n", number);
        return out + buffer;
    }
    if (value.type == REG_BINARY) {
        out += "hex:";
    } else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
        out += buffer;
    }
    size_t count = out.size();
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(value.data[i]));
        out += buffer;
        count += 2;
        if (i + 1 < size) {
            out += ',';
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    return out + "\n";
}

// The "[path] seconds" line and "#time=" option of a key made now.
std::string KeyHead(std::u16string_view path) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const unsigned long long fileTime = static_cast<unsigned long long>(now.tv_sec) * 10000000ULL +
                                        static_cast<unsigned long long>(now.tv_nsec) / 100 +
                                        116444736000000000ULL;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "] %lld\n#time=%llx\n", static_cast<long long>(now.tv_sec),
                  fileTime);
    return "[" + EscapeString(path, "[]") + buffer;
}

std::u16string FromUtf16Le(std::string_view bytes) {
    std::u16string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    return out;
}

std::string Utf16LeBytes(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string RegistryString(std::u16string_view text) {
    return Utf16LeBytes(text) + std::string(2, '\0');
}

RegistryFile RegistryFile::Empty(std::string_view arch) {
    RegistryFile file;
    // Wine takes a prefix whose registry names no architecture for a 32-bit one, so the line is
    // always written.
    file.header_ = std::string(kSignature) +
                   "\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=" + std::string(arch) +
                   "\n";
    return file;
}

std::optional<RegistryFile> RegistryFile::Parse(std::string_view text) {
    // Wine always ends the file with a line break; a file without one was cut off.
    if (text.substr(0, kSignature.size() + 1) != std::string(kSignature) + "\n" ||
        text.back() != '\n')
        return std::nullopt;
    RegistryFile file;
    file.header_ = std::string(kSignature) + "\n";
    size_t pos = file.header_.size();
    while (pos < text.size()) {
        size_t end = text.find('\n', pos) + 1;
        std::string_view line = text.substr(pos, end - pos);
        const char first = line[0];
        if (first == '[') {
            size_t at = 1;
            auto path = ParseString(line, at, ']');
            if (!path ||
                line.substr(at).find_first_not_of("0123456789 \t\r\n") != std::string_view::npos)
                return std::nullopt;
            file.keys_.push_back({*path, {{std::string(line), std::nullopt, false}}});
        } else if (first == '"' || first == '@') {
            if (file.keys_.empty())
                return std::nullopt;
            // A value ends at the first line that does not end in a continuation backslash.
            while (end >= 2 && text[end - 2] == '\\') {
                if (end == text.size())
                    return std::nullopt;
                end = text.find('\n', end) + 1;
            }
            std::string_view entry = text.substr(pos, end - pos);
            size_t at = 1;
            std::u16string name;
            if (first == '"') {
                auto parsed = ParseString(entry, at, '"');
                if (!parsed)
                    return std::nullopt;
                name = *parsed;
            }
            if (entry.substr(at, 1) != "=" || !ParseData(entry.substr(at + 1)))
                return std::nullopt;
            file.keys_.back().entries.push_back({std::string(entry), name, false});
            line = entry;
        } else if (first == '#' || first == ';' || OnlyBlanks(line.substr(0, line.size() - 1))) {
            const bool filler = first != '#';
            if (file.keys_.empty())
                file.header_ += line;
            else
                file.keys_.back().entries.push_back({std::string(line), std::nullopt, filler});
        } else {
            return std::nullopt;
        }
        pos += line.size();
    }
    return file;
}

std::string RegistryFile::Text() const {
    std::string text = header_;
    for (const Key& key : keys_)
        for (const Entry& entry : key.entries)
            text += entry.text;
    return text;
}

} // namespace winapi
