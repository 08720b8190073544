// kernel32 files and folders on POSIX file descriptors. Windows share modes have no Linux
// counterpart, so they are enforced among the handles of this process: every open file
// remembers its device, inode, access and share mode, and an open (or a delete) that the
// existing handles do not allow fails with ERROR_SHARING_VIOLATION. Other processes are not
// seen. A library the process has loaded counts as opened without write or delete sharing, as
// Windows treats a mapped image: it can be read, but not written, truncated, renamed or deleted.
#include "Handles.h"
#include "LinkFreePaths.h"
#include "LinuxErrors.h"
#include "LoadedModules.h"
#include "SystemRoot.h"
#include "kernel32.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr DWORD GENERIC_ALL = 0x10000000;
constexpr DWORD DELETE_ACCESS = 0x00010000;

class FileObject final : public winapi::KernelObject {
public:
    FileObject(int descriptor, DWORD accessMode, DWORD shareMode, dev_t deviceId, ino_t inodeId)
        : fd(descriptor), access(accessMode), share(shareMode), device(deviceId), inode(inodeId) {}
    ~FileObject() override { close(fd); }
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    bool CanRead() const { return (access & (GENERIC_READ | GENERIC_ALL)) != 0; }
    bool CanWrite() const { return (access & (GENERIC_WRITE | GENERIC_ALL)) != 0; }
    bool CanDelete() const { return (access & (DELETE_ACCESS | GENERIC_ALL)) != 0; }

    const int fd;
    const DWORD access;
    const DWORD share;
    const dev_t device;
    const ino_t inode;
};

