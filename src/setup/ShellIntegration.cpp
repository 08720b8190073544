#include "ShellIntegration.h"

#include "DesktopLaunchers.h"
#include "InstallTransaction.h"
#include "InstalledItems.h"
#include "ProductInfo.h"
#include "rtl/ComObj.h"
#include "rtl/FileUtils.h"
#include "rtl/Registry.h"
#include "rtl/SysErrorMessage.h"

#include "winapi/Gbk.h"
#include "winapi/ShellLink.h"
#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"
#include "winapi/ole32.h"
#include "winapi/shell32.h"
#include "winapi/version.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

const AnsiString kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const AnsiString kUninstallKey =
    AnsiString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProductName;
const AnsiString kFallbackVersion = "1.0.0.1";
// Every value the uninstall entry holds.
const char* const kUninstallValueNames[] = {"DisplayName",    "UninstallString", "DisplayIcon",
                                            "DisplayVersion", "URLInfoAbout",    "URLUpdateInfo",
                                            "Publisher",      "InstallLocation", "EstimatedSize",
                                            "NoModify",       "NoRepair"};

// Byte offsets of the single-byte characters of a GBK string (second bytes of two-byte
// characters are skipped, since they may equal "\").
template <class Visit> void ForEachSingleByte(const AnsiString& text, Visit visit) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (gbk::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            ++i;
            continue;
        }
        visit(i);
    }
}

// What follows the last "\" or ":" (the whole text when it holds neither).
size_t FileNameStart(const AnsiString& path) {
    size_t start = 0;
    ForEachSingleByte(path, [&](size_t i) {
        if (path[i] == '\\' || path[i] == ':')
            start = i + 1;
    });
    return start;
}

AnsiString DoubleBackslashes(const AnsiString& path) {
    AnsiString doubled;
    size_t copied = 0;
    ForEachSingleByte(path, [&](size_t i) {
        if (path[i] == '\\') {
            doubled.append(path, copied, i + 1 - copied);
            doubled += '\\';
            copied = i + 1;
        }
    });
    return doubled + path.substr(copied);
}

// The inverse of DoubleBackslashes.
AnsiString SingleBackslashes(const AnsiString& path) {
    AnsiString single;
    for (size_t i = 0; i < path.size(); ++i) {
        single += path[i];
        if (gbk::IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size())
            single += path[++i];
        else if (path[i] == '\\' && i + 1 < path.size() && path[i + 1] == '\\')
            ++i;
    }
    return single;
}

// A REG_SZ value of the registry's current key as GBK text; empty when it is missing, of
// another type or not GBK.
AnsiString ReadText(TRegistry& registry, const AnsiString& name) {
    const auto value = registry.ReadValue(name);
    if (!value || value->type != REG_SZ)
        return AnsiString();
    std::u16string text(value->data.size() / 2, u'\0');
    std::memcpy(text.data(), value->data.data(), text.size() * 2);
    text.resize(std::min(text.size(), text.find(u'\0')));
    const auto utf8 = gbk::Utf8FromUtf16(text);
    return utf8 ? gbk::FromUtf8(*utf8).value_or(AnsiString()) : AnsiString();
}

// A registry step that failed, with the system's text for the code the registry object left.
[[noreturn]] void RaiseRegistryError(const AnsiString& key) {
    throw Exception(gbk::Literal("无法写入注册表项 HKEY_LOCAL_MACHINE\\") + key + ": " +
                    SysErrorMessage(GetLastError()));
}

// The bytes of the regular files below a Linux folder, in KiB rounded up; entries that cannot
// be read count as nothing, since the size is only shown to the user.
DWORD FolderSizeInKiB(const std::string& folder) {
    namespace fs = std::filesystem;
    std::uintmax_t bytes = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code sizeError;
        if (it->is_regular_file(sizeError) && !it->is_symlink(sizeError)) {
            const std::uintmax_t size = it->file_size(sizeError);
            if (!sizeError)
                bytes += size;
        }
    }
    const std::uintmax_t kib = (bytes + 1023) / 1024;
    return kib > 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<DWORD>(kib);
}

} // namespace

TShellLink::TShellLink() {
    IUnknown* object = nullptr;
    OleCheck(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IUnknown, reinterpret_cast<void**>(&object)));
    const bool complete =
        SUCCEEDED(object->QueryInterface(IID_IShellLinkA, reinterpret_cast<void**>(&link_))) &&
        SUCCEEDED(object->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file_)));
    object->Release();
    if (!complete) {
        Release();
        throw EIntfCastError();
    }
}

