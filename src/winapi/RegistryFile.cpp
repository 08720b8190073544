#include "RegistryFile.h"

#include "RegistryKeyPath.h"
#include "RegistryText.h"

#include "kernel32.h"

#include <algorithm>

namespace winapi {

RegistryFile::Key* RegistryFile::FindKey(std::u16string_view path) {
    const std::u16string wanted = JoinPath(SplitPath(path));
    for (Key& key : keys_)
        if (SameName(key.path, wanted))
            return &key;
    return nullptr;
}

const RegistryFile::Key* RegistryFile::FindKey(std::u16string_view path) const {
    return const_cast<RegistryFile*>(this)->FindKey(path);
}

bool RegistryFile::HasKey(std::u16string_view path) const {
    return FindKey(path) != nullptr;
}

bool RegistryFile::CreateKey(std::u16string_view path) {
    if (HasKey(path))
        return false;
    std::vector<std::u16string_view> parts = SplitPath(path);
    // Take the spelling of the longest leading part that some key already has.
    for (size_t count = parts.size(); count > 0; --count) {
        const std::u16string prefix = JoinPath({parts.begin(), parts.begin() + count});
        const Key* found = nullptr;
        for (const Key& key : keys_) {
            const std::u16string_view head = std::u16string_view(key.path).substr(0, prefix.size());
            if (SameName(head, prefix) &&
                (key.path.size() == prefix.size() || key.path[prefix.size()] == u'\\')) {
                found = &key;
                break;
            }
        }
        if (found) {
            const std::vector<std::u16string_view> spelled = SplitPath(found->path);
            std::copy(spelled.begin(), spelled.begin() + count, parts.begin());
            break;
        }
    }
    const std::u16string spelledPath = JoinPath(parts);
    // Wine separates key blocks by a blank line, which the parsed layout gives to the block
    // (or header) before.
    if (keys_.empty())
        header_ += "\n";
    else
        keys_.back().entries.push_back({"\n", std::nullopt, true});
    keys_.push_back({spelledPath, {{KeyHead(spelledPath), std::nullopt, false}}});
    return true;
}

bool RegistryFile::HasSubKeys(std::u16string_view path) const {
    const std::u16string prefix = JoinPath(SplitPath(path)) + u'\\';
    for (const Key& key : keys_)
        if (key.path.size() > prefix.size() &&
            SameName(std::u16string_view(key.path).substr(0, prefix.size()), prefix))
            return true;
    return false;
}

DWORD RegistryFile::DeleteKey(std::u16string_view path) {
    // Wine's file has blocks only for keys with values or without subkeys.
    if (HasSubKeys(path))
        return ERROR_ACCESS_DENIED;
    Key* key = FindKey(path);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    const auto at = keys_.begin() + (key - keys_.data());
    // The blank line before a block belongs to the block (or header) before it; the last block
    // has none after it, so that one goes with it.
    if (at + 1 == keys_.end()) {
        if (at != keys_.begin()) {
            std::vector<Entry>& before = (at - 1)->entries;
            if (before.back().filler && before.back().text == "\n")
                before.pop_back();
        } else if (header_.ends_with("\n\n")) {
            header_.pop_back();
        }
    }
    keys_.erase(at);
    std::vector<std::u16string_view> parts = SplitPath(path);
    parts.pop_back();
    const std::u16string parent = JoinPath(parts);
    if (!parent.empty() && !HasKey(parent) && !HasSubKeys(parent))
        CreateKey(parent);
    return ERROR_SUCCESS;
}

bool RegistryFile::SetValue(std::u16string_view keyPath, std::u16string_view name,
                            const RegistryValue& value) {
    Key* key = FindKey(keyPath);
    if (!key)
        return false;
    std::string text = FormatValue(name, value);
    size_t insertAt = 1;
    for (size_t i = 0; i < key->entries.size(); ++i) {
        Entry& entry = key->entries[i];
        if (entry.name && SameName(*entry.name, name)) {
            entry.text = std::move(text);
            return true;
        }
        if (!entry.filler)
            insertAt = i + 1;
    }
    key->entries.insert(key->entries.begin() + static_cast<std::ptrdiff_t>(insertAt),
                        {std::move(text), std::u16string(name), false});
    return true;
}

bool RegistryFile::DeleteValue(std::u16string_view keyPath, std::u16string_view name) {
    Key* key = FindKey(keyPath);
    if (!key)
        return false;
    for (auto it = key->entries.begin(); it != key->entries.end(); ++it)
        if (it->name && SameName(*it->name, name)) {
            key->entries.erase(it);
            return true;
        }
    return false;
}

std::optional<RegistryValue> RegistryFile::GetValue(std::u16string_view keyPath,
                                                    std::u16string_view name) const {
    const Key* key = FindKey(keyPath);
    if (!key)
        return std::nullopt;
    for (const Entry& entry : key->entries)
        if (entry.name && SameName(*entry.name, name)) {
            size_t at = 1;
            if (!entry.name->empty())
                ParseString(entry.text, at, '"');
            return ParseData(std::string_view(entry.text).substr(at + 1));
        }
    return std::nullopt;
}

void ApplyChanges(RegistryFile& file, std::u16string_view key,
                  const std::vector<RegistryChange>& changes) {
    file.CreateKey(key);
    for (const RegistryChange& change : changes) {
        if (change.value)
            file.SetValue(key, change.name, *change.value);
        else
            file.DeleteValue(key, change.name);
    }
}

bool HoldsChanges(const RegistryFile& file, std::u16string_view key,
                  const std::vector<RegistryChange>& changes) {
    if (!file.HasKey(key))
        return false;
    // Only the last change of each name counts.
    for (size_t i = changes.size(); i-- > 0;) {
        const RegistryChange& change = changes[i];
        bool later = false;
        for (size_t k = i + 1; k < changes.size(); ++k)
            later = later || SameName(changes[k].name, change.name);
        if (later)
            continue;
        if (file.GetValue(key, change.name) != change.value)
            return false;
    }
    return true;
}

} // namespace winapi
