// The text of the registry editor's .reg files (version 5), which "reg import" reads and
// "reg export" writes. RegistryFile::FromRegExport reads one.
#pragma once

#include "RegistryFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace winapi {

// The text of a "reg import" file (version 5, to be stored as UTF-16LE) that creates the key
// below HKEY_LOCAL_MACHINE and makes the changes.
std::u16string RegImportText(std::u16string_view key, const std::vector<RegistryChange>& changes);

} // namespace winapi
