// kernel32 error state. The last error is per thread, as on Windows. The error mode only
// records what the program asks for: Linux never shows critical-error dialogs, so there is
// nothing for it to suppress.
#include "LinuxErrors.h"
#include "kernel32.h"

#include <atomic>
#include <cerrno>

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;
std::atomic<UINT> errorMode{0};

} // namespace

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD code) {
    lastError = code;
}

UINT SetErrorMode(UINT mode) {
    return errorMode.exchange(mode);
}

namespace winapi {

DWORD Win32ErrorFromErrno(int err) {
    switch (err) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ERROR_DISK_FULL;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM:
        return ERROR_NOT_READY;
    case EIO:
        return ERROR_IO_DEVICE;
    case EILSEQ:
        return ERROR_NO_UNICODE_TRANSLATION;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

void SetLastErrorFromErrno(int err) {
    SetLastError(Win32ErrorFromErrno(err));
}

} // namespace winapi
