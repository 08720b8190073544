#include "InstalledItems.h"

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

std::string TInstalledItems::ListText() const {
    std::string text = "VostrelUninstallList 1\n";
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
