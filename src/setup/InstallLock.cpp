#include "InstallLock.h"

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A held flock and what it is held for.
struct HeldLock {
    int descriptor = -1;
    std::string subject;

    void Release() {
        if (descriptor >= 0)
            close(descriptor);
        descriptor = -1;
        subject.clear();
    }
};

HeldLock rootLock;
HeldLock folderLock;

// Locks descriptor for subject into held; false when another process holds it. The descriptor
// is taken over either way.
bool TakeLock(HeldLock& held, int descriptor, const std::string& subject) {
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        close(descriptor);
        return false;
    }
    held.Release();
    held.descriptor = descriptor;
    held.subject = subject;
    return true;
}

// FNV-1a: a hash that stays the same across builds and machines.
uint64_t StableHash(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// Opens the lock file at path, creating it readable for every user (flock needs no write
// access). Never follows a link or blocks on a FIFO planted there; -1 when it cannot be had.
int OpenLockFile(const std::string& path) {
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    for (int attempt = 0; attempt < 3; ++attempt) {
        int descriptor = open(path.c_str(), flags);
        if (descriptor < 0 && errno == ENOENT) {
            descriptor = open(path.c_str(), flags | O_CREAT | O_EXCL, 0644);
            if (descriptor >= 0)
                fchmod(descriptor, 0644);
            else if (errno == EEXIST)
                continue; // made by another installer just now
        }
        struct stat st {};
        if (descriptor >= 0 && (fstat(descriptor, &st) != 0 || !S_ISREG(st.st_mode))) {
            close(descriptor);
            return -1;
        }
        return descriptor;
    }
    return -1;
}

} // namespace

bool TryLockInstall() {
    // A root that cannot be had is no other install's: the install's own steps report why.
    const auto root = winapi::SystemRootPath();
    if (!root)
        return true;
    if (rootLock.descriptor >= 0 && rootLock.subject == *root)
        return true;
    const int folder = open(root->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return true;
    return TakeLock(rootLock, folder, *root);
}

bool TryLockInstallFolder(const std::string& linuxFolder) {
    std::error_code error;
    std::string folder = std::filesystem::weakly_canonical(linuxFolder, error).string();
    if (error)
        folder = linuxFolder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folderLock.descriptor >= 0 && folderLock.subject == folder)
        return true;
    char name[64];
    std::snprintf(name, sizeof name, "/tmp/vostrel-setup-%016" PRIx64 ".lock", StableHash(folder));
    const int descriptor = OpenLockFile(name);
    if (descriptor < 0)
        return true;
    return TakeLock(folderLock, descriptor, folder);
}

void UnlockInstall() {
    rootLock.Release();
    folderLock.Release();
}

AnsiString InstallRunningMessage() {
    return gbk::Literal("另一个Talvimo安装程序正在运行，请等它结束后再试。");
}
