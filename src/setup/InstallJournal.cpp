#include "InstallJournal.h"

#include "rtl/SysErrorMessage.h"

#include "winapi/Gbk.h"
#include "winapi/LinuxErrors.h"
#include "winapi/WholeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

const std::string kHeader = "VostrelInstallJournal 1\n";

[[noreturn]] void RaiseJournalError(const std::string& path, int error) {
    throw Exception(gbk::Literal("无法写入安装记录 ") + gbk::FromUtf8(path).value_or(path) + ": " +
                    SysErrorMessage(winapi::Win32ErrorFromErrno(error)));
}

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : ENOSPC;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return 0;
}

} // namespace

TInstallJournal::~TInstallJournal() {
    if (fd_ >= 0)
        close(fd_);
}

void TInstallJournal::Create(const std::string& path) {
    if (fd_ >= 0)
        close(fd_);
    // A link planted under our name is replaced, not followed.
    unlink(path.c_str());
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0)
        RaiseJournalError(path, errno);
    path_ = path;
    if (const int error = WriteAll(fd_, kHeader); error != 0)
        RaiseJournalError(path, error);
    Sync();
    winapi::SyncFolderOf(path);
}

void TInstallJournal::Append(const Record& record, bool sync) {
    std::string line;
    for (const std::string& field : record)
        line += (line.empty() ? "" : "\t") + field;
    // One write: a kill leaves a whole line or a cut one, which is not read.
    if (const int error = WriteAll(fd_, line + "\n"); error != 0)
        RaiseJournalError(path_, error);
    if (sync)
        Sync();
}

void TInstallJournal::Sync() {
    if (fd_ >= 0 && fdatasync(fd_) != 0)
        RaiseJournalError(path_, errno);
}

void TInstallJournal::Remove() {
    if (fd_ < 0)
        return;
    close(fd_);
    fd_ = -1;
    unlink(path_.c_str());
    winapi::SyncFolderOf(path_);
}

std::optional<std::vector<TInstallJournal::Record>> TInstallJournal::Read(const std::string& path) {
    std::string text;
    if (winapi::ReadWholeFile(path, text) != 0)
        return std::nullopt;
    if (text.compare(0, kHeader.size(), kHeader) != 0)
        return std::nullopt;
    std::vector<Record> records;
    for (size_t start = kHeader.size(), end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
        records.push_back(SplitTabFields(std::string_view(text).substr(start, end - start)));
    }
    return records;
}

std::vector<std::string> SplitTabFields(std::string_view line) {
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
        const size_t tab = line.find('\t', start);
        fields.emplace_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}