void TShellLink::Save(const AnsiString& fileName) const {
    const auto wide = gbk::ToWide(InstallTransaction().PrepareFile(fileName));
    const HRESULT result =
        wide ? file_->Save(wide->c_str(), FALSE) : HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    if (FAILED(result))
        throw Exception(gbk::Literal("无法创建快捷方式 ") + fileName + ": " +
                        SysErrorMessage(static_cast<DWORD>(result)));
    InstalledItems().AddLink(fileName);
}

void TShellLink::Release() {
    if (link_)
        link_->Release();
    if (file_)
        file_->Release();
    link_ = nullptr;
    file_ = nullptr;
}

AnsiString SpecialFolder(int csidl) {
    char path[MAX_PATH + 1] = {};
    LPITEMIDLIST itemList = nullptr;
    SHGetSpecialFolderLocation(nullptr, csidl, &itemList);
    SHGetPathFromIDListA(itemList, path);
    CoTaskMemFree(itemList);
    return path;
}

void CreateProductShortcuts(const TInstallState& state) {
    const AnsiString target = state.installDir + kMainProgramName;
    const AnsiString linkName = AnsiString(kProductName) + ".lnk";
    auto saveLink = [&](const AnsiString& fileName) {
        TShellLink link;
        link->SetPath(target.c_str());
        link->SetWorkingDirectory(ExtractFilePath(target).c_str());
        link->SetDescription(kProductName);
        link->SetIconLocation(target.c_str(), 0);
        link.Save(fileName);
    };
    // Each link and launcher is an extra: one that cannot be made is reported, not fatal.
    TInstallTransaction& transaction = InstallTransaction();
    if (state.desktopShortcut) {
        transaction.AttemptExtra(
            [&] { saveLink(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + linkName); });
        transaction.AttemptExtra([&] {
            CreateLaunchersFor(CSIDL_DESKTOPDIRECTORY, kProductName, target, kProductName, target);
        });
    }
    // The Quick Launch folder is not created: without it that link is not made.
    const AnsiString quickLaunch =
        SpecialFolder(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer\\Quick Launch\\";
    if (state.quickLaunch && DirectoryExists(quickLaunch))
        transaction.AttemptExtra([&] { saveLink(quickLaunch + linkName); });

    const AnsiString programs = SpecialFolder(CSIDL_PROGRAMS);
    const AnsiString productFolder = programs + "\\" + kProductName + "\\";
    transaction.AttemptExtra([&] {
        if (!transaction.PrepareFolder(productFolder))
            throw Exception(gbk::Literal("无法创建文件夹 ") + productFolder + ": " +
                            SysErrorMessage(GetLastError()));
        // Recorded even when an earlier install made it: the uninstaller removes it only empty.
        InstalledItems().AddFolder(ExcludeTrailingBackslash(productFolder));
        saveLink(productFolder + linkName);
    });
    const AnsiString menuName = AnsiString(kProductName) + "\\" + kProductName;
    transaction.AttemptExtra(
        [&] { CreateLaunchersFor(CSIDL_PROGRAMS, menuName, target, kProductName, target); });
}

void CreateShortcut(const AnsiString& target, int csidl, const std::wstring& name) {
    const AnsiString gbkName = gbk::FromWide(name).value_or("");
    TInstallTransaction& transaction = InstallTransaction();
    transaction.AttemptExtra([&] {
        TShellLink link;
        link->SetPath(target.c_str());
        link->SetWorkingDirectory(ExtractFilePath(target).c_str());
        link.Save(SpecialFolder(csidl) + "\\" + gbkName + ".lnk");
    });
    transaction.AttemptExtra([&] {
        CreateLaunchersFor(csidl, gbkName, target, AnsiString(),
                           ExtractFilePath(target) + kMainProgramName);
    });
}

AnsiString AutoRunValueName(const AnsiString& path) {
    const AnsiString fileName = path.substr(FileNameStart(path));
    const size_t dot = fileName.find('.');
    return dot == AnsiString::npos ? AnsiString() : fileName.substr(0, dot);
}

// The command line Windows runs from the value: the program's path in double quotes, then its
// arguments. Quoting the whole command would make Windows look for a program named
// "mervo.exe Minimize", so the product would never start with Windows. The program ends at
// the first blank of the command's file-name part; a blank is never part of a GBK character.
AnsiString AutoRunCommandLine(const AnsiString& command) {
    const size_t blank = command.find(' ', FileNameStart(command));
    if (blank == AnsiString::npos)
        return "\"" + command + "\"";
    return "\"" + command.substr(0, blank) + "\"" + command.substr(blank);
}

void SetAutoRun(const AnsiString& command, bool enable) {
    const AnsiString name = AutoRunValueName(command);
    TRegistry registry(KEY_ALL_ACCESS);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    try {
        InstallTransaction().PrepareRegistryKey(kRunKey);
        InstallTransaction().PrepareRegistryValue(kRunKey, name);
        if (!registry.OpenKey(kRunKey, true))
            RaiseRegistryError(kRunKey);
        if (enable) {
            registry.WriteString(name, AutoRunCommandLine(command));
            InstalledItems().AddRegistryValue(kRunKey, name);
        } else if (!registry.DeleteValue(name) && GetLastError() != ERROR_FILE_NOT_FOUND) {
            RaiseRegistryError(kRunKey);
        }
        // With a Wine server running, the changes reach it only at the close.
        registry.CloseKey();
    } catch (const ERegistryException&) {
        RaiseRegistryError(kRunKey);
    }
}

void WriteUninstallEntry(const AnsiString& uninstaller, const AnsiString& mainExecutable) {
    const AnsiString installFolder = ExtractFilePath(uninstaller);
    const DWORD size = FolderSizeInKiB(winapi::ToLinuxPath(installFolder).value_or(""));
    AnsiString version = kFallbackVersion;
    try {
        version = GetFileVersionString(mainExecutable);
    } catch (const Exception&) {
    }
    TRegistry registry(KEY_ALL_ACCESS);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    try {
        // What the key held before, so that a failure puts it back.
        TInstallTransaction& transaction = InstallTransaction();
        transaction.PrepareRegistryKey(kUninstallKey);
        for (const char* name : kUninstallValueNames)
            transaction.PrepareRegistryValue(kUninstallKey, name);
        registry.CreateKey(kUninstallKey);
        if (!registry.OpenKey(kUninstallKey, true))
            RaiseRegistryError(kUninstallKey);
        InstalledItems().AddRegistryKey(kUninstallKey);
        registry.WriteString("DisplayName", kProductName);
        registry.WriteString("UninstallString", "\"" + DoubleBackslashes(uninstaller) + "\"");
        registry.WriteString("DisplayIcon", "\"" + DoubleBackslashes(mainExecutable) + "\"");
        registry.WriteString("DisplayVersion", version);
        registry.WriteString("URLInfoAbout", ProductWebAddress());
        registry.WriteString("URLUpdateInfo", ProductWebAddress());
        registry.WriteString("Publisher", ProductPublisher());
        // What the lists of installed programs show beside the name. Windows and Wine read
        // the size and the two flags as DWORDs; the location is a plain path.
        registry.WriteString("InstallLocation", installFolder);
        registry.WriteInteger("EstimatedSize", size);
        registry.WriteInteger("NoModify", 1);
        registry.WriteInteger("NoRepair", 1);
        registry.CloseKey();
    } catch (const ERegistryException&) {
        RaiseRegistryError(kUninstallKey);
    }
}

AnsiString RegisteredInstallFolder() {
    TRegistry registry(KEY_QUERY_VALUE);
    if (!registry.OpenKey(kUninstallKey, false))
        return AnsiString();
    AnsiString folder = ReadText(registry, "InstallLocation");
    // An entry without the location names the folder through its uninstaller's command.
    if (folder.empty()) {
        AnsiString command = ReadText(registry, "UninstallString");
        if (command.size() >= 2 && command.front() == '"' && command.back() == '"')
            command = command.substr(1, command.size() - 2);
        folder = ExtractFilePath(SingleBackslashes(command));
    }
    registry.CloseKey();
    return folder.empty() ? folder : IncludeTrailingBackslash(folder);
}

AnsiString GetFileVersionString(const AnsiString& fileName) {
    auto fail = [&](DWORD error) {
        AnsiString message = gbk::Literal("无法读取文件版本信息: ") + fileName;
        if (const AnsiString reason = SysErrorMessage(error); !reason.empty())
            message += " (" + reason + ")";
        return Exception(message);
    };
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
    if (size == 0)
        throw fail(GetLastError());
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoA(fileName.c_str(), handle, size, block.data()))
        throw fail(GetLastError());
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO))
        throw fail(ERROR_RESOURCE_DATA_NOT_FOUND);
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    return std::to_string(info->dwFileVersionMS >> 16) + "." +
           std::to_string(info->dwFileVersionMS & 0xFFFF) + "." +
           std::to_string(info->dwFileVersionLS >> 16) + "." +
           std::to_string(info->dwFileVersionLS & 0xFFFF);
}
