// Writing the program's own resources out as files: the install action's payload.
#pragma once

#include "rtl/Streams.h"
#include "winapi/FileDescriptor.h"

#include <cstdint>
#include <string_view>

// The bytes of the RT_RCDATA resource name, mapped from the program for its whole run.
// Raises Exception "Resource <name> not found" when the program carries no such resource.
std::string_view ResourceBytes(const char* name);

// The offset in the executable file of the mapped byte at address, or -1 outside it: resources
// lie in a loaded segment, mapped page for page from the file.
std::int64_t FileOffsetOf(const void* address);

// Writes the RT_RCDATA resource name whole to fileName, creating or replacing the file. The
// bytes are copied from the executable file inside the kernel, to a temporary name in the
// folder that is then renamed over fileName: the file is written completely or left as it was,
// and no partial file remains. Raises Exception "Resource <name> not found" when the program
// carries no such resource, and EFCreateError "Cannot create file "<fileName>". <system text>"
// for any failure to create, fill or put the file in place (a full disk gives the disk-full
// text). Returns a read-only descriptor of the file written, which reads its bytes whatever is
// renamed over fileName afterwards.
winapi::FileDescriptor SaveResourceToFile(const char* name, const AnsiString& fileName);
