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

// A GBK rendition of a wide text for messages: characters GBK cannot write become '?'.
AnsiString MessageText(std::wstring_view text);
