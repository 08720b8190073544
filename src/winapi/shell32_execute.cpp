// shell32 ShellExecuteA on Linux: the file is resolved to a Linux path (or left to Wine's own
// search), its kind picks the way to start it (Wine for a Windows executable, exec for a native
// one, xdg-open for anything else), and the program is started detached, with the system root
// as WINEPREFIX so Wine sees the same Windows. A failure is only the return value.
#include "ChildProcess.h"
#include "Gbk.h"
#include "ProgramStarter.h"
#include "SystemRoot.h"
#include "shell32.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace winapi {
namespace {

// Starts programs for real: a double fork, so the program is nobody's child here and leaves
// no zombie behind, with a close-on-exec pipe that reports an exec failure back.
class ForkingStarter final : public ProgramStarter {
public:
    int Start(const ProgramStart& start) override {
        // Everything the child needs is built before fork: after it only exec-safe calls.
        std::vector<char*> argv;
        for (const std::string& argument : start.arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        std::vector<std::string> variables = EnvironmentWith(start.environment);
        std::vector<char*> envp;
        for (std::string& variable : variables)
            envp.push_back(variable.data());
        envp.push_back(nullptr);

        int report[2];
        if (pipe2(report, O_CLOEXEC) != 0)
            return errno;
        const pid_t child = fork();
        if (child < 0) {
            const int error = errno;
            close(report[0]);
            close(report[1]);
            return error;
        }
        if (child == 0) {
            close(report[0]);
            if (fork() == 0) {
                setsid();
                int error = 0;
                if (!start.workingFolder.empty() && chdir(start.workingFolder.c_str()) != 0)
                    error = errno;
                if (error == 0) {
                    execve(start.program.c_str(), argv.data(), envp.data());
                    error = errno;
                }
                (void)!write(report[1], &error, sizeof error);
                _exit(127);
            }
            _exit(0);
        }
        close(report[1]);
        waitpid(child, nullptr, 0);
        int error = 0;
        // End of file without a report means the exec succeeded.
        if (read(report[0], &error, sizeof error) != sizeof error)
            error = 0;
        close(report[0]);
        return error;
    }
};

ForkingStarter forkingStarter;
ProgramStarter* starter = &forkingStarter;

HINSTANCE Result(INT code) {
    return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(code));
}

bool IsExecutableFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// The entry called name in folder, matched exactly first, then without regard to case.
std::optional<std::string> FindInFolder(const std::string& folder, const std::string& name) {
    struct stat status {};
    const std::string exact = folder + "/" + name;
    if (stat(exact.c_str(), &status) == 0 && S_ISREG(status.st_mode))
        return exact;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = readdir(dir))
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            const std::string candidate = folder + "/" + entry->d_name;
            if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
                found = candidate;
                break;
            }
        }
    closedir(dir);
    return found;
}

std::vector<std::string> PathFolders() {
    std::vector<std::string> folders;
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty() || folders.empty()) {
        const size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        folders.emplace_back(folder.empty() ? "." : folder);
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return folders;
}

// A bare program name the way Windows searches: the system folders, then the PATH.
std::optional<std::string> SearchProgram(const std::string& name) {
    std::vector<std::string> folders;
    for (const char* windowsFolder : {"C:\\windows\\system32", "C:\\windows"})
        if (auto folder = ToLinuxPath(windowsFolder))
            folders.push_back(*folder);
    for (const std::string& folder : PathFolders())
        folders.push_back(folder);
    for (const std::string& folder : folders)
        if (auto found = FindInFolder(folder, name))
            return found;
    return std::nullopt;
}

bool IsWindowsExecutable(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char magic[2] = {};
    const bool isPe = read(fd, magic, 2) == 2 && magic[0] == 'M' && magic[1] == 'Z';
    close(fd);
    return isPe;
}

// Splits a Windows parameter text as Windows programs do: blanks separate, double quotes group,
// backslashes are literal except before a quote (2n give n and a grouping quote, 2n+1 give n and
// a literal quote), and "" inside quotes is a literal quote. The second byte of a GBK character
// is never taken for a backslash.
std::vector<std::string> SplitParameters(std::string_view text) {
    std::vector<std::string> arguments;
    size_t i = 0;
    for (;;) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i == text.size())
            return arguments;
        std::string argument;
        bool quoted = false;
        while (i < text.size() && (quoted || (text[i] != ' ' && text[i] != '\t'))) {
            const char c = text[i];
            if (gbk::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
                argument.append(text.substr(i, 2));
                i += 2;
            } else if (c == '\\') {
                size_t count = 0;
                while (i < text.size() && text[i] == '\\') {
                    ++count;
                    ++i;
                }
                const bool beforeQuote = i < text.size() && text[i] == '"';
                argument.append(beforeQuote ? count / 2 : count, '\\');
                if (beforeQuote && count % 2 == 1) {
                    argument += '"';
                    ++i;
                }
            } else if (c == '"') {
                if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                    argument += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += c;
                ++i;
            }
        }
        arguments.push_back(std::move(argument));
    }
}

