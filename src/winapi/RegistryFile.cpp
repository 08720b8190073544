#include "RegistryFile.h"

#include "LinkFreePaths.h"
#include "WholeFile.h"

#include "LinuxErrors.h"
#include "advapi32.h"
#include "kernel32.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace winapi {
namespace {

constexpr std::string_view kSignature = "WINE REGISTRY Version 2";

char16_t Fold(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}

std::vector<std::u16string_view> SplitPath(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::u16string JoinPath(const std::vector<std::u16string_view>& parts) {
    std::u16string path;
    for (auto part : parts) {
        if (!path.empty())
            path += u'\\';
        path += part;
    }
    return path;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

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

bool OnlyBlanks(std::string_view rest) {
    return rest.find_first_not_of(" \t\r") == std::string_view::npos;
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

} // namespace

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

RegistryFile::Key* RegistryFile::FindKey(std::u16string_view path) {
    const std::u16string wanted = JoinPath(SplitPath(path));
    for (Key& key : keys_)
        if (SameName(key.path, wanted))
            return &key;
    return nullptr;
}

const RegistryFile::Key* RegistryFile::FindKey(std::u16string_view path) const {
    return const_cast<RegistryFile*>(this)->FindKey(path);
}

bool RegistryFile::HasKey(std::u16string_view path) const {
    return FindKey(path) != nullptr;
}

bool RegistryFile::CreateKey(std::u16string_view path) {
    if (HasKey(path))
        return false;
    std::vector<std::u16string_view> parts = SplitPath(path);
    // Take the spelling of the longest leading part that some key already has.
    for (size_t count = parts.size(); count > 0; --count) {
        const std::u16string prefix = JoinPath({parts.begin(), parts.begin() + count});
        const Key* found = nullptr;
        for (const Key& key : keys_) {
            const std::u16string_view head = std::u16string_view(key.path).substr(0, prefix.size());
            if (SameName(head, prefix) &&
                (key.path.size() == prefix.size() || key.path[prefix.size()] == u'\\')) {
                found = &key;
                break;
            }
        }
        if (found) {
            const std::vector<std::u16string_view> spelled = SplitPath(found->path);
            std::copy(spelled.begin(), spelled.begin() + count, parts.begin());
            break;
        }
    }
    const std::u16string spelledPath = JoinPath(parts);
    // Wine separates key blocks by a blank line, which the parsed layout gives to the block
    // (or header) before.
    if (keys_.empty())
        header_ += "\n";
    else
        keys_.back().entries.push_back({"\n", std::nullopt, true});
    keys_.push_back({spelledPath, {{KeyHead(spelledPath), std::nullopt, false}}});
    return true;
}

bool RegistryFile::HasSubKeys(std::u16string_view path) const {
    const std::u16string prefix = JoinPath(SplitPath(path)) + u'\\';
    for (const Key& key : keys_)
        if (key.path.size() > prefix.size() &&
            SameName(std::u16string_view(key.path).substr(0, prefix.size()), prefix))
            return true;
    return false;
}

DWORD RegistryFile::DeleteKey(std::u16string_view path) {
    // Wine's file has blocks only for keys with values or without subkeys.
    if (HasSubKeys(path))
        return ERROR_ACCESS_DENIED;
    Key* key = FindKey(path);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    const auto at = keys_.begin() + (key - keys_.data());
    // The blank line before a block belongs to the block (or header) before it; the last block
    // has none after it, so that one goes with it.
    if (at + 1 == keys_.end()) {
        if (at != keys_.begin()) {
            std::vector<Entry>& before = (at - 1)->entries;
            if (before.back().filler && before.back().text == "\n")
                before.pop_back();
        } else if (header_.ends_with("\n\n")) {
            header_.pop_back();
        }
    }
    keys_.erase(at);
    std::vector<std::u16string_view> parts = SplitPath(path);
    parts.pop_back();
    const std::u16string parent = JoinPath(parts);
    if (!parent.empty() && !HasKey(parent) && !HasSubKeys(parent))
        CreateKey(parent);
    return ERROR_SUCCESS;
}

bool RegistryFile::SetValue(std::u16string_view keyPath, std::u16string_view name,
                            const RegistryValue& value) {
    Key* key = FindKey(keyPath);
    if (!key)
        return false;
    std::string text = FormatValue(name, value);
    size_t insertAt = 1;
    for (size_t i = 0; i < key->entries.size(); ++i) {
        Entry& entry = key->entries[i];
        if (entry.name && SameName(*entry.name, name)) {
            entry.text = std::move(text);
            return true;
        }
        if (!entry.filler)
            insertAt = i + 1;
    }
    key->entries.insert(key->entries.begin() + static_cast<std::ptrdiff_t>(insertAt),
                        {std::move(text), std::u16string(name), false});
    return true;
}

bool RegistryFile::DeleteValue(std::u16string_view keyPath, std::u16string_view name) {
    Key* key = FindKey(keyPath);
    if (!key)
        return false;
    for (auto it = key->entries.begin(); it != key->entries.end(); ++it)
        if (it->name && SameName(*it->name, name)) {
            key->entries.erase(it);
            return true;
        }
    return false;
}

std::optional<RegistryValue> RegistryFile::GetValue(std::u16string_view keyPath,
                                                    std::u16string_view name) const {
    const Key* key = FindKey(keyPath);
    if (!key)
        return std::nullopt;
    for (const Entry& entry : key->entries)
        if (entry.name && SameName(*entry.name, name)) {
            size_t at = 1;
            if (!entry.name->empty())
                ParseString(entry.text, at, '"');
            return ParseData(std::string_view(entry.text).substr(at + 1));
        }
    return std::nullopt;
}

void ApplyChanges(RegistryFile& file, std::u16string_view key,
                  const std::vector<RegistryChange>& changes) {
    file.CreateKey(key);
    for (const RegistryChange& change : changes) {
        if (change.value)
            file.SetValue(key, change.name, *change.value);
        else
            file.DeleteValue(key, change.name);
    }
}

bool HoldsChanges(const RegistryFile& file, std::u16string_view key,
                  const std::vector<RegistryChange>& changes) {
    if (!file.HasKey(key))
        return false;
    // Only the last change of each name counts.
    for (size_t i = changes.size(); i-- > 0;) {
        const RegistryChange& change = changes[i];
        bool later = false;
        for (size_t k = i + 1; k < changes.size(); ++k)
            later = later || SameName(changes[k].name, change.name);
        if (later)
            continue;
        if (file.GetValue(key, change.name) != change.value)
            return false;
    }
    return true;
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

namespace {

// An open registry file held under a lock. The file may be replaced by another editor between
// open and lock; the lock then holds a stale file, so we open again.
class LockedFile {
public:
    LockedFile(const std::string& path, bool exclusive) {
        for (;;) {
            // A writer creates nothing through a link: a registry file that is one is refused,
            // and so is a link on the way to it.
            ParentFolder parent;
            if (exclusive && (error_ = OpenParentFolder(path, parent)) != 0)
                return;
            fd_ = exclusive ? openat(parent.folder.Get(), parent.name.c_str(),
                                     O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644)
                            : open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd_ < 0) {
                error_ = errno;
                return;
            }
            if (flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
                error_ = errno;
                return;
            }
            struct stat held {
            }, current{};
            if (fstat(fd_, &held) == 0 && stat(path.c_str(), &current) == 0 &&
                held.st_dev == current.st_dev && held.st_ino == current.st_ino) {
                held_ = held;
                return;
            }
            close(fd_);
        }
    }
    ~LockedFile() {
        if (fd_ >= 0)
            close(fd_); // also releases the lock
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    int Error() const { return error_; }

    std::optional<std::string> ReadAll() {
        std::string text;
        char buffer[65536];
        for (off_t offset = 0;;) {
            const ssize_t got = pread(fd_, buffer, sizeof buffer, offset);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                error_ = errno;
                return std::nullopt;
            }
            if (got == 0)
                return text;
            text.append(buffer, static_cast<size_t>(got));
            offset += got;
        }
    }

    mode_t Mode() const { return held_.st_mode & 07777; }
    const struct stat& Held() const { return held_; }

private:
    int fd_ = -1;
    int error_ = 0;
    struct stat held_ {};
};

// What tells one state of a registry file from another: a writer replacing the file makes a
// new inode, one rewriting it in place changes its modification time and mostly its size.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    explicit FileIdentity(const struct stat& st)
        : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim) {}
    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

// The registry file this process last wrote or found unchanged under its exclusive lock, parsed.
// Installing sets one value after another, and a Wine prefix's system.reg takes far longer to
// parse than to stat, so while the file keeps its identity the parsed form is used again.
struct ParsedFile {
    std::string path;
    FileIdentity identity;
    std::string text;
    RegistryFile registry;
};

std::mutex& CacheMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<ParsedFile>& Cache() {
    static std::optional<ParsedFile> cache;
    return cache;
}

// Takes the cached form of the file when the file is still in the state it was cached in.
std::optional<ParsedFile> TakeCached(const std::string& path, const FileIdentity& identity) {
    std::lock_guard lock(CacheMutex());
    std::optional<ParsedFile> cached = std::move(Cache());
    Cache().reset();
    if (cached && cached->path == path && cached->identity == identity)
        return cached;
    return std::nullopt;
}

void StoreCached(ParsedFile parsed) {
    std::lock_guard lock(CacheMutex());
    Cache() = std::move(parsed);
}

// Writes text as the whole file at path; 0 or an errno value, and the identity the new file
// has. The rename is made durable only when syncFolder is set.
int ReplaceFile(const std::string& path, std::string_view text, mode_t mode, bool syncFolder,
                std::optional<FileIdentity>& replaced) {
    struct stat written {};
    if (const int error = WriteWholeFile(path, text, {mode, syncFolder, &written}); error != 0)
        return error;
    // The rename leaves the modification time as it is.
    replaced.emplace(written);
    return 0;
}

std::optional<RegistryFile> ParseOrEmpty(std::string_view text, std::string_view arch = "win64") {
    if (text.empty())
        return RegistryFile::Empty(arch);
    return RegistryFile::Parse(text);
}

} // namespace

DWORD EditRegistryFile(const std::string& path, const std::function<DWORD(RegistryFile&)>& edit,
                       std::string_view arch, bool* unsynced) {
    LockedFile file(path, true);
    if (file.Error() != 0)
        return Win32ErrorFromErrno(file.Error());
    RemoveDeadTemporaries(path);
    const FileIdentity identity(file.Held());
    std::optional<std::string> text;
    std::optional<RegistryFile> registry;
    // An empty file is read again: what it starts as depends on arch.
    if (auto cached = identity.size > 0 ? TakeCached(path, identity) : std::nullopt) {
        text = std::move(cached->text);
        registry = std::move(cached->registry);
    } else {
        text = file.ReadAll();
        if (!text)
            return Win32ErrorFromErrno(file.Error());
        registry = ParseOrEmpty(*text, arch);
    }
    if (!registry)
        return ERROR_BADDB;
    // A failed edit may have changed part of the parsed form, which is then not kept.
    if (const DWORD error = edit(*registry); error != ERROR_SUCCESS)
        return error;
    std::string changed = registry->Text();
    if (changed == *text) {
        if (identity.size > 0)
            StoreCached({path, identity, std::move(changed), std::move(*registry)});
        return ERROR_SUCCESS;
    }
    std::optional<FileIdentity> replaced;
    if (const int error = ReplaceFile(path, changed, file.Mode(), !unsynced, replaced); error != 0)
        return Win32ErrorFromErrno(error);
    StoreCached({path, *replaced, std::move(changed), std::move(*registry)});
    if (unsynced)
        *unsynced = true;
    return ERROR_SUCCESS;
}

std::optional<RegistryFile> ReadRegistryFile(const std::string& path, DWORD* error) {
    auto fail = [&](DWORD code) -> std::optional<RegistryFile> {
        if (error)
            *error = code;
        return std::nullopt;
    };
    LockedFile file(path, false);
    if (file.Error() == ENOENT)
        return RegistryFile::Empty();
    if (file.Error() != 0)
        return fail(Win32ErrorFromErrno(file.Error()));
    const auto text = file.ReadAll();
    if (!text)
        return fail(Win32ErrorFromErrno(file.Error()));
    auto registry = ParseOrEmpty(*text);
    if (!registry)
        return fail(ERROR_BADDB);
    return registry;
}

} // namespace winapi
