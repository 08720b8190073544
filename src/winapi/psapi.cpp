#include "psapi.h"

#include "LinuxProcesses.h"
#include "kernel32.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The main module's handle is its usual image base, as for a Windows executable.
HMODULE const kMainModule = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x400000));

// The Windows path of an inspectable process's executable; nullopt with the last error set.
std::optional<std::string> InspectExecutable(HANDLE process) {
    auto object = winapi::FindHandleAs<winapi::ProcessObject>(process);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return std::nullopt;
    }
    if (!object->Allows(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    auto path = winapi::ExecutableWindowsPath(object->Id());
    // The path must belong to the process the handle names, not to a later one with its id.
    if (!path || object->Signal(0) != 0) {
        SetLastError(ERROR_PARTIAL_COPY);
        return std::nullopt;
    }
    return path;
}

} // namespace

BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD size, LPDWORD needed) {
    if (!needed) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!InspectExecutable(process))
        return FALSE;
    *needed = sizeof(HMODULE);
    if (modules && size >= sizeof(HMODULE))
        modules[0] = kMainModule;
    return TRUE;
}

DWORD GetModuleFileNameExA(HANDLE process, HMODULE module, LPSTR fileName, DWORD size) {
    if (!fileName || size == 0 || (module && module != kMainModule)) {
        SetLastError(module && module != kMainModule ? ERROR_INVALID_HANDLE
                                                     : ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto path = InspectExecutable(process);
    if (!path)
        return 0;
    const size_t length = std::min<size_t>(path->size(), size - 1);
    std::memcpy(fileName, path->data(), length);
    fileName[length] = '\0';
    return static_cast<DWORD>(length);
}
