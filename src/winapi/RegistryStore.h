// Registry files on disk: read under a shared lock, edited under an exclusive one and replaced
// whole.
#pragma once

#include "RegistryFile.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace winapi {

// Edits the registry file at a Linux path under an exclusive lock and replaces it whole
// (WriteWholeFile), so concurrent editors lose nothing and a crash leaves the
// old or the new file. A missing or empty file starts empty. edit returns a Win32 error code;
// the file is written only when it returns ERROR_SUCCESS and changed something. A damaged
// file is never rewritten: the result is then ERROR_BADDB and the file stays as it is. A missing
// file starts as the branch of an arch ("win32" or "win64") prefix. Temporaries that killed
// editors left beside the file are removed. The new file's content is flushed before the rename
// in any case; the rename itself is flushed at once unless unsynced is given, which is then set
// when the file was replaced, so that a caller making several edits flushes the folder once
// (SyncFolderOf) when it is done.
DWORD EditRegistryFile(const std::string& path, const std::function<DWORD(RegistryFile&)>& edit,
                       std::string_view arch = "win64", bool* unsynced = nullptr);

// Reads the file under a shared lock; nullopt with the error code when it cannot be read or is
// damaged. A missing file reads as empty.
std::optional<RegistryFile> ReadRegistryFile(const std::string& path, DWORD* error = nullptr);

} // namespace winapi
