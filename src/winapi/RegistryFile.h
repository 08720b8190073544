// One registry branch stored in Wine's text format ("WINE REGISTRY Version 2"): blocks of a
// "[key path] time" line, option lines ("#time=...") and value lines. The text is kept line by
// line, so every key and value we do not change is written back byte for byte; only the lines
// of changed values and new keys are produced here, the way Wine's own server writes them.
#pragma once

#include "windef.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winapi {

struct RegistryValue {
    DWORD type = 0;
    std::string data; // raw bytes; strings are UTF-16LE with their terminating zero
};

class RegistryFile {
public:
    // A branch without keys, as a new file starts.
    static RegistryFile Empty();
    // nullopt when the text is not a whole registry file: a wrong first line, a line that is
    // neither key, value, option nor comment, or a value cut short.
    static std::optional<RegistryFile> Parse(std::string_view text);

    std::string Text() const;

    // Key paths are relative to the branch root, components separated by "\"; names of keys
    // and values match without regard to case.
    bool HasKey(std::u16string_view path) const;
    // Adds a missing key; the parts of its path that exist keep their spelling. False when the
    // key was already there.
    bool CreateKey(std::u16string_view path);
    // Sets a value of an existing key (false when the key is missing).
    bool SetValue(std::u16string_view key, std::u16string_view name, const RegistryValue& value);
    // False when the key or the value is missing.
    bool DeleteValue(std::u16string_view key, std::u16string_view name);
    std::optional<RegistryValue> GetValue(std::u16string_view key, std::u16string_view name) const;

private:
    struct Entry {
        std::string text;                   // the entry's lines, each ending in "\n"
        std::optional<std::u16string> name; // set for value lines
        bool filler = false;                // blank or comment line
    };
    struct Key {
        std::u16string path;
        std::vector<Entry> entries; // entries[0] is the "[path] time" line
    };

    Key* FindKey(std::u16string_view path);
    const Key* FindKey(std::u16string_view path) const;

    std::string header_; // everything before the first key
    std::vector<Key> keys_;
};

// UTF-16LE bytes of text, as the registry stores strings.
std::string Utf16LeBytes(std::u16string_view text);
// The same with a terminating zero: the data of a REG_SZ value.
std::string RegistryString(std::u16string_view text);
// The text of UTF-16LE bytes (an odd last byte is left out).
std::u16string FromUtf16Le(std::string_view bytes);

// Edits the registry file at a Linux path under an exclusive lock and replaces it atomically
// (temporary file, flush, rename), so concurrent editors lose nothing and a crash leaves the
// old or the new file. A missing or empty file starts empty. edit returns a Win32 error code;
// the file is written only when it returns ERROR_SUCCESS and changed something. A damaged
// file is never rewritten: the result is then ERROR_BADDB and the file stays as it is.
DWORD EditRegistryFile(const std::string& path, const std::function<DWORD(RegistryFile&)>& edit);

// Reads the file under a shared lock; nullopt with the error code when it cannot be read or is
// damaged. A missing file reads as empty.
std::optional<RegistryFile> ReadRegistryFile(const std::string& path, DWORD* error = nullptr);

} // namespace winapi
