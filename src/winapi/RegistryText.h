// Wine's registry text format below the key model of RegistryFile: the escaping of strings and
// key paths, value lines and the head of a new key's block.
#pragma once

#include "RegistryFile.h"

#include <optional>
#include <string>
#include <string_view>

namespace winapi {

inline constexpr std::string_view kSignature = "WINE REGISTRY Version 2";

// Reads an escaped string up to the unescaped end character, as Wine's server does; pos is
// left after the end character. nullopt when the end character never comes.
std::optional<std::u16string> ParseString(std::string_view line, size_t& pos, char end);

// Writes text escaped as Wine does, with a backslash before the special characters too.
std::string EscapeString(std::u16string_view text, std::string_view special);

// Parses the data part of a value (after "="); the text may span continuation lines.
std::optional<RegistryValue> ParseData(std::string_view text);

// The value line (or lines) of a value.
std::string FormatValue(std::u16string_view name, const RegistryValue& value);

// The "[path] seconds" line and "#time=" option of a key made now.
std::string KeyHead(std::u16string_view path);

} // namespace winapi
