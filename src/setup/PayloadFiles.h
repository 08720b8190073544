// The payload the install action wrote, held open from its check to the extraction. The
// archive is read and the library loaded through these descriptors, never by their names in
// the install folder: a file renamed or linked over those names in between is not used.
#pragma once

#include "rtl/SysUtils.h"
#include "winapi/FileDescriptor.h"

#include <optional>

class TPayloadFiles {
public:
    TPayloadFiles(winapi::FileDescriptor archive, winapi::FileDescriptor library);

    // Windows paths that reach the held files themselves (through /proc/self/fd), for the
    // archive binding, which opens and loads by path; valid while this object lives.
    AnsiString ArchivePath() const;
    AnsiString LibraryPath() const;

private:
    winapi::FileDescriptor archive_;
    winapi::FileDescriptor library_;
};

// The payload of this run: set by the install action, taken by the install sequence. Empty
// until an install action has written it.
std::optional<TPayloadFiles>& HeldPayload();