// Would a new open with this access and share mode conflict with the open handles of the file?
bool SharingConflict(dev_t device, ino_t inode, DWORD access, DWORD share) {
    const bool read = (access & (GENERIC_READ | GENERIC_ALL)) != 0;
    const bool write = (access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
    const bool remove = (access & (DELETE_ACCESS | GENERIC_ALL)) != 0;
    if (!read && !write && !remove)
        return false; // an open for attributes only is never refused
    if ((write || remove) && winapi::IsLoadedLibraryFile(device, inode))
        return true;
    bool conflict = false;
    winapi::ForEachHandle([&](winapi::KernelObject& object) {
        const auto* file = dynamic_cast<const FileObject*>(&object);
        if (!file || file->device != device || file->inode != inode)
            return;
        if ((read && !(file->share & FILE_SHARE_READ)) ||
            (write && !(file->share & FILE_SHARE_WRITE)) ||
            (remove && !(file->share & FILE_SHARE_DELETE)) ||
            (file->CanRead() && !(share & FILE_SHARE_READ)) ||
            (file->CanWrite() && !(share & FILE_SHARE_WRITE)) ||
            (file->CanDelete() && !(share & FILE_SHARE_DELETE)))
            conflict = true;
    });
    return conflict;
}

// Deleting or renaming a file is refused while a handle of it does not share delete access, or
// while it is a loaded library; the refusal is the last error.
bool DeletingIsRefused(const struct stat& st) {
    if (!SharingConflict(st.st_dev, st.st_ino, DELETE_ACCESS,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
        return false;
    SetLastError(ERROR_SHARING_VIOLATION);
    return true;
}

// The code for a failed lookup of path: ENOENT means a missing file when its folder exists,
// otherwise a missing path, as Windows distinguishes them.
void SetLastErrorForPath(int err, const std::string& path) {
    if (err == ENOENT) {
        const std::string folder = path.substr(0, path.rfind('/'));
        struct stat st {};
        const bool folderExists =
            stat(folder.empty() ? "/" : folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        SetLastError(folderExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return;
    }
    winapi::SetLastErrorFromErrno(err);
}

// Opens the folder of path's last component for a change made in it, no link followed on the
// way; false with the last error set when it cannot be reached.
bool OpenParentForChange(const std::string& path, winapi::ParentFolder& parent) {
    const int error = winapi::OpenParentFolder(path, parent);
    if (error == 0)
        return true;
    SetLastError(error == ENOENT ? ERROR_PATH_NOT_FOUND : winapi::Win32ErrorFromErrno(error));
    return false;
}

std::shared_ptr<FileObject> OpenFile(HANDLE handle) {
    auto file = winapi::FindHandleAs<FileObject>(handle);
    if (!file)
        SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

// The file behind a handle for a synchronous read or write; null with the last error set for
// an unknown handle, an overlapped request (never used here) or a handle opened without the
// access the transfer needs.
std::shared_ptr<FileObject> OpenForTransfer(HANDLE handle, const OVERLAPPED* overlapped,
                                            bool (FileObject::*hasAccess)() const) {
    auto file = OpenFile(handle);
    if (!file)
        return nullptr;
    if (overlapped) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!((*file).*hasAccess)()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return file;
}

} // namespace

DWORD GetFileAttributesA(LPCSTR fileName) {
    const auto path = winapi::ToLinuxPath(fileName ? fileName : "");
    if (!path)
        return INVALID_FILE_ATTRIBUTES;
    // A link answers for itself, as a Windows symbolic link does: a reparse point, a folder when
    // it leads to one, and there even when it leads nowhere.
    struct stat st {};
    if (lstat(path->c_str(), &st) != 0) {
        SetLastErrorForPath(errno, *path);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        const bool folder = stat(path->c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        return FILE_ATTRIBUTE_REPARSE_POINT | (folder ? FILE_ATTRIBUTE_DIRECTORY : 0);
    }
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!S_ISDIR(st.st_mode) && (st.st_mode & 0222) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

DWORD GetLogicalDrives() {
    DWORD drives = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const char root[] = {letter, ':', '\\', '\0'};
        const DWORD attributes = GetFileAttributesA(root);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            drives |= 1u << (letter - 'A');
    }
    SetLastError(ERROR_SUCCESS);
    return drives;
}

BOOL CreateDirectoryA(LPCSTR pathName, SECURITY_ATTRIBUTES* /*securityAttributes*/) {
    const auto path = winapi::ToLinuxPath(pathName ? pathName : "");
    if (!path)
        return FALSE;
    winapi::ParentFolder parent;
    if (!OpenParentForChange(*path, parent))
        return FALSE;
    if (mkdirat(parent.folder.Get(), parent.name.c_str(), 0777) != 0) {
        const int err = errno;
        // A drive root already exists but Windows reports it as access denied.
        if (err == EEXIST && std::string_view(pathName).size() <= 3)
            SetLastError(ERROR_ACCESS_DENIED);
        else if (err == ENOENT)
            SetLastError(ERROR_PATH_NOT_FOUND);
        else
            winapi::SetLastErrorFromErrno(err);
        return FALSE;
    }
    return TRUE;
}

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   SECURITY_ATTRIBUTES* /*securityAttributes*/, DWORD creationDisposition,
                   DWORD /*flagsAndAttributes*/, HANDLE /*templateFile*/) {
    if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING ||
        (creationDisposition == TRUNCATE_EXISTING && !(desiredAccess & GENERIC_WRITE))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const auto path = winapi::ToLinuxPath(fileName ? fileName : "");
    if (!path)
        return INVALID_HANDLE_VALUE;

    const bool read = desiredAccess & (GENERIC_READ | GENERIC_ALL);
    const bool write = desiredAccess & (GENERIC_WRITE | GENERIC_ALL);
    const int mode = write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY;
    const bool mayCreate = creationDisposition == CREATE_NEW ||
                           creationDisposition == CREATE_ALWAYS ||
                           creationDisposition == OPEN_ALWAYS;

    // What is created or written is reached from its held folder; a read goes by the path.
    winapi::ParentFolder parent;
    const bool changes = write || mayCreate;
    if (changes && !OpenParentForChange(*path, parent))
        return INVALID_HANDLE_VALUE;
    const int at = changes ? parent.folder.Get() : AT_FDCWD;
    const char* name = changes ? parent.name.c_str() : path->c_str();

    bool created = false;
    int fd = -1;
    if (mayCreate) {
        fd = openat(at, name, mode | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        created = fd >= 0;
        if (fd < 0 && errno == EEXIST && creationDisposition == CREATE_NEW) {
            SetLastError(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
    }
    // Writing never follows a link in the last component: a link there is refused, not the
    // file it leads to changed.
    if (fd < 0 && (!mayCreate || errno == EEXIST))
        fd = openat(at, name, mode | (write ? O_NOFOLLOW : 0) | O_CLOEXEC);
    if (fd < 0) {
        SetLastErrorForPath(errno, *path);
        if (mayCreate && GetLastError() == ERROR_FILE_NOT_FOUND)
            SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    struct stat st {};
    const bool statFailed = fstat(fd, &st) != 0;
    auto fail = [&](DWORD code) {
        close(fd);
        if (created)
            unlinkat(at, name, 0);
        SetLastError(code);
        return INVALID_HANDLE_VALUE;
    };
    if (statFailed)
        return fail(winapi::Win32ErrorFromErrno(errno));
    if (S_ISDIR(st.st_mode))
        return fail(ERROR_ACCESS_DENIED);
    if (SharingConflict(st.st_dev, st.st_ino, desiredAccess, shareMode))
        return fail(ERROR_SHARING_VIOLATION);
    const bool truncate = !created && (creationDisposition == CREATE_ALWAYS ||
                                       creationDisposition == TRUNCATE_EXISTING);
    if (truncate && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0)
        return fail(winapi::Win32ErrorFromErrno(errno));

    HANDLE handle = winapi::InsertHandle(
        std::make_shared<FileObject>(fd, desiredAccess, shareMode, st.st_dev, st.st_ino));
    // Opening over an existing file with a creating disposition succeeds with this note.
    const bool existed =
        !created && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              OVERLAPPED* overlapped) {
    if (bytesRead)
        *bytesRead = 0;
    const auto object = OpenForTransfer(file, overlapped, &FileObject::CanRead);
    if (!object)
        return FALSE;
    DWORD done = 0;
    while (done < bytesToRead) {
        const ssize_t n = read(object->fd, static_cast<char*>(buffer) + done, bytesToRead - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            winapi::SetLastErrorFromErrno(errno);
            if (bytesRead)
                *bytesRead = done;
            return FALSE;
        }
        if (n == 0)
            break;
        done += static_cast<DWORD>(n);
    }
    if (bytesRead)
        *bytesRead = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               OVERLAPPED* overlapped) {
    if (bytesWritten)
        *bytesWritten = 0;
    const auto object = OpenForTransfer(file, overlapped, &FileObject::CanWrite);
    if (!object)
        return FALSE;
    DWORD done = 0;
    while (done < bytesToWrite) {
        const ssize_t n =
            write(object->fd, static_cast<const char*>(buffer) + done, bytesToWrite - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            winapi::SetLastErrorFromErrno(n < 0 ? errno : ENOSPC);
            if (bytesWritten)
                *bytesWritten = done;
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (bytesWritten)
        *bytesWritten = done;
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod) {
    const auto object = OpenFile(file);
    if (!object)
        return INVALID_SET_FILE_POINTER;
    const int whence = moveMethod == FILE_BEGIN     ? SEEK_SET
                       : moveMethod == FILE_CURRENT ? SEEK_CUR
                       : moveMethod == FILE_END     ? SEEK_END
                                                    : -1;
    if (whence < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    // Without a high part the distance is a signed 32-bit value; with one, a 64-bit value.
    const off_t distance =
        distanceToMoveHigh
            ? static_cast<off_t>(static_cast<std::uint64_t>(static_cast<DWORD>(*distanceToMoveHigh))
                                     << 32 |
                                 static_cast<DWORD>(distanceToMove))
            : static_cast<off_t>(distanceToMove);
    const off_t base = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? lseek(object->fd, 0, SEEK_CUR)
                                            : lseek(object->fd, 0, SEEK_END);
    if (base < 0 || base + distance < 0) {
        SetLastError(base < 0 ? winapi::Win32ErrorFromErrno(errno) : ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    const off_t position = lseek(object->fd, base + distance, SEEK_SET);
    if (position < 0) {
        winapi::SetLastErrorFromErrno(errno);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceToMoveHigh)
        *distanceToMoveHigh = static_cast<LONG>(static_cast<std::uint64_t>(position) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position);
}

BOOL SetEndOfFile(HANDLE file) {
    const auto object = OpenFile(file);
    if (!object)
        return FALSE;
    if (!object->CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const off_t position = lseek(object->fd, 0, SEEK_CUR);
    if (position < 0 || ftruncate(object->fd, position) != 0) {
        winapi::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE object) {
    if (!winapi::RemoveHandle(object)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
    const auto path = winapi::ToLinuxPath(fileName ? fileName : "");
    if (!path)
        return FALSE;
    winapi::ParentFolder parent;
    if (!OpenParentForChange(*path, parent))
        return FALSE;
    struct stat st {};
    if (fstatat(parent.folder.Get(), parent.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        SetLastErrorForPath(errno, *path);
        return FALSE;
    }
    if (S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (DeletingIsRefused(st))
        return FALSE;
    if (unlinkat(parent.folder.Get(), parent.name.c_str(), 0) != 0) {
        winapi::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL MoveFileA(LPCSTR existingFileName, LPCSTR newFileName) {
    const auto from = winapi::ToLinuxPath(existingFileName ? existingFileName : "");
    const auto to = winapi::ToLinuxPath(newFileName ? newFileName : "");
    if (!from || !to)
        return FALSE;
    winapi::ParentFolder source;
    winapi::ParentFolder destination;
    if (!OpenParentForChange(*from, source) || !OpenParentForChange(*to, destination))
        return FALSE;
    struct stat st {};
    if (fstatat(source.folder.Get(), source.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        SetLastErrorForPath(errno, *from);
        return FALSE;
    }
    // MoveFile never replaces: an existing target, even an empty folder, is an error.
    if (struct stat target{}; fstatat(destination.folder.Get(), destination.name.c_str(), &target,
                                      AT_SYMLINK_NOFOLLOW) == 0) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (DeletingIsRefused(st))
        return FALSE;
    if (renameat(source.folder.Get(), source.name.c_str(), destination.folder.Get(),
                 destination.name.c_str()) != 0) {
        SetLastErrorForPath(errno, *to);
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR pathName) {
    const auto path = winapi::ToLinuxPath(pathName ? pathName : "");
    if (!path)
        return FALSE;
    winapi::ParentFolder parent;
    if (!OpenParentForChange(*path, parent))
        return FALSE;
    if (unlinkat(parent.folder.Get(), parent.name.c_str(), AT_REMOVEDIR) != 0) {
        const int err = errno;
        if (err == ENOTEMPTY || err == EEXIST)
            SetLastError(ERROR_DIR_NOT_EMPTY);
        else
            SetLastErrorForPath(err, *path);
        return FALSE;
    }
    return TRUE;
}
