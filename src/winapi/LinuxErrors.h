// Linux errno values as the Win32 error codes a Windows program expects from the same failure.
#pragma once

#include "windef.h"

namespace winapi {

// The Win32 code for errno err. ENOENT gives ERROR_FILE_NOT_FOUND; callers that know the
// missing piece is a folder use ERROR_PATH_NOT_FOUND themselves.
DWORD Win32ErrorFromErrno(int err);

// SetLastError(Win32ErrorFromErrno(err)).
void SetLastErrorFromErrno(int err);

} // namespace winapi
