// The ini text of a stored skin, read with the skin engine's line rules, and the value forms
// of its keys (integers, Booleans, colours, points, rectangles, font styles).
#pragma once

#include "rtl/SysUtils.h"
#include "rtl/Types.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

class SkinIni {
public:
    struct Section {
        AnsiString Name;
        std::vector<std::pair<AnsiString, AnsiString>> Values; // in file order
    };

    // Splits the text into lines (CR LF, LF or CR) and applies the line rules.
    static SkinIni Parse(std::span<const std::uint8_t> text);

    bool HasSection(std::string_view section) const;
    const Section* FindSection(std::string_view section) const;
    const std::vector<Section>& Sections() const { return sections_; }

    // Each reader gives the key's value in its form, or the default when the key is
    // missing. Section names and keys match without regard to case.
    AnsiString ReadString(std::string_view section, std::string_view key,
                          const AnsiString& def) const;
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    TRect ReadRect(std::string_view section, std::string_view key) const;
    TPoint ReadPoint(std::string_view section, std::string_view key) const;
    TFontStyles ReadFontStyle(std::string_view section, std::string_view key) const;

private:
    std::optional<AnsiString> Find(std::string_view section, std::string_view key) const;

    std::vector<Section> sections_;
};

// The integer conversion of the engine: optional sign and decimal digits, with surrounding
// blanks allowed; nullopt when the text is no integer or out of range.
std::optional<int> TryStrToInt(std::string_view text);

// Splits a value at commas and keeps only the digits of each field; at most maxFields
// fields are read. A field without digits raises EConvertError.
std::vector<int> ReadDigitFields(std::string_view value, std::size_t maxFields);

// The set of "fsbold", "fsitalic", "fsunderline", "fsstrikeout" found in the text (exact case).
TFontStyles ParseFontStyle(std::string_view value);
