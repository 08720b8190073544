#include "RegistryStore.h"

#include "LinkFreePaths.h"
#include "RegistryParseCache.h"
#include "WholeFile.h"

#include "LinuxErrors.h"
#include "advapi32.h"
#include "kernel32.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace winapi {
namespace {

// An open registry file held under a lock. The file may be replaced by another editor between
// open and lock; the lock then holds a stale file, so we open again.
class LockedFile {
public:
    LockedFile(const std::string& path, bool exclusive) {
        for (;;) {
            // A writer creates nothing through a link: a registry file that is one is refused,
            // and so is a link on the way to it.
            ParentFolder parent;
            if (exclusive && (error_ = OpenParentFolder(path, parent)) != 0)
                return;
            fd_ = exclusive ? openat(parent.folder.Get(), parent.name.c_str(),
                                     O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644)
                            : open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd_ < 0) {
                error_ = errno;
                return;
            }
            if (flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
                error_ = errno;
                return;
            }
            struct stat held {
            }, current{};
            if (fstat(fd_, &held) == 0 && stat(path.c_str(), &current) == 0 &&
                held.st_dev == current.st_dev && held.st_ino == current.st_ino) {
                held_ = held;
                return;
            }
            close(fd_);
        }
    }
    ~LockedFile() {
        if (fd_ >= 0)
            close(fd_); // also releases the lock
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    int Error() const { return error_; }

    std::optional<std::string> ReadAll() {
        std::string text;
        char buffer[65536];
        for (off_t offset = 0;;) {
            const ssize_t got = pread(fd_, buffer, sizeof buffer, offset);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                error_ = errno;
                return std::nullopt;
            }
            if (got == 0)
                return text;
            text.append(buffer, static_cast<size_t>(got));
            offset += got;
        }
    }

    mode_t Mode() const { return held_.st_mode & 07777; }
    const struct stat& Held() const { return held_; }

private:
    int fd_ = -1;
    int error_ = 0;
    struct stat held_ {};
};

// Writes text as the whole file at path; 0 or an errno value, and the identity the new file
// has. The rename is made durable only when syncFolder is set.
int ReplaceFile(const std::string& path, std::string_view text, mode_t mode, bool syncFolder,
                std::optional<FileIdentity>& replaced) {
    struct stat written {};
    if (const int error = WriteWholeFile(path, text, {mode, syncFolder, &written}); error != 0)
        return error;
    // The rename leaves the modification time as it is.
    replaced.emplace(written);
    return 0;
}

std::optional<RegistryFile> ParseOrEmpty(std::string_view text, std::string_view arch = "win64") {
    if (text.empty())
        return RegistryFile::Empty(arch);
    return RegistryFile::Parse(text);
}

} // namespace

DWORD EditRegistryFile(const std::string& path, const std::function<DWORD(RegistryFile&)>& edit,
                       std::string_view arch, bool* unsynced) {
    LockedFile file(path, true);
    if (file.Error() != 0)
        return Win32ErrorFromErrno(file.Error());
    RemoveDeadTemporaries(path);
    const FileIdentity identity(file.Held());
    std::optional<std::string> text;
    std::optional<RegistryFile> registry;
    // An empty file is read again: what it starts as depends on arch.
    if (auto cached = identity.size > 0 ? TakeCached(path, identity) : std::nullopt) {
        text = std::move(cached->text);
        registry = std::move(cached->registry);
    } else {
        text = file.ReadAll();
        if (!text)
            return Win32ErrorFromErrno(file.Error());
        registry = ParseOrEmpty(*text, arch);
    }
    if (!registry)
        return ERROR_BADDB;
    // A failed edit may have changed part of the parsed form, which is then not kept.
    if (const DWORD error = edit(*registry); error != ERROR_SUCCESS)
        return error;
    std::string changed = registry->Text();
    if (changed == *text) {
        if (identity.size > 0)
            StoreCached({path, identity, std::move(changed), std::move(*registry)});
        return ERROR_SUCCESS;
    }
    std::optional<FileIdentity> replaced;
    if (const int error = ReplaceFile(path, changed, file.Mode(), !unsynced, replaced); error != 0)
        return Win32ErrorFromErrno(error);
    StoreCached({path, *replaced, std::move(changed), std::move(*registry)});
    if (unsynced)
        *unsynced = true;
    return ERROR_SUCCESS;
}

std::optional<RegistryFile> ReadRegistryFile(const std::string& path, DWORD* error) {
    auto fail = [&](DWORD code) -> std::optional<RegistryFile> {
        if (error)
            *error = code;
        return std::nullopt;
    };
    LockedFile file(path, false);
    if (file.Error() == ENOENT)
        return RegistryFile::Empty();
    if (file.Error() != 0)
        return fail(Win32ErrorFromErrno(file.Error()));
    const auto text = file.ReadAll();
    if (!text)
        return fail(Win32ErrorFromErrno(file.Error()));
    auto registry = ParseOrEmpty(*text);
    if (!registry)
        return fail(ERROR_BADDB);
    return registry;
}

} // namespace winapi
