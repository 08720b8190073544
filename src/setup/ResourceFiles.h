// Writing one of the program's own resources out as a file (the install action's payload).
#pragma once

#include "rtl/Streams.h"

// Writes the RT_RCDATA resource name whole to fileName, creating or replacing the file.
// Raises Exception "Resource <name> not found" when the program carries no such resource,
// EFCreateError when the file cannot be created and EStreamError "Stream write error" when not
// every byte could be written.
void SaveResourceToFile(const char* name, const AnsiString& fileName);
