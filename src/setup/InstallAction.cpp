#include "InstallAction.h"

#include "ForeignFolders.h"
#include "InstallLock.h"
#include "InstallTransaction.h"
#include "InstalledItems.h"
#include "IntegrityCheck.h"
#include "PayloadFiles.h"
#include "ProductInfo.h"
#include "ResourceFiles.h"
#include "WineSupport.h"

#include "rtl/FileUtils.h"
#include "rtl/Streams.h"
#include "rtl/SysErrorMessage.h"

#include "winapi/Gbk.h"
#include "winapi/LinkFreePaths.h"
#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

AnsiString Gbk(const std::string& utf8) {
    return gbk::FromUtf8(utf8).value_or(utf8);
}

// The reason for a root setting Wine refuses, or the system's reason the root cannot be made.
AnsiString RootReason(DWORD error, const std::string& root) {
    struct stat st {};
    switch (error) {
    case ERROR_BAD_ENVIRONMENT:
        return gbk::Literal("WINEARCH=") + Gbk(winapi::WineArchitecture()) +
               gbk::Literal(" 无效，只能是 win32 或 win64");
    case ERROR_BAD_PATHNAME:
        return gbk::Literal("WINEPREFIX 必须是绝对路径");
    case ERROR_ENVVAR_NOT_FOUND:
        return gbk::Literal("找不到用户的主文件夹（HOME 未设置，用户数据库中也没有）");
    default:
        if (stat(root.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            return gbk::Literal("这是一个文件，不是文件夹");
        return SysErrorMessage(error);
    }
}

// A folder that is the root of a mounted file system ("/" included).
bool IsMountRoot(const std::string& linuxFolder) {
    struct statx here {};
    if (statx(AT_FDCWD, linuxFolder.c_str(), 0, STATX_BASIC_STATS, &here) != 0 ||
        !S_ISDIR(here.stx_mode))
        return false;
    if (here.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
        return (here.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    struct statx parent {};
    return statx(AT_FDCWD, (linuxFolder + "/..").c_str(), 0, STATX_BASIC_STATS, &parent) == 0 &&
           (parent.stx_dev_major != here.stx_dev_major ||
            parent.stx_dev_minor != here.stx_dev_minor || parent.stx_ino == here.stx_ino);
}

// "X:\" itself, or a folder that is the root of a file system on Linux.
bool IsRootFolder(const AnsiString& installDir, const std::string& linuxFolder) {
    return winapi::ToLinuxPath(installDir.substr(0, 3)) == linuxFolder || IsMountRoot(linuxFolder);
}

// Writes a carried file into the install folder, setting aside the one it replaces, and checks
// the bytes behind the descriptor it returns, not the name, which another process could rename
// something over. Raises EDamagedSetup when they differ from the resource's stamp or the program
// does not carry the resource.
winapi::FileDescriptor SavePayloadFile(const char* resource, const AnsiString& fileName) {
    try {
        winapi::FileDescriptor written =
            SaveResourceToFile(resource, InstallTransaction().PrepareFile(fileName));
        if (!HoldsCarriedResource(written.Get(), resource))
            throw Exception(gbk::FromUtf8(DamagedResourceMessage(resource)).value_or(""));
        return written;
    } catch (const EStreamError&) { // EFCreateError included
        throw;
    } catch (const Exception& e) {
        throw EDamagedSetup(e.Message());
    }
}

// The deepest folder above the Linux path that exists, as spelt in the path.
std::string ExistingAncestor(std::string path) {
    for (;;) {
        const size_t slash = path.find_last_of('/');
        if (slash == std::string::npos || slash == 0)
            return "/";
        path.resize(slash);
        struct stat st {};
        if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return path;
    }
}

} // namespace

AnsiString UnusableRootMessage() {
    if (winapi::SystemRootPath())
        return AnsiString();
    const DWORD error = GetLastError();
    const std::string root = winapi::SystemRootSetting();
    return gbk::Literal("无法使用系统根目录 ") + Gbk(root) + gbk::Literal("：") +
           RootReason(error, root) + gbk::Literal("。");
}

void LockInstall(const TInstallState& state) {
    // Root writes into no folder another user controls: the system root first, before anything
    // makes its layout.
    RefuseForeignSystemRoot();
    // A product the system root cannot run is not installed into it at all: this check comes
    // before the root's layout is made.
    if (const auto root = winapi::SystemRootLocation())
        if (const AnsiString unfit = RootArchitectureMessage(*root, ProductMachine());
            !unfit.empty())
            throw Exception(unfit);
    if (const AnsiString unusable = UnusableRootMessage(); !unusable.empty())
        throw Exception(unusable);
    // A folder that cannot be mapped is refused with its reason when it is created.
    const auto folder = winapi::ToLinuxPath(state.installDir);
    if (folder && IsRootFolder(state.installDir, *folder))
        throw EInstallFolderIsRoot(gbk::Literal("不能安装到驱动器或文件系统的根目录 ") +
                                   state.installDir +
                                   gbk::Literal("，请在其中另选或新建一个文件夹。"));
    if (folder) {
        RefuseForeignFolders(*folder);
        // The folders above the install folder that exist are the user's choice, links
        // included; below them nothing is reached through a link.
        winapi::TrustFolder(ExistingAncestor(*folder));
    }
    // A second installer on the same root or into the same folder would write under the first
    // one's feet.
    if (!TryLockInstall() || (folder && !TryLockInstallFolder(*folder)))
        throw EInstallRunning(InstallRunningMessage());
}

void PerformInstallAction(const TInstallState& state) {
    LockInstall(state);
    try {
        AwaitIntactResources();
    } catch (const Exception& e) {
        throw EDamagedSetup(e.Message());
    }
    TInstallTransaction& transaction = InstallTransaction();
    transaction.Begin();
    try {
        // A reinstall keeps the earlier install's record: the uninstaller removes both.
        TInstalledItems& items = InstalledItems();
        items.Clear();
        items.LoadFromFile(state.installDir + kUninstallListName);
        if (!transaction.PrepareFolder(state.installDir))
            throw Exception(SysErrorMessage(GetLastError()));
        items.AddFolder(ExcludeTrailingBackslash(state.installDir));
        // The library last: an archive without it is never taken for a whole payload. Both
        // stay held for the sequence.
        HeldPayload().reset();
        winapi::FileDescriptor archive =
            SavePayloadFile("F1", state.installDir + kPayloadArchiveName);
        winapi::FileDescriptor library =
            SavePayloadFile("F7z", state.installDir + kArchiveLibraryName);
        HeldPayload().emplace(std::move(archive), std::move(library));
    } catch (...) {
        HeldPayload().reset();
        transaction.Rollback();
        throw;
    }
}
