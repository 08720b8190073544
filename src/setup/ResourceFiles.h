// Writing the program's own resources out as files: the install action's payload.
#pragma once

#include "rtl/Streams.h"

#include <string_view>

// The bytes of the RT_RCDATA resource name, mapped from the program for its whole run.
// Raises Exception "Resource <name> not found" when the program carries no such resource.
std::string_view ResourceBytes(const char* name);

// Writes the RT_RCDATA resource name whole to fileName, creating or replacing the file.
// Raises Exception "Resource <name> not found" when the program carries no such resource,
// EFCreateError when the file cannot be created and EStreamError "Stream write error" when not
// every byte could be written.
void SaveResourceToFile(const char* name, const AnsiString& fileName);

// Writes the payload into installDir (ending in a backslash): the archive resource F1 as
// kPayloadArchiveName and the library resource F7z as kArchiveLibraryName. Raises as
// SaveResourceToFile does.
void WriteInstallPayload(const AnsiString& installDir);