bool IsBareName(std::string_view file) {
    return file.find_first_of("\\/:") == std::string_view::npos;
}

// Finds what to run for file and fills in start's program and argv (parameters follow the
// file); 0 or the SE_ERR code ShellExecuteA returns.
INT ResolveProgram(const char* file, std::vector<std::string> arguments, ProgramStart& start) {
    // The file: a Linux path found for it, or (a bare name nobody has) Wine's own search.
    std::optional<std::string> found;
    const auto utf8Name = gbk::ToUtf8(file);
    if (!utf8Name)
        return SE_ERR_FNF;
    if (IsBareName(file)) {
        found = SearchProgram(*utf8Name);
    } else {
        found = ToLinuxPath(file);
        struct stat status {};
        if (!found || stat(found->c_str(), &status) != 0)
            return SE_ERR_FNF;
    }
    const auto wine = FindWine();
    std::string target;
    if (!found) {
        if (!wine)
            return SE_ERR_FNF;
        start.program = *wine;
        target = *utf8Name;
    } else if (IsWindowsExecutable(*found)) {
        if (!wine)
            return SE_ERR_NOASSOC;
        start.program = *wine;
        target = *found;
    } else if (IsExecutableFile(*found)) {
        start.program = *found;
    } else {
        // A document: its default action is whatever the desktop opens it with.
        bool opener = false;
        for (const std::string& folder : PathFolders())
            if (IsExecutableFile(folder + "/xdg-open")) {
                start.program = folder + "/xdg-open";
                opener = true;
                break;
            }
        if (!opener)
            return SE_ERR_NOASSOC;
        arguments = {*found};
    }
    start.arguments.push_back(start.program);
    if (!target.empty())
        start.arguments.push_back(target);
    start.arguments.insert(start.arguments.end(), arguments.begin(), arguments.end());
    return 0;
}

// The ShellExecuteA code for the errno of a failed start (0: started).
INT ResultFromErrno(int error) {
    switch (error) {
    case 0:
        return 42;
    case ENOENT:
    case ENOTDIR:
        return SE_ERR_FNF;
    case EACCES:
    case EPERM:
        return SE_ERR_ACCESSDENIED;
    case ENOMEM:
    case EAGAIN:
        return SE_ERR_OOM;
    default:
        return SE_ERR_NOASSOC;
    }
}

} // namespace

std::optional<std::string> FindWine() {
    for (const std::string& folder : PathFolders())
        if (IsExecutableFile(folder + "/wine"))
            return folder + "/wine";
    return std::nullopt;
}

void SetProgramStarter(ProgramStarter* replacement) {
    starter = replacement ? replacement : &forkingStarter;
}

} // namespace winapi

HINSTANCE ShellExecuteA(HWND /*owner*/, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                        LPCSTR directory, INT showCommand) {
    using namespace winapi;
    if (verb && *verb && strcasecmp(verb, "open") != 0)
        return Result(SE_ERR_NOASSOC);
    if (!file || !*file)
        return Result(SE_ERR_FNF);

    ProgramStart start;
    start.showCommand = showCommand;
    if (directory && *directory) {
        auto folder = ToLinuxPath(directory);
        struct stat status {};
        if (!folder || stat(folder->c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
            return Result(SE_ERR_PNF);
        start.workingFolder = *folder;
    }
    std::vector<std::string> arguments;
    for (const std::string& argument : SplitParameters(parameters ? parameters : "")) {
        auto converted = gbk::ToUtf8(argument);
        if (!converted)
            return Result(SE_ERR_FNF);
        arguments.push_back(std::move(*converted));
    }

    if (const INT failure = ResolveProgram(file, std::move(arguments), start))
        return Result(failure);
    if (auto root = SystemRootPath())
        start.environment.emplace_back("WINEPREFIX", *root);

    return Result(ResultFromErrno(starter->Start(start)));
}
