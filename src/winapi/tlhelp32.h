// Tool Help snapshots of the running processes. On Linux a snapshot is the list /proc gives at
// the moment it is taken; the program binds these functions at run time through
// GetModuleHandleA("kernel32.dll") and GetProcAddress, where the layer's built-in kernel32
// serves them. Process names, and which processes belong to this system, are described in
// LinuxProcesses.h; a process that ends while it is read is left out.
#pragma once

#include "windef.h"

constexpr DWORD TH32CS_SNAPHEAPLIST = 0x1;
constexpr DWORD TH32CS_SNAPPROCESS = 0x2;
constexpr DWORD TH32CS_SNAPTHREAD = 0x4;
constexpr DWORD TH32CS_SNAPMODULE = 0x8;
constexpr DWORD TH32CS_SNAPALL = 0xF;

// The ANSI record in the 32-bit program's layout (th32DefaultHeapID is pointer-sized there),
// 296 bytes.
struct PROCESSENTRY32 {
    DWORD dwSize;
    DWORD cntUsage;
    DWORD th32ProcessID;
    DWORD th32DefaultHeapID;
    DWORD th32ModuleID;
    DWORD cntThreads;
    DWORD th32ParentProcessID;
    LONG pcPriClassBase;
    DWORD dwFlags;
    CHAR szExeFile[MAX_PATH];
};
static_assert(sizeof(PROCESSENTRY32) == 296);

// INVALID_HANDLE_VALUE with the last error set when /proc cannot be read. Close with CloseHandle.
HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
// FALSE with ERROR_BAD_LENGTH when entry->dwSize is too small, ERROR_NO_MORE_FILES at the end.
BOOL Process32First(HANDLE snapshot, PROCESSENTRY32* entry);
BOOL Process32Next(HANDLE snapshot, PROCESSENTRY32* entry);
