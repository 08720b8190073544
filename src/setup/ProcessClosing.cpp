#include "ProcessClosing.h"

#include "rtl/Application.h"

#include "winapi/kernel32.h"
#include "winapi/psapi.h"
#include "winapi/tlhelp32.h"

#include <algorithm>

namespace {

using CreateToolhelp32SnapshotFunction = HANDLE (*)(DWORD, DWORD);
using Process32Function = BOOL (*)(HANDLE, PROCESSENTRY32*);
using EnumProcessModulesFunction = BOOL (*)(HANDLE, HMODULE*, DWORD, LPDWORD);
using GetModuleFileNameExAFunction = DWORD (*)(HANDLE, HMODULE, LPSTR, DWORD);

// Run-time binding state for the life of the process. Only the entry points this unit calls
// are resolved.
struct ToolHelpBinding {
    HMODULE kernel32 = nullptr;
    CreateToolhelp32SnapshotFunction createSnapshot = nullptr;
    Process32Function first = nullptr;
    Process32Function next = nullptr;
} toolHelp;

struct PsapiBinding {
    HMODULE library = nullptr;
    EnumProcessModulesFunction enumProcessModules = nullptr;
    GetModuleFileNameExAFunction getModuleFileNameExA = nullptr;
} psapi;

template <class Function> Function Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(GetProcAddress(module, name));
}

// Resolved once; while kernel32's handle is 0 every use tries again.
bool ToolHelpAvailable() {
    if (!toolHelp.kernel32) {
        toolHelp.kernel32 = GetModuleHandleA("kernel32.dll");
        if (toolHelp.kernel32) {
            toolHelp.createSnapshot = Resolve<CreateToolhelp32SnapshotFunction>(
                toolHelp.kernel32, "CreateToolhelp32Snapshot");
            toolHelp.first = Resolve<Process32Function>(toolHelp.kernel32, "Process32First");
            toolHelp.next = Resolve<Process32Function>(toolHelp.kernel32, "Process32Next");
        }
    }
    return toolHelp.kernel32 && toolHelp.createSnapshot;
}

// A handle value below 32 is a failed load, as LoadLibrary has always reported it.
bool PsapiAvailable() {
    if (!psapi.library) {
        psapi.library = LoadLibraryA("PSAPI.dll");
        if (reinterpret_cast<std::uintptr_t>(psapi.library) < 32) {
            psapi.library = nullptr;
            return false;
        }
        psapi.enumProcessModules =
            Resolve<EnumProcessModulesFunction>(psapi.library, "EnumProcessModules");
        psapi.getModuleFileNameExA =
            Resolve<GetModuleFileNameExAFunction>(psapi.library, "GetModuleFileNameExA");
    }
    return true;
}

HANDLE BoundCreateSnapshot(DWORD flags, DWORD processId) {
    return ToolHelpAvailable() ? toolHelp.createSnapshot(flags, processId) : nullptr;
}

BOOL BoundProcess32First(HANDLE snapshot, PROCESSENTRY32* entry) {
    return ToolHelpAvailable() && toolHelp.first ? toolHelp.first(snapshot, entry) : FALSE;
}

BOOL BoundProcess32Next(HANDLE snapshot, PROCESSENTRY32* entry) {
    return ToolHelpAvailable() && toolHelp.next ? toolHelp.next(snapshot, entry) : FALSE;
}

BOOL BoundEnumProcessModules(HANDLE process, HMODULE* modules, DWORD size, LPDWORD needed) {
    return PsapiAvailable() && psapi.enumProcessModules
               ? psapi.enumProcessModules(process, modules, size, needed)
               : FALSE;
}

DWORD BoundGetModuleFileNameExA(HANDLE process, HMODULE module, LPSTR name, DWORD size) {
    return PsapiAvailable() && psapi.getModuleFileNameExA
               ? psapi.getModuleFileNameExA(process, module, name, size)
               : 0;
}

// Only the ASCII letters change, byte by byte, so GBK characters stay as they are.
AnsiString LowerAscii(AnsiString text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Terminates the process when it can be opened and its first module's path read.
bool TerminateIfInspectable(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId);
    if (!process)
        return false;
    HMODULE module = nullptr;
    DWORD needed = 0;
    char path[MAX_PATH];
    const bool inspectable = BoundEnumProcessModules(process, &module, sizeof module, &needed) &&
                             BoundGetModuleFileNameExA(process, module, path, MAX_PATH) != 0;
    if (inspectable)
        TerminateProcess(process, 0); // counts whatever it returns
    CloseHandle(process);
    return inspectable;
}

} // namespace

std::vector<AnsiString> SplitString(const AnsiString& text, const AnsiString& separator) {
    std::vector<AnsiString> pieces;
    if (text.empty())
        return pieces;
    AnsiString rest = text;
    // An empty separator occurs nowhere, so the text stays whole.
    size_t at = separator.empty() ? AnsiString::npos : rest.find(separator);
    while (at != AnsiString::npos) {
        pieces.push_back(rest.substr(0, at));
        rest.erase(0, at + separator.size());
        at = rest.find(separator);
    }
    pieces.push_back(rest);
    return pieces;
}

bool ListHoldsName(const AnsiString& list, const AnsiString& name) {
    if (name.empty())
        return false;
    const std::vector<AnsiString> entries = SplitString(list, "|");
    return std::find(entries.begin(), entries.end(), name) != entries.end();
}

int KillProcessesByName(const AnsiString& list) {
    int result = 0;
    HANDLE snapshot = BoundCreateSnapshot(TH32CS_SNAPALL, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL delivered = BoundProcess32First(snapshot, &entry); delivered;
         delivered = BoundProcess32Next(snapshot, &entry)) {
        // A copy of the installer under a matching name must not end itself half way.
        if (entry.th32ProcessID == GetCurrentProcessId() ||
            !ListHoldsName(list, LowerAscii(entry.szExeFile)))
            continue;
        if (TerminateIfInspectable(entry.th32ProcessID))
            result = -1;
    }
    if (snapshot && snapshot != INVALID_HANDLE_VALUE)
        CloseHandle(snapshot);
    return result;
}

void WaitPumping(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        Application->ProcessMessages();
        Sleep(1);
    }
}

void ResetProcessApiBindings() {
    if (psapi.library)
        FreeLibrary(psapi.library);
    psapi = {};
    toolHelp = {};
}
