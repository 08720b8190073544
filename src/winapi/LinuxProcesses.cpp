#include "LinuxProcesses.h"

#include "Gbk.h"
#include "SystemRoot.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace winapi {
namespace {

std::string ProcFile(DWORD id, const char* name) {
    return "/proc/" + std::to_string(id) + "/" + name;
}

// Read with plain system calls: a process that ends between open and read makes the read fail
// with ESRCH, which a C++ stream would throw out of its iterators.
std::optional<std::string> ReadSmallFile(const std::string& path) {
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    ssize_t length = 0;
    while ((length = read(file, buffer, sizeof buffer)) != 0) {
        if (length < 0 && errno == EINTR)
            continue;
        if (length < 0)
            break;
        text.append(buffer, static_cast<size_t>(length));
    }
    close(file);
    if (length < 0)
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

// nullopt when the process has gone.
std::optional<std::string> FirstArgument(DWORD id) {
    auto commandLine = ReadSmallFile(ProcFile(id, "cmdline"));
    if (!commandLine)
        return std::nullopt;
    return commandLine->substr(0, commandLine->find('\0'));
}

// The value of name in a NUL-separated environment block.
std::optional<std::string> EnvironmentValue(std::string_view environment, std::string_view name) {
    while (!environment.empty()) {
        const size_t end = std::min(environment.find('\0'), environment.size());
        const std::string_view entry = environment.substr(0, end);
        if (entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=')
            return std::string(entry.substr(name.size() + 1));
        environment.remove_prefix(std::min(end + 1, environment.size()));
    }
    return std::nullopt;
}

// The prefix folder Wine runs the process in: its WINEPREFIX, else .wine in its home, as Wine
// chooses it. nullopt when the environment cannot be read or the prefix is not absolute (Wine
// refuses to run in such a one).
std::optional<std::string> WinePrefixOf(DWORD id) {
    auto environment = ReadSmallFile(ProcFile(id, "environ"));
    if (!environment)
        return std::nullopt;
    std::optional<std::string> prefix = EnvironmentValue(*environment, "WINEPREFIX");
    if (!prefix || prefix->empty()) {
        const std::optional<std::string> homeVariable = EnvironmentValue(*environment, "HOME");
        const auto home = HomeFolderFor(homeVariable ? homeVariable->c_str() : nullptr);
        if (!home)
            return std::nullopt;
        prefix = *home + "/.wine";
    }
    if (!prefix->starts_with('/'))
        return std::nullopt;
    return prefix;
}

// Two names of one folder (links and spelling aside).
bool SameFolder(const std::string& first, const std::string& second) {
    struct stat one {};
    struct stat other {};
    return stat(first.c_str(), &one) == 0 && stat(second.c_str(), &other) == 0 &&
           S_ISDIR(one.st_mode) && one.st_dev == other.st_dev && one.st_ino == other.st_ino;
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
        if (IsWineLoader(*executable)) {
            auto argument = FirstArgument(id);
            if (!argument)
                return std::nullopt;
            description.exeFile = ToGbkOrEmpty(FileNamePart(*argument, "\\/"));
        } else {
            description.exeFile = ToGbkOrEmpty(FileNamePart(*executable, "/"));
        }
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
        auto argument = FirstArgument(id);
        if (!argument)
            return std::nullopt;
        auto path = gbk::FromUtf8(*argument);
        if (!path || path->empty())
            return std::nullopt;
        return path;
    }
    return ToWindowsPath(*executable);
}

bool InThisSystem(DWORD id) {
    auto executable = ExecutableLink(id);
    if (!executable || !IsWineLoader(*executable))
        return true;
    auto prefix = WinePrefixOf(id);
    auto root = SystemRootPath();
    return prefix && root && SameFolder(*prefix, *root);
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
