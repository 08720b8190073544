// kernel32 modules. A library file is a Linux shared object loaded with dlopen
// (RTLD_NOW | RTLD_LOCAL, so a missing symbol fails the load, as a missing import fails on
// Windows) from the Linux path its Windows path maps to; its HMODULE is the dlopen handle.
// Built-in modules are served from the table of BuiltinModules.cpp and their HMODULE is
// their table row. The running executable has its own handle (MainModule.h). The device and
// inode of each loaded file are kept, so the file functions refuse to overwrite, truncate,
// rename or delete it while it is loaded (LoadedModules.h).
#include "BuiltinModules.h"
#include "LoadedModules.h"
#include "MainModule.h"
#include "SystemRoot.h"
#include "kernel32.h"

#include <cstring>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <string>
#include <strings.h>
#include <sys/stat.h>

namespace {

struct LoadedLibrary {
    std::string linuxPath;
    dev_t device = 0;
    ino_t inode = 0;
    int references = 0;
};

std::mutex librariesMutex;
std::map<void*, LoadedLibrary> libraries; // by dlopen handle

char mainModuleMarker;

bool HasPathSeparator(std::string_view name) {
    return name.find_first_of("\\/:") != std::string_view::npos;
}

std::string_view BaseName(std::string_view path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool SameNameWithoutCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Why a file that exists could not be loaded, in Windows terms: a dependency that cannot be
// found is a missing module, a missing imported symbol a missing procedure, and anything else
// (not an ELF object, truncated, built for another machine) a bad executable format.
DWORD LoadFailureCode(const std::string& message) {
    if (message.find("cannot open shared object file") != std::string::npos)
        return ERROR_MOD_NOT_FOUND;
    if (message.find("undefined symbol") != std::string::npos)
        return ERROR_PROC_NOT_FOUND;
    return ERROR_BAD_EXE_FORMAT;
}

} // namespace

namespace winapi {

bool IsLoadedLibraryFile(dev_t device, ino_t inode) {
    std::lock_guard lock(librariesMutex);
    for (const auto& [handle, library] : libraries)
        if (library.device == device && library.inode == inode)
            return true;
    return false;
}

HMODULE MainModuleHandle() {
    return reinterpret_cast<HMODULE>(&mainModuleMarker);
}

bool IsMainModule(HMODULE module) {
    return !module || module == MainModuleHandle();
}

} // namespace winapi

HMODULE LoadLibraryA(LPCSTR fileName) {
    const std::string_view name = fileName ? fileName : "";
    if (!HasPathSeparator(name)) {
        // A bare name: only built-in modules are found; there is no search path.
        if (const auto* module = winapi::FindBuiltinModule(name))
            return reinterpret_cast<HMODULE>(const_cast<winapi::BuiltinModule*>(module));
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const auto path = winapi::ToLinuxPath(name);
    if (!path) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    struct stat st {};
    if (stat(path->c_str(), &st) != 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    void* handle = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* message = dlerror();
        SetLastError(LoadFailureCode(message ? message : ""));
        return nullptr;
    }
    std::lock_guard lock(librariesMutex);
    LoadedLibrary& library = libraries[handle];
    library.linuxPath = *path;
    library.device = st.st_dev;
    library.inode = st.st_ino;
    ++library.references;
    return static_cast<HMODULE>(handle);
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    if (!moduleName)
        return winapi::MainModuleHandle();
    if (const auto* module = winapi::FindBuiltinModule(BaseName(moduleName)))
        return reinterpret_cast<HMODULE>(const_cast<winapi::BuiltinModule*>(module));
    std::lock_guard lock(librariesMutex);
    for (const auto& [handle, library] : libraries)
        if (SameNameWithoutCase(BaseName(library.linuxPath), BaseName(moduleName)))
            return static_cast<HMODULE>(handle);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    // Ordinals (values below 0x10000) have no meaning for Linux objects.
    if (reinterpret_cast<std::uintptr_t>(procName) < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    if (winapi::IsBuiltinModule(module)) {
        const auto* builtin = reinterpret_cast<const winapi::BuiltinModule*>(module);
        if (FARPROC function = winapi::FindBuiltinExport(*builtin, procName))
            return function;
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    {
        std::lock_guard lock(librariesMutex);
        if (!libraries.count(module)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
    }
    void* symbol = dlsym(module, procName);
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
    if (winapi::IsBuiltinModule(module))
        return TRUE;
    std::lock_guard lock(librariesMutex);
    auto it = libraries.find(module);
    if (it == libraries.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--it->second.references == 0)
        libraries.erase(it);
    dlclose(module);
    return TRUE;
}
