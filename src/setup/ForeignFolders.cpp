#include "ForeignFolders.h"

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string OwnerName(uid_t uid) {
    const passwd* entry = getpwuid(uid);
    return entry ? entry->pw_name : std::to_string(uid);
}

// The path itself when it exists, else its deepest existing ancestor, with every link
// resolved: the folders root would really write under.
std::string DeepestExistingFolder(std::string path) {
    for (;;) {
        std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr),
                                                         &std::free);
        if (real)
            return real.get();
        const size_t slash = path.find_last_of('/');
        if (slash == std::string::npos || slash == 0)
            return "/";
        path.resize(slash);
    }
}

// Another user controls a folder they own, or one their group or everyone may write to
// without the sticky bit that keeps them from renaming root's entries.
bool OthersMayWrite(const struct stat& folder) {
    if (folder.st_mode & S_ISVTX)
        return false;
    return (folder.st_mode & S_IWOTH) || ((folder.st_mode & S_IWGRP) && folder.st_gid != 0);
}

} // namespace

void RefuseForeignFolders(const std::string& linuxPath) {
    if (geteuid() != 0)
        return;
    std::string folder = DeepestExistingFolder(linuxPath);
    // From the folder up to "/": a folder anyone but root controls lets them swap what is
    // below it.
    for (;;) {
        struct stat status {};
        if (lstat(folder.c_str(), &status) == 0 && (status.st_uid != 0 || OthersMayWrite(status)))
            throw EForeignFolder(
                ForeignFolderMessage(folder, OwnerName(status.st_uid), status.st_uid == 0));
        if (folder == "/")
            return;
        const size_t slash = folder.find_last_of('/');
        folder.resize(slash == 0 ? 1 : slash);
    }
}

void RefuseForeignSystemRoot() {
    if (const auto root = winapi::SystemRootLocation())
        RefuseForeignFolders(*root);
}

AnsiString ForeignFolderMessage(const std::string& folder, const std::string& owner,
                                bool writableByOthers) {
    const std::string text =
        writableByOthers
            ? "文件夹“" + folder + "”属于用户 " + owner +
                  "，但其他用户也可以写入。以 root 身份运行的安装程序不写入其他用户能改动的文件夹："
                  "请以将使用它的用户身份运行安装程序，或收回其他用户的写入权限。"
            : "文件夹“" + folder + "”属于用户 " + owner +
                  "。以 root 身份运行的安装程序不写入其他用户的文件夹：请以用户 " + owner +
                  " 的身份运行安装程序。";
    return gbk::FromUtf8(text).value_or(text);
}
