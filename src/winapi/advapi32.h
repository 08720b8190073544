// advapi32: keys and values under HKEY_LOCAL_MACHINE. On Linux that branch is the system root's
// system.reg in Wine's text format (RegistryFile.h): with no Wine server running for the root,
// every change is a locked read, edit and atomic replace of that file. While a server runs it
// holds the registry and would save its own copy over the file, so the changes made through a
// handle are then collected and handed to Wine at RegCloseKey, in one import that is read back
// (WineReg.h). Names are GBK; the file stores Unicode.
#pragma once

#include "RegistryFile.h"
#include "windef.h"

#include <cstdint>

using REGSAM = DWORD;
using LSTATUS = LONG;

inline HKEY const HKEY_LOCAL_MACHINE =
    reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002));

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// The registry file cannot be read as a registry: it is left untouched.
constexpr DWORD ERROR_BADDB = 1009;
// Wine could not be run to change the registry its server holds, or did not keep the change.
constexpr DWORD ERROR_REGISTRY_IO_FAILED = 1016;

struct SECURITY_ATTRIBUTES;

// Opens the key, creating it (and its missing parents) when missing.
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options,
                        REGSAM desired, SECURITY_ATTRIBUTES* securityAttributes, HKEY* result,
                        LPDWORD disposition);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it is missing.
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, HKEY* result);
// Strings (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) are converted from GBK, their size counting the
// terminating zero; other data is stored as given.
LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD size);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName);
// Strings come back in GBK, their size counting the terminating zero when the stored one has
// it. With data nullptr only type and size are given; with a size too small, ERROR_MORE_DATA
// and the size needed. ERROR_NO_UNICODE_TRANSLATION for a string GBK cannot write.
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD size);
// Deletes a key without subkeys, with its values: ERROR_ACCESS_DENIED when it has subkeys.
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
// Hands the changes collected while a Wine server ran to Wine; the handle is closed even when
// that fails, and the failure is the result.
LSTATUS RegCloseKey(HKEY key);

namespace winapi {

// A value's type and bytes exactly as the registry stores them (strings as UTF-16LE), for a
// caller that puts back what it read: no GBK conversion can lose or change them. Value names
// are GBK, as for the A functions.
LSTATUS RegQueryValueRaw(HKEY key, LPCSTR valueName, RegistryValue& value);
LSTATUS RegSetValueRaw(HKEY key, LPCSTR valueName, const RegistryValue& value);

} // namespace winapi
