#include "LauncherFiles.h"

#include "InstallTransaction.h"

#include "rtl/SysErrorMessage.h"

#include "winapi/Gbk.h"
#include "winapi/LinuxErrors.h"
#include "winapi/SystemRoot.h"
#include "winapi/WholeFile.h"
#include "winapi/kernel32.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void RaiseWin32FileError(const std::string& path, DWORD code) {
    throw Exception(gbk::Literal("无法写入文件 ") + gbk::FromUtf8(path).value_or(path) + ": " +
                    SysErrorMessage(code));
}

[[noreturn]] void RaiseFileError(const std::string& path, int error) {
    RaiseWin32FileError(path, winapi::Win32ErrorFromErrno(error));
}

} // namespace

std::string LauncherRootTag() {
    std::uint32_t hash = 2166136261u; // FNV-1a over the root's path
    for (const unsigned char c : winapi::SystemRootPath().value_or(""))
        hash = (hash ^ c) * 16777619u;
    char text[9];
    std::snprintf(text, sizeof text, "%08x", hash);
    return text;
}

AnsiString WindowsPathOf(const std::string& linuxPath) {
    if (auto windows = winapi::ToWindowsPath(linuxPath))
        return *windows;
    RaiseWin32FileError(linuxPath, GetLastError());
}

// Writes text as the whole file at path, creating its folders; raises with the system's text.
// The install's transaction records the folders it creates and the file it replaces first.
void WriteFile(const std::string& path, std::string_view text, mode_t mode) {
    TInstallTransaction& transaction = InstallTransaction();
    if (!transaction.PrepareFolder(WindowsPathOf(fs::path(path).parent_path().string()))) {
        // A file where a folder belongs leaves no path to the file.
        const DWORD error = GetLastError();
        RaiseWin32FileError(path, error == ERROR_ALREADY_EXISTS ? ERROR_PATH_NOT_FOUND : error);
    }
    transaction.PrepareFile(WindowsPathOf(path));
    if (const int error = winapi::WriteWholeFile(path, text, {mode}); error != 0)
        RaiseFileError(path, error);
}

// True when path already holds exactly these bytes. The icon goes with every launcher, and a
// rewrite of identical bytes would only cost a temporary file and a rename each time.
bool HoldsExactly(const std::string& path, std::string_view bytes) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<size_t>(st.st_size) != bytes.size())
        return false;
    std::string existing;
    return winapi::ReadWholeFile(path, existing) == 0 && existing == bytes;
}
