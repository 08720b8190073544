// Where ExtractTo writes an item: the item's path from the archive, checked so it cannot
// leave the extract folder, with Windows separators, in GBK.
#pragma once

#include "rtl/SysUtils.h"

#include <string>
#include <string_view>

// The item's path relative to the extract folder. Raises Exception naming the item for a path
// that would land outside the folder (absolute, a drive letter, a ".." component) and for a
// path GBK cannot write.
AnsiString ItemTargetPath(std::wstring_view itemPath);

// The folder part of a path: everything before its last separator or drive colon, GBK-aware.
AnsiString ExtractFileFolder(std::string_view path);

// Creates the folder and every missing parent; false when it does not exist afterwards.
bool ForceDirectories(const AnsiString& folder);

// A GBK rendition of a wide text for messages: characters GBK cannot write become '?'.
AnsiString MessageText(std::wstring_view text);
