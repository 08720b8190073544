// The run-time library's registry object: one root key, one current key opened below it, and
// string, DWORD and raw values written to and read from the current key. Failures of writes and
// reads raise ERegistryException; every failure leaves the registry's error code as the last
// error.
#pragma once

#include "SysUtils.h"

#include "winapi/RegistryFile.h"
#include "winapi/advapi32.h"

#include <optional>

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class TRegistry {
public:
    // The root starts as HKEY_LOCAL_MACHINE, the one branch the Windows layer keeps.
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) : access_(access) {}
    // A failure to close here cannot be raised; callers that must know call CloseKey first.
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    void SetRootKey(HKEY key);
    const AnsiString& CurrentPath() const { return currentPath_; }

    // A key is relative to the current key unless it starts with "\"; then to the root.
    // OpenKey makes the key current (creating it when canCreate) and reports success.
    bool OpenKey(const AnsiString& key, bool canCreate);
    // Creates the key without opening it; raises "Failed to create key <key>" on failure.
    bool CreateKey(const AnsiString& key);
    // Writes a REG_SZ value to the current key; raises "Failed to set data for '<name>'".
    void WriteString(const AnsiString& name, const AnsiString& value);
    // Writes a REG_DWORD value; raises as WriteString does.
    void WriteInteger(const AnsiString& name, DWORD value);
    bool DeleteValue(const AnsiString& name);
    bool ValueExists(const AnsiString& name);
    // The value's type and bytes exactly as stored, nullopt when it is missing; raises
    // "Failed to get data for '<name>'" when it cannot be read.
    std::optional<winapi::RegistryValue> ReadValue(const AnsiString& name);
    // Puts back what ReadValue gave, byte for byte; raises as WriteString does.
    void WriteValue(const AnsiString& name, const winapi::RegistryValue& value);
    // Keys are given as for OpenKey. DeleteKey deletes a key without subkeys, with its values.
    bool KeyExists(const AnsiString& key);
    bool DeleteKey(const AnsiString& key);
    // Closes the current key. Changes held for a running Wine server are handed over here; a
    // failure raises "Failed to close key <path>: <system text>" (the key is closed all the
    // same).
    void CloseKey();

private:
    HKEY BaseKey(bool relative) const;
    void WriteData(const AnsiString& name, DWORD type, const void* data, DWORD size);
    void CheckWritten(const AnsiString& name, LSTATUS status);

    REGSAM access_;
    HKEY rootKey_ = HKEY_LOCAL_MACHINE;
    HKEY currentKey_ = nullptr;
    AnsiString currentPath_;
};
