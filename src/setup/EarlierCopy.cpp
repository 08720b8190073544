#include "EarlierCopy.h"

#include "InstallTransaction.h"

#include "rtl/FileUtils.h"

#include "winapi/SystemRoot.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <strings.h>

namespace {

using Item = TInstalledItems::Item;
using Kind = TInstalledItems::Kind;

std::optional<std::string> LinuxFolder(const AnsiString& folder) {
    return winapi::ToLinuxPath(ExcludeTrailingBackslash(folder));
}

// path is folder or lies below it (Linux paths).
bool Within(const std::string& path, const std::string& folder) {
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

bool EndsWithNoCase(const AnsiString& text, const char* ending) {
    const size_t length = std::char_traits<char>::length(ending);
    return text.size() > length && strcasecmp(text.c_str() + text.size() - length, ending) == 0;
}

// Whether an entry of the earlier list is of a kind and place an install of ours makes.
bool MadeByUs(const Item& item, const std::string& earlierFolder) {
    const auto path = winapi::ToLinuxPath(item.path);
    switch (item.kind) {
    case Kind::File:
        return path && Within(*path, earlierFolder) && *path != earlierFolder;
    case Kind::Folder: // the copy's own, or one made above it
        return path && (Within(*path, earlierFolder) || Within(earlierFolder, *path));
    case Kind::Link:
        return EndsWithNoCase(item.path, ".lnk");
    case Kind::Launcher:
        return EndsWithNoCase(item.path, ".desktop") || EndsWithNoCase(item.path, ".menu") ||
               EndsWithNoCase(item.path, ".directory") || EndsWithNoCase(item.path, ".png");
    case Kind::RegistryValue:
    case Kind::RegistryKey:
        break;
    }
    return false;
}

bool Names(const TInstalledItems& items, const Item& wanted) {
    return std::any_of(items.Items().begin(), items.Items().end(), [&](const Item& item) {
        return item.kind == wanted.kind &&
               strcasecmp(item.path.c_str(), wanted.path.c_str()) == 0 && item.name == wanted.name;
    });
}

} // namespace

bool IsSameFolder(const AnsiString& a, const AnsiString& b) {
    const auto first = LinuxFolder(a);
    const auto second = LinuxFolder(b);
    std::error_code error;
    if (first && second && std::filesystem::equivalent(*first, *second, error))
        return true;
    return strcasecmp(ExcludeTrailingBackslash(a).c_str(), ExcludeTrailingBackslash(b).c_str()) ==
           0;
}

void RemoveEarlierCopy(const AnsiString& earlierFolder, TInstalledItems& current) {
    const auto folder = LinuxFolder(earlierFolder);
    if (!folder)
        return;
    TInstalledItems earlier;
    earlier.LoadFromFile(earlierFolder + kUninstallListName);
    TInstallTransaction& transaction = InstallTransaction();
    const auto& items = earlier.Items();
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        if (Names(current, *it))
            continue;
        const bool ours = MadeByUs(*it, *folder);
        // Folders made for launchers and icons hold the new copy's now, and go with them.
        if (it->kind == Kind::Folder && !ours)
            current.AddFolderFirst(it->path);
        else if (it->kind == Kind::Folder)
            transaction.RemoveFolderAtCommit(it->path);
        else if (ours)
            transaction.RemoveFile(it->path);
    }
}
