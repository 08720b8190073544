// Install folder paths as the options window handles them: the GBK-aware trailing backslash
// rule and creating a folder with all its missing parents.
#pragma once

#include "rtl/SysUtils.h"

// The path with "\" appended unless its last character is a single-byte "\" (a final 0x5C
// that is the second byte of a GBK character gets one).
AnsiString IncludeTrailingBackslash(const AnsiString& path);

// True when the path names an existing folder.
bool FolderExists(const AnsiString& path);

// Creates the folder and every missing parent, outermost first, each with CreateDirectoryA.
// A path that (without its trailing backslash) is shorter than 3 characters, exists, or is its
// own parent needs nothing. False at the first level that cannot be created, with
// GetLastError telling why.
bool CreateFolderPath(const AnsiString& folder);
