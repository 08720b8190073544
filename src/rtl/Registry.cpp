#include "Registry.h"

#include "SysErrorMessage.h"

#include "winapi/kernel32.h"

namespace {

bool IsRelative(const AnsiString& key) {
    return key.empty() || key[0] != '\\';
}

AnsiString WithoutLeadingBackslash(const AnsiString& key) {
    return IsRelative(key) ? key : key.substr(1);
}

} // namespace

void TRegistry::SetRootKey(HKEY key) {
    if (key == rootKey_)
        return;
    CloseKey();
    rootKey_ = key;
}

HKEY TRegistry::BaseKey(bool relative) const {
    return relative && currentKey_ ? currentKey_ : rootKey_;
}

bool TRegistry::OpenKey(const AnsiString& key, bool canCreate) {
    const bool relative = IsRelative(key);
    AnsiString path = WithoutLeadingBackslash(key);
    HKEY opened = nullptr;
    const LSTATUS status =
        !canCreate || path.empty()
            ? RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, access_, &opened)
            : RegCreateKeyExA(BaseKey(relative), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              access_, nullptr, &opened, nullptr);
    if (status != ERROR_SUCCESS)
        return false;
    if (currentKey_ && relative)
        path = currentPath_ + "\\" + path;
    try {
        CloseKey();
    } catch (...) {
        RegCloseKey(opened);
        throw;
    }
    currentKey_ = opened;
    currentPath_ = path;
    return true;
}

bool TRegistry::CreateKey(const AnsiString& key) {
    const bool relative = IsRelative(key);
    const AnsiString path = WithoutLeadingBackslash(key);
    HKEY created = nullptr;
    if (RegCreateKeyExA(BaseKey(relative), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &created, nullptr) != ERROR_SUCCESS)
        throw ERegistryException("Failed to create key " + key);
    RegCloseKey(created);
    return true;
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value) {
    if (RegSetValueExA(currentKey_, name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + name + "'");
}

bool TRegistry::DeleteValue(const AnsiString& name) {
    return RegDeleteValueA(currentKey_, name.c_str()) == ERROR_SUCCESS;
}

TRegistry::~TRegistry() {
    if (currentKey_)
        RegCloseKey(currentKey_);
}

void TRegistry::CloseKey() {
    if (!currentKey_)
        return;
    const LSTATUS status = RegCloseKey(currentKey_);
    const AnsiString path = currentPath_;
    currentKey_ = nullptr;
    currentPath_.clear();
    if (status != ERROR_SUCCESS)
        throw ERegistryException("Failed to close key " + path + ": " +
                                 SysErrorMessage(static_cast<DWORD>(status)));
}
