#include "LinuxProcesses.h"

#include "Gbk.h"
#include "SystemRoot.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <sys/syscall.h>
#include <unistd.h>

namespace winapi {
namespace {

std::string ProcFile(DWORD id, const char* name) {
    return "/proc/" + std::to_string(id) + "/" + name;
}

std::optional<std::string> ReadSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return text;
}

std::optional<std::string> ExecutableLink(DWORD id) {
    char buffer[4096];
    const ssize_t length = readlink(ProcFile(id, "exe").c_str(), buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer)
        return std::nullopt;
    std::string path(buffer, static_cast<size_t>(length));
    constexpr std::string_view deleted = " (deleted)";
    if (path.size() > deleted.size() && path.ends_with(deleted))
        path.resize(path.size() - deleted.size());
    return path;
}

std::string FileNamePart(std::string_view path, std::string_view separators) {
    const size_t slash = path.find_last_of(separators);
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Wine runs every Windows program in its loader, under one of these names.
bool IsWineLoader(const std::string& executable) {
    static const char* const loaders[] = {"wine", "wine64", "wine-preloader", "wine64-preloader"};
    const std::string name = FileNamePart(executable, "/");
    return std::any_of(std::begin(loaders), std::end(loaders),
                       [&](const char* loader) { return name == loader; });
}

std::string FirstArgument(DWORD id) {
    auto commandLine = ReadSmallFile(ProcFile(id, "cmdline"));
    if (!commandLine)
        return {};
    return commandLine->substr(0, commandLine->find('\0'));
}

std::string ToGbkOrEmpty(std::string_view utf8) {
    return gbk::FromUtf8(utf8).value_or("");
}

} // namespace

std::optional<std::vector<DWORD>> RunningProcessIds() {
    DIR* proc = opendir("/proc");
    if (!proc)
        return std::nullopt;
    std::vector<DWORD> ids;
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const unsigned long id = std::strtoul(entry->d_name, &end, 10);
        if (*end == '\0' && id > 0 && id <= 0xFFFFFFFFUL)
            ids.push_back(static_cast<DWORD>(id));
    }
    closedir(proc);
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::optional<ProcessDescription> DescribeProcess(DWORD id) {
    // stat: "pid (comm) state ppid ..."; the command name may itself hold blanks and ")".
    auto stat = ReadSmallFile(ProcFile(id, "stat"));
    if (!stat)
        return std::nullopt;
    const size_t open = stat->find('(');
    const size_t close = stat->rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return std::nullopt;
    ProcessDescription description;
    description.id = id;
    const std::string fields = stat->substr(close + 2);
    // After the state come ppid (field 4) ... num_threads (field 20).
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < fields.size() && parts.size() < 18) {
        size_t end = fields.find(' ', start);
        if (end == std::string::npos)
            end = fields.size();
        parts.push_back(fields.substr(start, end - start));
        start = end + 1;
    }
    if (parts.size() >= 18) {
        description.parentId = static_cast<DWORD>(std::strtoul(parts[1].c_str(), nullptr, 10));
        description.threads = static_cast<DWORD>(std::strtoul(parts[17].c_str(), nullptr, 10));
    }
    if (auto executable = ExecutableLink(id)) {
        description.exeFile = IsWineLoader(*executable)
                                  ? ToGbkOrEmpty(FileNamePart(FirstArgument(id), "\\/"))
                                  : ToGbkOrEmpty(FileNamePart(*executable, "/"));
    } else {
        description.exeFile = ToGbkOrEmpty(stat->substr(open + 1, close - open - 1));
    }
    return description;
}

std::optional<std::string> ExecutableWindowsPath(DWORD id) {
    auto executable = ExecutableLink(id);
    if (!executable)
        return std::nullopt;
    if (IsWineLoader(*executable)) {
        auto path = gbk::FromUtf8(FirstArgument(id));
        if (!path || path->empty())
            return std::nullopt;
        return path;
    }
    return ToWindowsPath(*executable);
}

ProcessObject::~ProcessObject() {
    if (pidfd_ >= 0)
        close(pidfd_);
}

int ProcessObject::Signal(int signal) const {
    const long result = pidfd_ >= 0 ? syscall(SYS_pidfd_send_signal, pidfd_, signal, nullptr, 0)
                                    : kill(static_cast<pid_t>(id_), signal);
    return result == 0 ? 0 : errno;
}

int OpenPidfd(DWORD id) {
    return static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(id), 0));
}

bool OwnedByUs(DWORD id) {
    auto status = ReadSmallFile(ProcFile(id, "status"));
    if (!status)
        return false;
    const size_t line = status->find("\nUid:");
    if (line == std::string::npos)
        return false;
    // "Uid:" real, effective, saved, file-system user.
    char* end = nullptr;
    const unsigned long realUser = std::strtoul(status->c_str() + line + 5, &end, 10);
    return end != status->c_str() + line + 5 && realUser == getuid();
}

} // namespace winapi
