// The built-in module table. Adding an export is one line in its module's list.
#include "BuiltinModules.h"

#include "kernel32.h"
#include "psapi.h"
#include "tlhelp32.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <set>
#include <string>

namespace winapi {
namespace {

const BuiltinModule modules[] = {
    {"kernel32.dll",
     {
         WINAPI_BUILTIN_EXPORT(GetLastError),
         WINAPI_BUILTIN_EXPORT(SetLastError),
         WINAPI_BUILTIN_EXPORT(GetTickCount),
         WINAPI_BUILTIN_EXPORT(Sleep),
         WINAPI_BUILTIN_EXPORT(LoadLibraryA),
         WINAPI_BUILTIN_EXPORT(GetModuleHandleA),
         WINAPI_BUILTIN_EXPORT(GetProcAddress),
         WINAPI_BUILTIN_EXPORT(FreeLibrary),
         WINAPI_BUILTIN_EXPORT(CloseHandle),
         WINAPI_BUILTIN_EXPORT(OpenProcess),
         WINAPI_BUILTIN_EXPORT(TerminateProcess),
         WINAPI_BUILTIN_EXPORT(CreateToolhelp32Snapshot),
         WINAPI_BUILTIN_EXPORT(Process32First),
         WINAPI_BUILTIN_EXPORT(Process32Next),
     }},
    {"PSAPI.dll",
     {
         WINAPI_BUILTIN_EXPORT(EnumProcessModules),
         WINAPI_BUILTIN_EXPORT(GetModuleFileNameExA),
     }},
};

std::mutex hiddenMutex;
std::set<std::string> hiddenModules; // folded module names
std::set<std::string> hiddenExports; // folded module name + '!' + export name

std::string Folded(std::string_view name) {
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (folded.size() < 4 || folded.compare(folded.size() - 4, 4, ".dll") != 0)
        folded += ".dll";
    return folded;
}

} // namespace

const BuiltinModule* FindBuiltinModule(std::string_view name) {
    const std::string wanted = Folded(name);
    for (const BuiltinModule& module : modules)
        if (Folded(module.name) == wanted) {
            std::lock_guard lock(hiddenMutex);
            return hiddenModules.count(wanted) ? nullptr : &module;
        }
    return nullptr;
}

bool IsBuiltinModule(const void* module) {
    return std::any_of(std::begin(modules), std::end(modules),
                       [module](const BuiltinModule& m) { return &m == module; });
}

FARPROC FindBuiltinExport(const BuiltinModule& module, std::string_view name) {
    for (const BuiltinExport& entry : module.exports)
        if (entry.name == name) {
            std::lock_guard lock(hiddenMutex);
            return hiddenExports.count(Folded(module.name) + "!" + std::string(name))
                       ? nullptr
                       : entry.function;
        }
    return nullptr;
}

void HideBuiltinModule(std::string_view module) {
    std::lock_guard lock(hiddenMutex);
    hiddenModules.insert(Folded(module));
}

void HideBuiltinExport(std::string_view module, std::string_view exportName) {
    std::lock_guard lock(hiddenMutex);
    hiddenExports.insert(Folded(module) + "!" + std::string(exportName));
}

void ShowAllBuiltins() {
    std::lock_guard lock(hiddenMutex);
    hiddenModules.clear();
    hiddenExports.clear();
}

} // namespace winapi
