#include "WholeFile.h"

#include "LinkFreePaths.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace winapi {

namespace {

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return ENOSPC;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return 0;
}

} // namespace

int WriteWholeFile(const std::string& path, const std::function<int(int fd)>& fill,
                   const WholeFileOptions& options) {
    ParentFolder parent;
    if (const int error = OpenParentFolder(path, parent); error != 0)
        return error;
    const int folder = parent.folder.Get();
    std::string temporary;
    const int fd = CreateTemporaryIn(folder, parent.name, temporary);
    if (fd < 0)
        return errno;
    flock(fd, LOCK_EX);
    int error = fill(fd);
    if (error == 0 && fchmod(fd, options.mode) != 0)
        error = errno;
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (error == 0 && options.written && fstat(fd, options.written) != 0)
        error = errno;
    int readBack = -1;
    if (error == 0 && options.readBack &&
        (readBack = open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC)) <
            0)
        error = errno;
    // Closed on every way: a descriptor left open would keep the removed temporary's blocks
    // taken on a disk that may just have run full.
    if (close(fd) != 0 && error == 0)
        error = errno; // a delayed write error surfaces here
    if (error == 0 && renameat(folder, temporary.c_str(), folder, parent.name.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlinkat(folder, temporary.c_str(), 0);
        if (readBack >= 0)
            close(readBack);
        return error;
    }
    if (options.readBack)
        *options.readBack = readBack;
    if (options.syncFolder)
        fsync(folder);
    return 0;
}

int WriteWholeFile(const std::string& path, std::string_view bytes,
                   const WholeFileOptions& options) {
    return WriteWholeFile(
        path, [bytes](int fd) { return WriteAll(fd, bytes); }, options);
}

void SyncFolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

int ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno;
    char buffer[65536];
    int error = 0;
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno;
            break;
        }
        bytes.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return error;
}

void RemoveDeadTemporaries(const std::string& path) {
    ParentFolder parent;
    if (OpenParentFolder(path, parent) != 0)
        return;
    const int folder = parent.folder.Get();
    const std::string stem = parent.name + ".";
    const int listed = dup(folder);
    DIR* dir = listed >= 0 ? fdopendir(listed) : nullptr;
    if (!dir) {
        if (listed >= 0)
            close(listed);
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != stem.size() + 6 || name.compare(0, stem.size(), stem) != 0)
            continue;
        const int fd = openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0)
            unlinkat(folder, name.c_str(), 0);
        close(fd);
    }
    closedir(dir);
}

} // namespace winapi
