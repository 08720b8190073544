// Built-in modules: libraries the program binds at run time by name ("kernel32.dll",
// "PSAPI.dll") whose exports this layer implements itself. LoadLibraryA, GetModuleHandleA and
// GetProcAddress serve them from the table in BuiltinModules.cpp; names match without regard
// to case, with or without ".dll".
#pragma once

#include "windef.h"

#include <string_view>
#include <vector>

namespace winapi {

struct BuiltinExport {
    const char* name;
    FARPROC function;
};

// One table row: {"Name", WINAPI_BUILTIN_EXPORT(Name)}.
#define WINAPI_BUILTIN_EXPORT(function)                                                            \
    { #function, reinterpret_cast < FARPROC>(&function) }

struct BuiltinModule {
    const char* name;
    std::vector<BuiltinExport> exports;
};

// The module called name (without regard to case; ".dll" may be left out), or nullptr when
// there is none or it is hidden.
const BuiltinModule* FindBuiltinModule(std::string_view name);

// True when module is one of the table's modules.
bool IsBuiltinModule(const void* module);

// The export called name of module, or nullptr when there is none or it is hidden.
FARPROC FindBuiltinExport(const BuiltinModule& module, std::string_view name);

// Test seam: a hidden module answers as missing to LoadLibraryA and GetModuleHandleA, a hidden
// export as missing to GetProcAddress. ShowAllBuiltins undoes every hiding.
void HideBuiltinModule(std::string_view module);
void HideBuiltinExport(std::string_view module, std::string_view exportName);
void ShowAllBuiltins();

} // namespace winapi
