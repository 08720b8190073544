// One registry branch stored in Wine's text format ("WINE REGISTRY Version 2"): blocks of a
// "[key path] time" line, option lines ("#time=...") and value lines. The text is kept line by
// line, so every key and value we do not change is written back byte for byte; only the lines
// of changed values and new keys are produced here, the way Wine's own server writes them.
#pragma once

#include "windef.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winapi {

struct RegistryValue {
    DWORD type = 0;
    std::string data; // raw bytes; strings are UTF-16LE with their terminating zero
    bool operator==(const RegistryValue&) const = default;
};

class RegistryFile {
public:
    // A branch without keys, as a new file starts, for a "win32" or "win64" prefix.
    static RegistryFile Empty(std::string_view arch = "win64");
    // nullopt when the text is not a whole registry file: a wrong first line, a line that is
    // neither key, value, option nor comment, or a value cut short.
    static std::optional<RegistryFile> Parse(std::string_view text);

    std::string Text() const;

    // Key paths are relative to the branch root, components separated by "\"; names of keys
    // and values match without regard to case.
    bool HasKey(std::u16string_view path) const;
    // Wine writes no block for a key without values that has subkeys: such a key exists too.
    bool HasSubKeys(std::u16string_view path) const;
    // Adds a missing key; the parts of its path that exist keep their spelling. False when the
    // key was already there.
    bool CreateKey(std::u16string_view path);
    // Removes a key with its values; ERROR_FILE_NOT_FOUND when it is missing, ERROR_ACCESS_DENIED
    // when it has subkeys, as Windows refuses. A parent left with neither block nor subkeys gets
    // a block of its own, since deleting a key never removes its parent.
    DWORD DeleteKey(std::u16string_view path);
    // Sets a value of an existing key (false when the key is missing).
    bool SetValue(std::u16string_view key, std::u16string_view name, const RegistryValue& value);
    // False when the key or the value is missing.
    bool DeleteValue(std::u16string_view key, std::u16string_view name);
    std::optional<RegistryValue> GetValue(std::u16string_view key, std::u16string_view name) const;

    // The branch of a "reg export" file below HKEY_LOCAL_MACHINE; nullopt when the text is
    // not such a file.
    static std::optional<RegistryFile> FromRegExport(std::u16string_view text);

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

// One change to a value: set to value, or deleted when value is empty.
struct RegistryChange {
    std::u16string name;
    std::optional<RegistryValue> value;
};

// Applies the changes to a key, creating it when missing.
void ApplyChanges(RegistryFile& file, std::u16string_view key,
                  const std::vector<RegistryChange>& changes);

// True when the key of file holds what the changes made: every set value equal, every deleted
// value gone.
bool HoldsChanges(const RegistryFile& file, std::u16string_view key,
                  const std::vector<RegistryChange>& changes);

// UTF-16LE bytes of text, as the registry stores strings.
std::string Utf16LeBytes(std::u16string_view text);
// The same with a terminating zero: the data of a REG_SZ value.
std::string RegistryString(std::u16string_view text);
// The text of UTF-16LE bytes (an odd last byte is left out).
std::u16string FromUtf16Le(std::string_view bytes);

} // namespace winapi
