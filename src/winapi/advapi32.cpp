#include "advapi32.h"

#include "Gbk.h"
#include "Handles.h"
#include "RegistryFile.h"
#include "SystemRoot.h"
#include "kernel32.h"

#include <string>

namespace {

// An open key: its path below HKEY_LOCAL_MACHINE and the access it was opened with.
class RegistryKey : public winapi::KernelObject {
public:
    RegistryKey(std::u16string path, REGSAM access) : path_(std::move(path)), access_(access) {}
    const std::u16string& Path() const { return path_; }
    bool Allows(REGSAM access) const { return (access_ & access) == access; }

private:
    std::u16string path_;
    REGSAM access_;
};

std::optional<std::string> MachineFilePath(DWORD& error) {
    auto root = winapi::SystemRootPath();
    if (!root) {
        error = GetLastError();
        return std::nullopt;
    }
    return *root + "/system.reg";
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

} // namespace

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD /*reserved*/, LPSTR /*className*/,
                        DWORD /*options*/, REGSAM desired, SECURITY_ATTRIBUTES* /*security*/,
                        HKEY* result, LPDWORD disposition) {
    DWORD error = ERROR_SUCCESS;
    if (!result)
        return ERROR_INVALID_PARAMETER;
    auto path = SubKeyPath(key, subKey, KEY_CREATE_SUB_KEY, error);
    auto file = path ? MachineFilePath(error) : std::nullopt;
    if (!file)
        return static_cast<LSTATUS>(error);
    bool created = false;
    error = winapi::EditRegistryFile(*file, [&](winapi::RegistryFile& registry) {
        created = registry.CreateKey(*path);
        return ERROR_SUCCESS;
    });
    if (error != ERROR_SUCCESS)
        return static_cast<LSTATUS>(error);
    *result = reinterpret_cast<HKEY>(
        winapi::InsertHandle(std::make_shared<RegistryKey>(std::move(*path), desired)));
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM desired, HKEY* result) {
    DWORD error = ERROR_SUCCESS;
    if (!result)
        return ERROR_INVALID_PARAMETER;
    auto path = SubKeyPath(key, subKey, 0, error);
    auto file = path ? MachineFilePath(error) : std::nullopt;
    if (!file)
        return static_cast<LSTATUS>(error);
    auto registry = winapi::ReadRegistryFile(*file, &error);
    if (!registry)
        return static_cast<LSTATUS>(error);
    if (!registry->HasKey(*path))
        return ERROR_FILE_NOT_FOUND;
    *result = reinterpret_cast<HKEY>(
        winapi::InsertHandle(std::make_shared<RegistryKey>(std::move(*path), desired)));
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                       DWORD size) {
    DWORD error = ERROR_SUCCESS;
    auto path = KeyPath(key, KEY_SET_VALUE, error);
    auto name = path ? ValueName(valueName, error) : std::nullopt;
    if (!name)
        return static_cast<LSTATUS>(error);
    if (!data && size > 0)
        return ERROR_INVALID_PARAMETER;
    const std::string_view bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    winapi::RegistryValue value{type, std::string(bytes)};
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        auto text = gbk::ToUtf16(bytes);
        if (!text)
            return ERROR_NO_UNICODE_TRANSLATION;
        value.data = winapi::Utf16LeBytes(*text);
    }
    auto file = MachineFilePath(error);
    if (!file)
        return static_cast<LSTATUS>(error);
    // The key may have been created by this handle's open and removed since; it is made again,
    // since the handle still names it.
    return static_cast<LSTATUS>(
        winapi::EditRegistryFile(*file, [&](winapi::RegistryFile& registry) {
            registry.CreateKey(*path);
            registry.SetValue(*path, *name, value);
            return ERROR_SUCCESS;
        }));
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) {
    DWORD error = ERROR_SUCCESS;
    auto path = KeyPath(key, KEY_SET_VALUE, error);
    auto name = path ? ValueName(valueName, error) : std::nullopt;
    if (!name)
        return static_cast<LSTATUS>(error);
    auto file = MachineFilePath(error);
    if (!file)
        return static_cast<LSTATUS>(error);
    return static_cast<LSTATUS>(
        winapi::EditRegistryFile(*file, [&](winapi::RegistryFile& registry) {
            return registry.DeleteValue(*path, *name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
        }));
}

LSTATUS RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE)
        return ERROR_SUCCESS;
    if (!winapi::FindHandleAs<RegistryKey>(reinterpret_cast<HANDLE>(key)))
        return ERROR_INVALID_HANDLE;
    winapi::RemoveHandle(reinterpret_cast<HANDLE>(key));
    return ERROR_SUCCESS;
}
