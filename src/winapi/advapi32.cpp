#include "advapi32.h"

#include "Gbk.h"
#include "Handles.h"
#include "RegistryFile.h"
#include "RegistryStore.h"
#include "SystemRoot.h"
#include "WholeFile.h"
#include "WineReg.h"
#include "WineServer.h"
#include "kernel32.h"

#include <string>

namespace {

// An open key: its path below HKEY_LOCAL_MACHINE, the access it was opened with, the changes
// collected for Wine while a server runs, and the registry file whose replacement through this
// handle is still to be flushed.
class RegistryKey : public winapi::KernelObject {
public:
    RegistryKey(std::u16string path, REGSAM access, bool collect)
        : path_(std::move(path)), access_(access), collect_(collect) {}
    const std::u16string& Path() const { return path_; }
    bool Allows(REGSAM access) const { return (access_ & access) == access; }
    // Once a change is collected, later ones are too, so they keep their order.
    bool Collects() const { return collect_ || !pending_.empty(); }
    void Collect(winapi::RegistryChange change) { pending_.push_back(std::move(change)); }
    // Takes the collected changes; collect_ tells whether the key itself still has to be made.
    std::vector<winapi::RegistryChange> TakePending() {
        collect_ = false;
        return std::move(pending_);
    }
    bool HasPending() const { return collect_ || !pending_.empty(); }
    // What the registry holds for this handle once its collected changes are made.
    void ApplyPending(winapi::RegistryFile& registry) const {
        if (HasPending())
            winapi::ApplyChanges(registry, path_, pending_);
    }
    // The renames of the handle's edits are flushed once, at RegCloseKey.
    void NoteUnsynced(const std::string& file) { unsyncedFile_ = file; }
    std::string TakeUnsynced() { return std::move(unsyncedFile_); }
    // Whether the last collected change of the value sets it (true) or deletes it (false);
    // nullopt when none was collected.
    std::optional<bool> PendingSet(std::u16string_view name) const {
        winapi::RegistryFile probe = winapi::RegistryFile::Empty();
        winapi::ApplyChanges(probe, path_, pending_);
        if (probe.GetValue(path_, name))
            return true;
        // Deleted by a collected change, or never mentioned.
        winapi::ApplyChanges(probe, path_, {{std::u16string(name), winapi::RegistryValue{}}});
        winapi::ApplyChanges(probe, path_, pending_);
        return probe.GetValue(path_, name) ? std::nullopt : std::optional<bool>(false);
    }

private:
    std::u16string path_;
    REGSAM access_;
    bool collect_;
    std::vector<winapi::RegistryChange> pending_;
    std::string unsyncedFile_;
};

std::optional<std::string> Root(DWORD& error) {
    auto root = winapi::SystemRootPath();
    if (!root)
        error = GetLastError();
    return root;
}

std::string MachineFile(const std::string& root) {
    return root + "/system.reg";
}

// Applies changes to the file directly, as done without a server; with a handle, the rename is
// left for its RegCloseKey to flush.
DWORD EditDirectly(const std::string& root, std::u16string_view key,
                   const std::vector<winapi::RegistryChange>& changes,
                   RegistryKey* handle = nullptr) {
    bool unsynced = false;
    const DWORD error = winapi::EditRegistryFile(
        MachineFile(root),
        [&](winapi::RegistryFile& registry) {
            winapi::ApplyChanges(registry, key, changes);
            return ERROR_SUCCESS;
        },
        winapi::WineArchitecture(), handle ? &unsynced : nullptr);
    if (unsynced)
        handle->NoteUnsynced(MachineFile(root));
    return error;
}

std::shared_ptr<RegistryKey> OpenedKey(HKEY key, REGSAM access, DWORD& error) {
    if (key == HKEY_LOCAL_MACHINE) {
        // Wine's file has no place for values on the branch root itself.
        error = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    auto object = winapi::FindHandleAs<RegistryKey>(reinterpret_cast<HANDLE>(key));
    if (!object)
        error = ERROR_INVALID_HANDLE;
    else if (!object->Allows(access))
        error = ERROR_ACCESS_DENIED;
    return error == ERROR_SUCCESS ? object : nullptr;
}

// The path of a key below HKEY_LOCAL_MACHINE, or nullopt for a handle that is not an open key.
std::optional<std::u16string> KeyPath(HKEY key, REGSAM access, DWORD& error) {
    if (key == HKEY_LOCAL_MACHINE) {
        // Wine's file has no place for values on the branch root itself.
        if (access == KEY_SET_VALUE) {
            error = ERROR_ACCESS_DENIED;
            return std::nullopt;
        }
        return std::u16string();
    }
    auto object = winapi::FindHandleAs<RegistryKey>(reinterpret_cast<HANDLE>(key));
    if (!object) {
        error = ERROR_INVALID_HANDLE;
        return std::nullopt;
    }
    if (!object->Allows(access)) {
        error = ERROR_ACCESS_DENIED;
        return std::nullopt;
    }
    return object->Path();
}

// The full path of subKey below an open key; the branch root itself is no key of the file.
std::optional<std::u16string> SubKeyPath(HKEY key, LPCSTR subKey, REGSAM access, DWORD& error) {
    auto base = subKey ? KeyPath(key, access, error) : std::nullopt;
    if (!subKey)
        error = ERROR_INVALID_PARAMETER;
    if (!base)
        return std::nullopt;
    auto sub = gbk::ToUtf16(subKey);
    if (!sub) {
        error = ERROR_NO_UNICODE_TRANSLATION;
        return std::nullopt;
    }
    std::u16string path = *base;
    if (!path.empty() && !sub->empty())
        path += u'\\';
    path += *sub;
    if (path.find_first_not_of(u'\\') == std::u16string::npos) {
        error = ERROR_INVALID_PARAMETER;
        return std::nullopt;
    }
    return path;
}

std::optional<std::u16string> ValueName(LPCSTR name, DWORD& error) {
    auto converted = gbk::ToUtf16(name ? name : "");
    if (!converted)
        error = ERROR_NO_UNICODE_TRANSLATION;
    return converted;
}

bool IsString(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The registry as a handle sees it: the server's copy of its key or the file, with the changes
// the handle still holds for Wine.
std::optional<winapi::RegistryFile> HeldRegistry(const std::string& root, const RegistryKey& key,
                                                 DWORD& error) {
    std::optional<winapi::RegistryFile> registry;
    if (winapi::WineServerRunning(root)) {
        registry = winapi::WineRegExport(root, key.Path(), error);
        if (!registry && error == ERROR_FILE_NOT_FOUND && key.HasPending())
            registry = winapi::RegistryFile::Empty();
    } else {
        registry = winapi::ReadRegistryFile(MachineFile(root), &error);
    }
    if (registry)
        key.ApplyPending(*registry);
    return registry;
}

} // namespace

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD /*reserved*/, LPSTR /*className*/,
                        DWORD /*options*/, REGSAM desired, SECURITY_ATTRIBUTES* /*security*/,
                        HKEY* result, LPDWORD disposition) {
    DWORD error = ERROR_SUCCESS;
    if (!result)
        return ERROR_INVALID_PARAMETER;
    auto path = SubKeyPath(key, subKey, KEY_CREATE_SUB_KEY, error);
    auto root = path ? Root(error) : std::nullopt;
    if (!root)
        return static_cast<LSTATUS>(error);
    bool created = false;
    bool unsynced = false;
    const bool viaWine = winapi::WineServerRunning(*root);
    if (viaWine) {
        // The key is made with the changes at RegCloseKey; the server tells whether it exists.
        if (disposition) {
            DWORD exportError = ERROR_SUCCESS;
            created = !winapi::WineRegExport(*root, *path, exportError);
            if (created && exportError != ERROR_FILE_NOT_FOUND)
                return static_cast<LSTATUS>(exportError);
        }
    } else {
        error = winapi::EditRegistryFile(
            MachineFile(*root),
            [&](winapi::RegistryFile& registry) {
                created = registry.CreateKey(*path);
                return ERROR_SUCCESS;
            },
            winapi::WineArchitecture(), &unsynced);
        if (error != ERROR_SUCCESS)
            return static_cast<LSTATUS>(error);
    }
    auto object = std::make_shared<RegistryKey>(std::move(*path), desired, viaWine);
    if (unsynced)
        object->NoteUnsynced(MachineFile(*root));
    *result = reinterpret_cast<HKEY>(winapi::InsertHandle(std::move(object)));
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM desired, HKEY* result) {
    DWORD error = ERROR_SUCCESS;
    if (!result)
        return ERROR_INVALID_PARAMETER;
    auto path = SubKeyPath(key, subKey, 0, error);
    auto root = path ? Root(error) : std::nullopt;
    if (!root)
        return static_cast<LSTATUS>(error);
    if (winapi::WineServerRunning(*root)) {
        if (!winapi::WineRegExport(*root, *path, error))
            return static_cast<LSTATUS>(error);
    } else {
        auto registry = winapi::ReadRegistryFile(MachineFile(*root), &error);
        if (!registry)
            return static_cast<LSTATUS>(error);
        if (!registry->HasKey(*path) && !registry->HasSubKeys(*path))
            return ERROR_FILE_NOT_FOUND;
    }
    *result = reinterpret_cast<HKEY>(
        winapi::InsertHandle(std::make_shared<RegistryKey>(std::move(*path), desired, false)));
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                       DWORD size) {
    if (!data && size > 0)
        return ERROR_INVALID_PARAMETER;
    const std::string_view bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    winapi::RegistryValue value{type, std::string(bytes)};
    if (IsString(type)) {
        auto text = gbk::ToUtf16(bytes);
        if (!text)
            return ERROR_NO_UNICODE_TRANSLATION;
        value.data = winapi::Utf16LeBytes(*text);
    }
    return winapi::RegSetValueRaw(key, valueName, value);
}

LSTATUS winapi::RegSetValueRaw(HKEY key, LPCSTR valueName, const RegistryValue& value) {
    DWORD error = ERROR_SUCCESS;
    auto object = OpenedKey(key, KEY_SET_VALUE, error);
    auto name = object ? ValueName(valueName, error) : std::nullopt;
    auto root = name ? Root(error) : std::nullopt;
    if (!root)
        return static_cast<LSTATUS>(error);
    RegistryChange change{std::move(*name), value};
    if (object->Collects() || WineServerRunning(*root)) {
        object->Collect(std::move(change));
        return ERROR_SUCCESS;
    }
    // The key may have been created by this handle's open and removed since; it is made again,
    // since the handle still names it.
    return static_cast<LSTATUS>(EditDirectly(*root, object->Path(), {change}, object.get()));
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD size) {
    if (reserved || (data && !size))
        return ERROR_INVALID_PARAMETER;
    winapi::RegistryValue value;
    const LSTATUS status = winapi::RegQueryValueRaw(key, valueName, value);
    if (status != ERROR_SUCCESS)
        return status;
    if (type)
        *type = value.type;
    if (!size)
        return ERROR_SUCCESS;
    if (IsString(value.type)) {
        auto utf8 = gbk::Utf8FromUtf16(winapi::FromUtf16Le(value.data));
        auto text = utf8 ? gbk::FromUtf8(*utf8) : std::nullopt;
        if (!text)
            return ERROR_NO_UNICODE_TRANSLATION;
        value.data = std::move(*text);
    }
    const DWORD room = *size;
    *size = static_cast<DWORD>(value.data.size());
    if (!data)
        return ERROR_SUCCESS;
    if (value.data.size() > room)
        return ERROR_MORE_DATA;
    std::copy(value.data.begin(), value.data.end(), data);
    return ERROR_SUCCESS;
}

LSTATUS winapi::RegQueryValueRaw(HKEY key, LPCSTR valueName, RegistryValue& value) {
    DWORD error = ERROR_SUCCESS;
    auto object = OpenedKey(key, KEY_QUERY_VALUE, error);
    auto name = object ? ValueName(valueName, error) : std::nullopt;
    auto root = name ? Root(error) : std::nullopt;
    auto registry = root ? HeldRegistry(*root, *object, error) : std::nullopt;
    if (!registry)
        return static_cast<LSTATUS>(error);
    auto held = registry->GetValue(object->Path(), *name);
    if (!held)
        return ERROR_FILE_NOT_FOUND;
    value = std::move(*held);
    return ERROR_SUCCESS;
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) {
    DWORD error = ERROR_SUCCESS;
    auto object = OpenedKey(key, KEY_SET_VALUE, error);
    auto name = object ? ValueName(valueName, error) : std::nullopt;
    if (!name)
        return static_cast<LSTATUS>(error);
    auto root = Root(error);
    if (!root)
        return static_cast<LSTATUS>(error);
    if (object->Collects() || winapi::WineServerRunning(*root)) {
        // A value neither the server holds nor this handle sets is missing, as Windows reports.
        std::optional<bool> pendingSet = object->PendingSet(*name);
        bool known = pendingSet.value_or(false);
        if (!pendingSet) {
            if (auto held = winapi::WineRegExport(*root, object->Path(), error))
                known = held->GetValue(object->Path(), *name).has_value();
            else if (error != ERROR_FILE_NOT_FOUND)
                return static_cast<LSTATUS>(error);
        }
        if (!known)
            return ERROR_FILE_NOT_FOUND;
        object->Collect({std::move(*name), std::nullopt});
        return ERROR_SUCCESS;
    }
    bool unsynced = false;
    const DWORD deleted = winapi::EditRegistryFile(
        MachineFile(*root),
        [&](winapi::RegistryFile& registry) {
            return registry.DeleteValue(object->Path(), *name) ? ERROR_SUCCESS
                                                               : ERROR_FILE_NOT_FOUND;
        },
        "win64", &unsynced);
    if (unsynced)
        object->NoteUnsynced(MachineFile(*root));
    return static_cast<LSTATUS>(deleted);
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    DWORD error = ERROR_SUCCESS;
    auto path = SubKeyPath(key, subKey, 0, error);
    auto root = path ? Root(error) : std::nullopt;
    if (!root)
        return static_cast<LSTATUS>(error);
    if (winapi::WineServerRunning(*root))
        return static_cast<LSTATUS>(winapi::WineRegDeleteKey(*root, *path));
    return static_cast<LSTATUS>(winapi::EditRegistryFile(
        MachineFile(*root),
        [&](winapi::RegistryFile& registry) { return registry.DeleteKey(*path); },
        winapi::WineArchitecture()));
}

LSTATUS RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE)
        return ERROR_SUCCESS;
    auto object = winapi::FindHandleAs<RegistryKey>(reinterpret_cast<HANDLE>(key));
    if (!object)
        return ERROR_INVALID_HANDLE;
    winapi::RemoveHandle(reinterpret_cast<HANDLE>(key));
    // What the handle wrote is durable once it is closed.
    if (const std::string file = object->TakeUnsynced(); !file.empty())
        winapi::SyncFolderOf(file);
    if (!object->HasPending())
        return ERROR_SUCCESS;
    DWORD error = ERROR_SUCCESS;
    auto root = Root(error);
    if (!root)
        return static_cast<LSTATUS>(error);
    const auto changes = object->TakePending();
    // The server may have ended since the changes were collected; it saved its copy then, so
    // the file is the registry again.
    return static_cast<LSTATUS>(winapi::WineServerRunning(*root)
                                    ? winapi::WineRegApply(*root, object->Path(), changes)
                                    : EditDirectly(*root, object->Path(), changes));
}
