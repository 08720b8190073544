// The 7-Zip binding as the installer uses it: create a reader over a library file, give it the
// password and a progress callback, open an archive and extract it.
#pragma once

#include "sevenzip/I7zArchiveReader.h"

// A reader bound to the library at libraryPath for the handler class classId (for instance
// CLSID_CFormat7z). Raises when the library cannot be loaded or is not a 7-Zip format library;
// an unknown class id fails only at the first open.
ComPtr<I7zArchiveReader> CreateInArchive(const CLSID& classId, const AnsiString& libraryPath);
