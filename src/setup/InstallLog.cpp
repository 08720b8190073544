#include "InstallLog.h"

#include "rtl/SysErrorMessage.h"

#include "sevenzip/ExtractionJournal.h"

#include "winapi/Gbk.h"
#include "winapi/LinkFreePaths.h"
#include "winapi/LinuxErrors.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

TInstallLog::~TInstallLog() {
    if (file_)
        std::fclose(file_);
}

void TInstallLog::Open(const std::string& path) {
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    // A relative name is in the current folder, whose name getcwd gives without links.
    path_ = path;
    if (path.empty() || path[0] != '/')
        if (const std::unique_ptr<char, decltype(&std::free)> current(getcwd(nullptr, 0),
                                                                      &std::free);
            current)
            path_ = std::string(current.get()) + "/" + path;
    // The log's folder is reached without following a link on the way.
    winapi::ParentFolder parent;
    if (const int error = winapi::OpenParentFolder(path_, parent); error != 0)
        return GiveUp(error);
    const int folder = parent.folder.Get();
    const char* name = parent.name.c_str();
    // A device or pipe named as the log (/dev/stderr's target, /dev/full) is written as it is;
    // it is never replaced.
    struct stat st {};
    if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode) &&
        !S_ISLNK(st.st_mode)) {
        const int fd = openat(folder, name, O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
        file_ = fd >= 0 ? fdopen(fd, "w") : nullptr;
        if (!file_) {
            const int error = errno;
            if (fd >= 0)
                close(fd);
            GiveUp(error);
        }
        return;
    }
    // A new file under a name of its own, then renamed over the path: whatever stood there, a
    // link left by someone else included, is replaced rather than written through.
    std::string temporary;
    const int fd = winapi::CreateTemporaryIn(folder, parent.name, temporary);
    if (fd >= 0 && fchmod(fd, 0644) == 0 && renameat(folder, temporary.c_str(), folder, name) == 0)
        file_ = fdopen(fd, "w");
    if (!file_) {
        const int error = errno;
        if (fd >= 0) {
            unlinkat(folder, temporary.c_str(), 0);
            close(fd);
        }
        GiveUp(error);
    }
}

void TInstallLog::GiveUp(int error) {
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    // A link on the way is named, as the install names one where its folders belong.
    const auto link = error == ELOOP ? winapi::LinkOnTheWayTo(path_) : std::nullopt;
    const AnsiString reason = link ? LinkedFolderMessage(gbk::FromUtf8(*link).value_or(*link))
                                   : SysErrorMessage(winapi::Win32ErrorFromErrno(error));
    // The reason is a sentence of its own; the line puts its own full stop after it.
    std::string reasonText = gbk::ToUtf8OrAsIs(reason);
    const std::string_view fullStop = "。";
    if (reasonText.ends_with(fullStop))
        reasonText.resize(reasonText.size() - fullStop.size());
    std::fprintf(stderr,
                 "警告：无法写入安装日志 %s：%s。安装继续进行，不再写日志。\n"
                 "Warning: cannot write the install log %s: %s. The install goes on without "
                 "it.\n",
                 path_.c_str(), reasonText.c_str(), path_.c_str(), std::strerror(error));
}

void TInstallLog::Line(const AnsiString& gbkText) {
    if (!file_)
        return;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    const std::string text = gbk::ToUtf8OrAsIs(gbkText);
    if (std::fprintf(file_, "%s.%03d %s\n", stamp, static_cast<int>(millis), text.c_str()) < 0 ||
        std::fflush(file_) != 0)
        GiveUp(errno);
}
