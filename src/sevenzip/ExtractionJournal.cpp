#include "ExtractionJournal.h"

#include "rtl/FileUtils.h"
#include "rtl/Streams.h"
#include "rtl/SysErrorMessage.h"

#include "winapi/Gbk.h"
#include "winapi/LinkFreePaths.h"
#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"

#include <algorithm>

namespace {

bool Exists(const AnsiString& path, bool folder) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

// A free name beside path for its set-aside copy.
AnsiString SetAsideName(const AnsiString& path) {
    for (int n = 0;; ++n) {
        AnsiString candidate = path + ".~old" + (n ? std::to_string(n) : std::string());
        if (GetFileAttributesA(candidate.c_str()) == INVALID_FILE_ATTRIBUTES)
            return candidate;
    }
}

// target with its file name spelt as the existing file's is: names match without regard to
// case, and a replaced file keeps its name, as on Windows.
AnsiString ExistingSpelling(const AnsiString& target) {
    const auto linux = winapi::ToLinuxPath(target);
    if (!linux)
        return target;
    const auto name = gbk::FromUtf8(linux->substr(linux->rfind('/') + 1));
    return name ? ExtractFilePath(target) + *name : target;
}

// A link on the way to path (a Windows path) is refused with its name. Only links the user
// made above the starting points of our folders are followed (LinkFreePaths.h).
void RefuseLinkOnTheWay(const AnsiString& path) {
    const auto linux = winapi::ToLinuxPath(path);
    if (!linux)
        return;
    if (const auto link = winapi::LinkOnTheWayTo(*linux))
        throw ELinkedFolder(LinkedFolderMessage(winapi::ToWindowsPath(*link).value_or(*link)));
}

} // namespace

AnsiString LinkedFolderMessage(const AnsiString& folder) {
    return gbk::Literal("“") + folder +
           gbk::Literal(
               "”是一个链接，不是文件夹。安装程序不经过链接写入文件：请删除这个链接后重试。");
}

void TExtractionJournal::Record(Entry entry) {
    if (recorder_)
        recorder_(entry);
    entries_.push_back(std::move(entry));
}

bool TExtractionJournal::CreateMissingFolders(const AnsiString& folder) {
    const AnsiString trimmed = ExcludeTrailingBackslash(folder);
    // Files are not written through a link that stands where a folder of ours belongs: it
    // could lead anywhere. The user's own links (their home or XDG folders, Wine's profile
    // folders) are followed.
    const DWORD attributes = GetFileAttributesA(trimmed.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        !winapi::IsUsersOwnLink(winapi::ToLinuxPath(trimmed).value_or("")))
        throw ELinkedFolder(LinkedFolderMessage(trimmed));
    if (trimmed.empty() ||
        (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)))
        return true;
    const AnsiString parent = ExtractFilePath(trimmed);
    // A drive is never made: a missing one shows as its first folder's failure.
    if (trimmed.size() == 2 && trimmed[1] == ':')
        return true;
    if (parent.size() < trimmed.size() && !CreateMissingFolders(parent))
        return false;
    // Recorded first: a killed run's record then names every folder it may have made.
    Record({Kind::Folder, trimmed, {}});
    if (CreateDirectoryA(trimmed.c_str(), nullptr))
        return true;
    entries_.pop_back(); // not made, so not to be removed
    return false;
}

bool TExtractionJournal::PrepareFolder(const AnsiString& folder) {
    std::lock_guard lock(lock_);
    RefuseLinkOnTheWay(ExcludeTrailingBackslash(folder));
    return CreateMissingFolders(folder);
}

AnsiString TExtractionJournal::PrepareFile(const AnsiString& wanted, bool createFolders) {
    std::lock_guard lock(lock_);
    RefuseLinkOnTheWay(wanted);
    // A folder that cannot be made shows as the file's creation error that follows.
    if (createFolders)
        CreateMissingFolders(ExtractFilePath(wanted));
    if (!Exists(wanted, false)) {
        Record({Kind::NewFile, wanted, {}});
        return wanted;
    }
    const AnsiString target = ExistingSpelling(wanted);
    const AnsiString setAside = SetAsideName(target);
    Record({Kind::ReplacedFile, target, setAside});
    if (!MoveFileA(target.c_str(), setAside.c_str())) {
        const DWORD error = GetLastError();
        entries_.pop_back(); // nothing was moved, so nothing is to be moved back
        throw EFCreateError("Cannot create file \"" + target + "\". " + SysErrorMessage(error));
    }
    return target;
}

bool TExtractionJournal::SetAside(const AnsiString& path) {
    std::lock_guard lock(lock_);
    if (!Exists(path, false))
        return false;
    Record({Kind::ReplacedFile, path, SetAsideName(path)});
    if (MoveFileA(path.c_str(), entries_.back().setAside.c_str()))
        return true;
    entries_.pop_back();
    return false;
}

void TExtractionJournal::DropFolder(const AnsiString& folder) {
    std::lock_guard lock(lock_);
    Record({Kind::DroppedFolder, ExcludeTrailingBackslash(folder), {}});
}

void TExtractionJournal::Commit() {
    for (const Entry& entry : entries_)
        if (entry.kind == Kind::ReplacedFile)
            DeleteFileA(entry.setAside.c_str());
    // A folder that still holds something (a user's file) stays.
    for (const Entry& entry : entries_)
        if (entry.kind == Kind::DroppedFolder)
            RemoveDirectoryA(entry.path.c_str());
    entries_.clear();
}

void TExtractionJournal::Rollback(size_t keep) noexcept {
    for (auto it = entries_.rbegin(); it != entries_.rend() - std::min(keep, entries_.size());
         ++it) {
        switch (it->kind) {
        case Kind::Folder:
            RemoveDirectoryA(it->path.c_str());
            break;
        case Kind::NewFile:
            DeleteFileA(it->path.c_str());
            break;
        case Kind::DroppedFolder: // still there until Commit
            break;
        case Kind::ReplacedFile:
            if (GetFileAttributesA(it->setAside.c_str()) == INVALID_FILE_ATTRIBUTES)
                break;
            DeleteFileA(it->path.c_str());
            MoveFileA(it->setAside.c_str(), it->path.c_str());
            break;
        }
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(std::min(keep, entries_.size())),
                   entries_.end());
}

std::vector<AnsiString> TExtractionJournal::WrittenFiles() const {
    std::vector<AnsiString> files;
    for (const Entry& entry : entries_)
        if (entry.kind == Kind::NewFile || entry.kind == Kind::ReplacedFile)
            files.push_back(entry.path);
    return files;
}

std::vector<AnsiString> TExtractionJournal::CreatedFolders() const {
    std::vector<AnsiString> folders;
    for (const Entry& entry : entries_)
        if (entry.kind == Kind::Folder)
            folders.push_back(entry.path);
    return folders;
}
