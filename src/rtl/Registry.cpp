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
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return false;
    }
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
    const LSTATUS status =
        RegCreateKeyExA(BaseKey(relative), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        throw ERegistryException("Failed to create key " + key);
    }
    RegCloseKey(created);
    return true;
}

void TRegistry::WriteData(const AnsiString& name, DWORD type, const void* data, DWORD size) {
    CheckWritten(name, RegSetValueExA(currentKey_, name.c_str(), 0, type,
                                      static_cast<const BYTE*>(data), size));
}

void TRegistry::CheckWritten(const AnsiString& name, LSTATUS status) {
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        throw ERegistryException("Failed to set data for '" + name + "'");
    }
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value) {
    WriteData(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteInteger(const AnsiString& name, DWORD value) {
    WriteData(name, REG_DWORD, &value, sizeof value);
}

bool TRegistry::DeleteValue(const AnsiString& name) {
    const LSTATUS status = RegDeleteValueA(currentKey_, name.c_str());
    if (status != ERROR_SUCCESS)
        SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const AnsiString& name) {
    const LSTATUS status =
        RegQueryValueExA(currentKey_, name.c_str(), nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS)
        SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

std::optional<winapi::RegistryValue> TRegistry::ReadValue(const AnsiString& name) {
    winapi::RegistryValue value;
    const LSTATUS status = winapi::RegQueryValueRaw(currentKey_, name.c_str(), value);
    if (status == ERROR_SUCCESS)
        return value;
    SetLastError(static_cast<DWORD>(status));
    if (status == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    throw ERegistryException("Failed to get data for '" + name + "'");
}

void TRegistry::WriteValue(const AnsiString& name, const winapi::RegistryValue& value) {
    CheckWritten(name, winapi::RegSetValueRaw(currentKey_, name.c_str(), value));
}

bool TRegistry::KeyExists(const AnsiString& key) {
    const bool relative = IsRelative(key);
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExA(BaseKey(relative), WithoutLeadingBackslash(key).c_str(), 0,
                                         KEY_QUERY_VALUE, &opened);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return false;
    }
    RegCloseKey(opened);
    return true;
}

bool TRegistry::DeleteKey(const AnsiString& key) {
    const bool relative = IsRelative(key);
    const LSTATUS status = RegDeleteKeyA(BaseKey(relative), WithoutLeadingBackslash(key).c_str());
    if (status != ERROR_SUCCESS)
        SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
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
    if (status != ERROR_SUCCESS) {
        // Left as the last error too, so that a caller's message can give the reason.
        SetLastError(static_cast<DWORD>(status));
        throw ERegistryException("Failed to close key " + path + ": " +
                                 SysErrorMessage(static_cast<DWORD>(status)));
    }
}
