#include "InstalledItems.h"

#include "InstallJournal.h"

#include "rtl/Streams.h"
#include "rtl/SysErrorMessage.h"

#include "winapi/Gbk.h"
#include "winapi/LinuxErrors.h"
#include "winapi/SystemRoot.h"
#include "winapi/WholeFile.h"
#include "winapi/kernel32.h"

#include <algorithm>
#include <cerrno>

namespace {

const char* KindWord(TInstalledItems::Kind kind) {
    switch (kind) {
    case TInstalledItems::Kind::File:
        return "file";
    case TInstalledItems::Kind::Folder:
        return "folder";
    case TInstalledItems::Kind::Link:
        return "link";
    case TInstalledItems::Kind::Launcher:
        return "launcher";
    case TInstalledItems::Kind::RegistryValue:
        return "regvalue";
    case TInstalledItems::Kind::RegistryKey:
        return "regkey";
    }
    return "";
}

const std::string kListHeader = "VostrelUninstallList 1\n";

std::optional<TInstalledItems::Kind> KindFromWord(const std::string& word) {
    using Kind = TInstalledItems::Kind;
    for (const Kind kind : {Kind::File, Kind::Folder, Kind::Link, Kind::Launcher,
                            Kind::RegistryValue, Kind::RegistryKey})
        if (word == KindWord(kind))
            return kind;
    return std::nullopt;
}

std::string Utf8(const AnsiString& gbkText) {
    if (auto utf8 = gbk::ToUtf8(gbkText))
        return *utf8;
    throw Exception("Uninstall list entry is not GBK text: " + gbkText);
}

} // namespace

void TInstalledItems::Add(Kind kind, const AnsiString& path, const AnsiString& name) {
    const bool known = std::any_of(items_.begin(), items_.end(), [&](const Item& item) {
        return item.kind == kind && item.path == path && item.name == name;
    });
    if (!known)
        items_.push_back({kind, path, name});
}

void TInstalledItems::AddFolderFirst(const AnsiString& path) {
    const auto known = std::find_if(items_.begin(), items_.end(), [&](const Item& item) {
        return item.kind == Kind::Folder && item.path == path;
    });
    if (known != items_.end())
        items_.erase(known);
    items_.insert(items_.begin(), {Kind::Folder, path, AnsiString()});
}

std::string TInstalledItems::ListText() const {
    std::string text = kListHeader;
    for (const Item& item : items_) {
        text += KindWord(item.kind);
        text += '\t';
        if (item.kind == Kind::RegistryValue || item.kind == Kind::RegistryKey)
            text += "HKLM\\";
        text += Utf8(item.path);
        if (item.kind == Kind::RegistryValue)
            text += '\t' + Utf8(item.name);
        text += '\n';
    }
    return text;
}

void TInstalledItems::LoadFromFile(const AnsiString& fileName) {
    const std::optional<std::string> path = winapi::ToLinuxPath(fileName);
    std::string text;
    if (!path || winapi::ReadWholeFile(*path, text) != 0 || text.rfind(kListHeader, 0) != 0)
        return;
    std::vector<Item> earlier;
    for (size_t start = kListHeader.size(), end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos)
            return; // cut short: not a list this installer wrote
        const std::vector<std::string> fields =
            SplitTabFields(std::string_view(text).substr(start, end - start));
        const auto kind = KindFromWord(fields[0]);
        const bool isRegistry = kind == Kind::RegistryValue || kind == Kind::RegistryKey;
        const size_t wanted = kind == Kind::RegistryValue ? 3 : 2;
        if (!kind || fields.size() != wanted || (isRegistry && fields[1].rfind("HKLM\\", 0) != 0))
            return;
        const auto itemPath = gbk::FromUtf8(isRegistry ? fields[1].substr(5) : fields[1]);
        const auto name = gbk::FromUtf8(wanted == 3 ? fields[2] : std::string());
        if (!itemPath || !name)
            return;
        earlier.push_back({*kind, *itemPath, *name});
    }
    for (const Item& item : earlier)
        Add(item.kind, item.path, item.name);
}

void TInstalledItems::SaveToFile(const AnsiString& fileName) const {
    const std::string text = ListText();
    const std::optional<std::string> path = winapi::ToLinuxPath(fileName);
    const int error = path ? winapi::WriteWholeFile(*path, text) : 0;
    if (!path || error != 0)
        throw EFCreateError("Cannot create file \"" + fileName + "\". " +
                            SysErrorMessage(!path ? GetLastError()
                                            : error == ENOENT
                                                ? ERROR_PATH_NOT_FOUND
                                                : winapi::Win32ErrorFromErrno(error)));
}

TInstalledItems& InstalledItems() {
    static TInstalledItems record;
    return record;
}
