// Changing and reading HKEY_LOCAL_MACHINE through Wine's own "reg" program, for the times a Wine
// server holds the registry of the system root: the server then sees the change at once and
// saves it itself. Each step runs "wine reg" with WINEPREFIX set to the root.
#pragma once

#include "RegistryFile.h"
#include "windef.h"

#include <optional>
#include <string>
#include <vector>

namespace winapi {

// The key and everything below it as the server holds them, through "reg export". nullopt with
// ERROR_FILE_NOT_FOUND when the key is missing (or reg fails otherwise), or
// ERROR_REGISTRY_IO_FAILED when wine cannot be run or its output cannot be read.
std::optional<RegistryFile> WineRegExport(const std::string& root, std::u16string_view key,
                                          DWORD& error);

// Makes the changes to the key (created when missing) with one "reg import", then reads the
// key back. ERROR_SUCCESS only when the server holds every change; ERROR_REGISTRY_IO_FAILED
// when wine cannot be run, the import fails, or the key reads back otherwise.
DWORD WineRegApply(const std::string& root, std::u16string_view key,
                   const std::vector<RegistryChange>& changes);

// Deletes a key without subkeys with one "reg delete" (which would take the subkeys too, so an
// export looks first), then reads back that it is gone. ERROR_FILE_NOT_FOUND when the key is
// missing, ERROR_ACCESS_DENIED when it has subkeys, ERROR_REGISTRY_IO_FAILED when wine cannot
// be run or the key is still there.
DWORD WineRegDeleteKey(const std::string& root, std::u16string_view key);

} // namespace winapi
