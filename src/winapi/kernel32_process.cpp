// kernel32 processes on Linux. A process may be opened only when it belongs to our own user
// and we may signal it, so another user's process is never opened, even by root; nor is a
// program Wine runs for another system root. Terminating
// sends SIGKILL, which ends the process at once; Linux has no exit code to hand it.
#include "LinuxErrors.h"
#include "LinuxProcesses.h"
#include "kernel32.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

HANDLE OpenProcess(DWORD desiredAccess, BOOL /*inheritHandle*/, DWORD processId) {
    int pidfd = winapi::OpenPidfd(processId);
    if (pidfd < 0 && errno != ENOSYS) {
        SetLastError(errno == ESRCH || errno == EINVAL ? ERROR_INVALID_PARAMETER
                                                       : winapi::Win32ErrorFromErrno(errno));
        return nullptr;
    }
    auto process =
        std::make_shared<winapi::ProcessObject>(processId, pidfd < 0 ? -1 : pidfd, desiredAccess);
    // The owner is read while the pidfd is held; the signal test afterwards makes sure the
    // process read about is still the one the pidfd names.
    if (!winapi::OwnedByUs(processId)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    // A program Wine runs for another system root is not a process of this system.
    if (!winapi::InThisSystem(processId)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (const int error = process->Signal(0); error != 0) {
        SetLastError(error == ESRCH ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return winapi::InsertHandle(std::move(process));
}

BOOL TerminateProcess(HANDLE process, UINT /*exitCode*/) {
    auto object = winapi::FindHandleAs<winapi::ProcessObject>(process);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!object->Allows(PROCESS_TERMINATE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // A process that has already ended cannot be terminated: access denied, as on Windows.
    if (object->Signal(SIGKILL) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

DWORD GetCurrentProcessId() {
    return static_cast<DWORD>(getpid());
}
