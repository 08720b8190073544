// Path routines of the run-time library for GBK Windows paths: trailing backslashes, the
// folder part of a path, whether a folder exists, and creating one with its missing parents.
// A 0x5C byte that is the second half of a two-byte GBK character is never a separator.
#pragma once

#include "rtl/SysUtils.h"

// The path with "\" appended unless its last character is a single-byte "\".
AnsiString IncludeTrailingBackslash(const AnsiString& path);

// The path without its final single-byte "\", if it has one.
AnsiString ExcludeTrailingBackslash(const AnsiString& path);

// The folder part of a path with its trailing separator: everything up to and including the
// last "\", "/" or drive ":"; empty when there is none.
AnsiString ExtractFilePath(const AnsiString& path);

// True when the path names an existing folder.
bool DirectoryExists(const AnsiString& path);

// Creates the folder and every missing parent, outermost first, each with CreateDirectoryA.
// A path that (without one trailing separator) is shorter than 3 characters, exists, or is its
// own parent needs nothing. False at the first level that cannot be created, with
// GetLastError telling why.
bool ForceDirectories(const AnsiString& dir);
