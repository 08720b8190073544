// PSAPI.dll: the modules of another process. On Linux a process has one module the program can
// ask about, its executable; it can be inspected only when the executable's path can be read
// from /proc. The program loads these through LoadLibraryA("PSAPI.dll") and GetProcAddress,
// served by the layer's built-in PSAPI module.
#pragma once

#include "windef.h"

// Gives the main module's handle when there is room for it; needed receives the size of all
// module handles. Requires PROCESS_QUERY_INFORMATION and PROCESS_VM_READ.
BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD size, LPDWORD needed);
// The module's GBK Windows path, truncated to size - 1 characters; the number of characters
// copied, or 0 with the last error set. A null module names the main module.
DWORD GetModuleFileNameExA(HANDLE process, HMODULE module, LPSTR fileName, DWORD size);
