#include "skin/SkinIni.h"

#include "skin/SkinErrors.h"

#include <charconv>
#include <climits>

namespace {

// Blanks and control characters are trimmed, as the engine's Trim does.
std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

} // namespace

SkinIni SkinIni::Parse(std::span<const std::uint8_t> bytes) {
    SkinIni ini;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    Section* current = nullptr;
    for (std::string_view raw : SplitLines(text)) {
        std::string_view line = Trim(raw);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            ini.sections_.push_back({AnsiString(Trim(line.substr(1, line.size() - 2))), {}});
            current = &ini.sections_.back();
            continue;
        }
        std::size_t eq = line.find('=');
        if (current == nullptr || eq == std::string_view::npos)
            continue;
        current->Values.emplace_back(AnsiString(Trim(line.substr(0, eq))),
                                     AnsiString(Trim(line.substr(eq + 1))));
    }
    return ini;
}

const SkinIni::Section* SkinIni::FindSection(std::string_view section) const {
    for (const Section& s : sections_)
        if (SameText(s.Name, section))
            return &s;
    return nullptr;
}

bool SkinIni::HasSection(std::string_view section) const {
    return FindSection(section);
}

std::optional<AnsiString> SkinIni::Find(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(section);
    if (s == nullptr)
        return std::nullopt;
    for (const auto& [name, value] : s->Values)
        if (SameText(name, key))
            return value;
    return std::nullopt;
}

AnsiString SkinIni::ReadString(std::string_view section, std::string_view key,
                               const AnsiString& def) const {
    return Find(section, key).value_or(def);
}

int SkinIni::ReadInteger(std::string_view section, std::string_view key, int def) const {
    auto value = Find(section, key);
    if (!value)
        return def;
    return TryStrToInt(*value).value_or(def);
}

bool SkinIni::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) == 1;
}

TRect SkinIni::ReadRect(std::string_view section, std::string_view key) const {
    std::vector<int> f = ReadDigitFields(ReadString(section, key, "0,0,0,0"), 4);
    f.resize(4, 0);
    return TRect{f[0], f[1], f[2], f[3]};
}

TPoint SkinIni::ReadPoint(std::string_view section, std::string_view key) const {
    std::vector<int> f = ReadDigitFields(ReadString(section, key, "0,0"), 2);
    f.resize(2, 0);
    return TPoint{f[0], f[1]};
}

TFontStyles SkinIni::ReadFontStyle(std::string_view section, std::string_view key) const {
    return ParseFontStyle(ReadString(section, key, ""));
}

std::optional<int> TryStrToInt(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (negative)
        value = -value;
    if (value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

std::vector<int> ReadDigitFields(std::string_view value, std::size_t maxFields) {
    std::vector<int> fields;
    // An empty value is one field without a digit, a conversion error like any other.
    std::size_t start = 0;
    while (fields.size() < maxFields && start <= value.size()) {
        std::size_t comma = value.find(',', start);
        std::string_view field = value.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        AnsiString digits;
        for (char c : field)
            if (c >= '0' && c <= '9')
                digits += c;
        auto number = TryStrToInt(digits);
        if (!number)
            throw EConvertError(digits);
        fields.push_back(*number);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return fields;
}

TFontStyles ParseFontStyle(std::string_view value) {
    TFontStyles styles;
    if (value.find("fsbold") != std::string_view::npos)
        styles.Include(fsBold);
    if (value.find("fsitalic") != std::string_view::npos)
        styles.Include(fsItalic);
    if (value.find("fsunderline") != std::string_view::npos)
        styles.Include(fsUnderline);
    if (value.find("fsstrikeout") != std::string_view::npos)
        styles.Include(fsStrikeOut);
    return styles;
}
