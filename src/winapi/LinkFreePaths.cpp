#include "LinkFreePaths.h"

#include "SystemRoot.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <linux/openat2.h>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace winapi {

namespace {

std::mutex trustedLock;
std::vector<std::string> trustedFolders; // by TrustFolder

bool IsAtOrBelow(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return true;
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// The deepest starting point at or above path; "/" when there is none.
std::string StartingPoint(const std::string& path) {
    std::vector<std::string> candidates;
    if (const auto root = SystemRootLocation())
        candidates.push_back(*root);
    if (const auto home = HomeFolder())
        candidates.push_back(*home);
    for (const char* variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        if (const char* value = std::getenv(variable); value && value[0] == '/')
            candidates.emplace_back(value);
    {
        const std::lock_guard lock(trustedLock);
        candidates.insert(candidates.end(), trustedFolders.begin(), trustedFolders.end());
    }
    std::string start = "/";
    for (const std::string& candidate : candidates) {
        const std::string folder = WithoutTrailingSlash(candidate);
        if (folder.size() > start.size() && IsAtOrBelow(path, folder))
            start = folder;
    }
    return start;
}

// A user folder of the Wine profile, which Wine makes as a link to the user's own folder.
bool IsProfileUserFolder(const std::string& path) {
    const auto root = SystemRootLocation();
    if (!root)
        return false;
    const std::string profile = WithoutTrailingSlash(*root) + "/drive_c/users/" + WineUserName();
    return path.size() > profile.size() + 1 && IsAtOrBelow(path, profile) &&
           path.find('/', profile.size() + 1) == std::string::npos;
}

// The whole relative path in one call where the kernel has openat2.
int OpenWithoutLinks(int start, const std::string& relative) {
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    return static_cast<int>(syscall(SYS_openat2, start, relative.c_str(), &how, sizeof how));
}

// Opens the folder at the absolute path; link receives the refused link's path on ELOOP.
int OpenFolder(const std::string& path, FileDescriptor& result, std::string* link) {
    const std::string start = StartingPoint(path);
    FileDescriptor folder(open(start.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid())
        return errno;
    const size_t restAt = path.find_first_not_of('/', start.size());
    if (restAt == std::string::npos) {
        result = std::move(folder);
        return 0;
    }
    if (const int fd = OpenWithoutLinks(folder.Get(), path.substr(restAt)); fd >= 0) {
        result = FileDescriptor(fd);
        return 0;
    } else if (errno != ELOOP && errno != ENOSYS) {
        return errno;
    }
    // One folder at a time: the allowed links are followed, the first other one is named.
    std::string walked = start == "/" ? "" : start;
    for (size_t at = restAt; at < path.size();) {
        size_t end = path.find('/', at);
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(at, end - at);
        at = path.find_first_not_of('/', end);
        if (at == std::string::npos)
            at = path.size();
        if (name.empty() || name == ".")
            continue;
        walked += "/" + name;
        int fd =
            openat(folder.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        int error = errno;
        struct stat st {};
        if (fd < 0 && (error == ENOTDIR || error == ELOOP) &&
            fstatat(folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode)) {
            if (IsProfileUserFolder(walked)) {
                fd = openat(folder.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                error = errno;
            } else {
                if (link)
                    *link = walked;
                return ELOOP;
            }
        }
        if (fd < 0)
            return error;
        folder = FileDescriptor(fd);
    }
    result = std::move(folder);
    return 0;
}

int SplitParent(const std::string& path, std::string& folder, std::string& name) {
    const std::string trimmed = WithoutTrailingSlash(path);
    const size_t slash = trimmed.find_last_of('/');
    if (trimmed.empty() || trimmed[0] != '/' || slash == std::string::npos)
        return ENOENT;
    name = trimmed.substr(slash + 1);
    folder = slash == 0 ? "/" : trimmed.substr(0, slash);
    return name.empty() ? EISDIR : 0;
}

} // namespace

int OpenParentFolder(const std::string& path, ParentFolder& parent) {
    std::string folder;
    if (const int error = SplitParent(path, folder, parent.name); error != 0)
        return error;
    return OpenFolder(folder, parent.folder, nullptr);
}

std::optional<std::string> LinkOnTheWayTo(const std::string& path) {
    std::string folder;
    std::string name;
    if (SplitParent(path, folder, name) != 0)
        return std::nullopt;
    FileDescriptor opened;
    std::string link;
    if (OpenFolder(folder, opened, &link) == ELOOP && !link.empty())
        return link;
    return std::nullopt;
}

bool IsUsersOwnLink(const std::string& path) {
    const std::string trimmed = WithoutTrailingSlash(path);
    return StartingPoint(trimmed) == trimmed || IsProfileUserFolder(trimmed);
}

void TrustFolder(const std::string& folder) {
    const std::lock_guard lock(trustedLock);
    trustedFolders.push_back(folder);
}

int CreateTemporaryIn(int folder, const std::string& name, std::string& temporaryName) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof letters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryName = name + ".";
        for (int i = 0; i < 6; ++i)
            temporaryName += letters[pick(random)];
        const int fd = openat(folder, temporaryName.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace winapi
