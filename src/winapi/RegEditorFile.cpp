#include "RegEditorFile.h"

#include "RegistryKeyPath.h"
#include "RegistryText.h"

#include "advapi32.h"

#include <cstdio>

namespace winapi {

std::optional<RegistryFile> RegistryFile::FromRegExport(std::u16string_view text) {
    constexpr std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";
    constexpr std::u16string_view kRoot = u"HKEY_LOCAL_MACHINE";
    if (!text.empty() && text.front() == u'\xFEFF')
        text.remove_prefix(1);
    if (text.substr(0, kHeader.size()) != kHeader)
        return std::nullopt;
    // Rewritten line by line into Wine's own format: key lines get escaped paths relative to
    // the branch, other characters beyond ASCII become "\x" escapes, line ends lose their "\r".
    std::string wine = std::string(kSignature) + "\n";
    char buffer[16];
    for (size_t pos = kHeader.size(); pos < text.size();) {
        size_t end = text.find(u'\n', pos);
        if (end == std::u16string_view::npos)
            end = text.size();
        std::u16string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        if (!line.empty() && line.front() == u'[') {
            if (line.back() != u']' || !SameName(line.substr(1, kRoot.size()), kRoot))
                return std::nullopt;
            const auto path = line.substr(1 + kRoot.size(), line.size() - 2 - kRoot.size());
            wine += "[" + EscapeString(JoinPath(SplitPath(path)), "[]") + "] 0\n";
            continue;
        }
        for (char16_t c : line) {
            if (c > 127) {
                std::snprintf(buffer, sizeof buffer, "\\x%04x", static_cast<unsigned>(c));
                wine += buffer;
            } else {
                wine += static_cast<char>(c);
            }
        }
        wine += '\n';
    }
    return Parse(wine);
}

namespace {

std::u16string Widened(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// A string between quotes in a .reg file: only these four characters are escaped there.
std::u16string RegQuoted(std::u16string_view text) {
    std::u16string out = u"\"";
    for (char16_t c : text) {
        if (c == u'\r' || c == u'\n') {
            out += c == u'\r' ? u"\\r" : u"\\n";
            continue;
        }
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    return out + u"\"";
}

// A value's data in a .reg file. Only a terminated REG_SZ without inner zeros is written as
// text, so the import stores exactly the bytes given.
std::u16string RegData(const RegistryValue& value) {
    const std::string& data = value.data;
    const size_t size = data.size();
    char buffer[32];
    if (value.type == REG_SZ && size >= 2 && size % 2 == 0) {
        const std::u16string chars = FromUtf16Le(data);
        if (chars.find(u'\0') == chars.size() - 1)
            return RegQuoted(std::u16string_view(chars).substr(0, chars.size() - 1));
    }
    if (value.type == REG_DWORD && size == 4) {
        DWORD number = 0;
        for (int i = 3; i >= 0; --i)
            number = number << 8 | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
        std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
        return Widened(buffer);
    }
    if (value.type == REG_BINARY)
        std::snprintf(buffer, sizeof buffer, "hex:");
    else
        std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
    std::u16string out = Widened(buffer);
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(buffer, sizeof buffer, i + 1 < size ? "%02x," : "%02x",
                      static_cast<unsigned char>(data[i]));
        out += Widened(buffer);
    }
    return out;
}

} // namespace

std::u16string RegImportText(std::u16string_view key, const std::vector<RegistryChange>& changes) {
    std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\" +
                          JoinPath(SplitPath(key)) + u"]\r\n";
    for (const RegistryChange& change : changes) {
        text += change.name.empty() ? std::u16string(u"@") : RegQuoted(change.name);
        text += u"=";
        text += change.value ? RegData(*change.value) : std::u16string(u"-");
        text += u"\r\n";
    }
    return text;
}

} // namespace winapi
