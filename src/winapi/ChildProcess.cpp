#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>

extern char** environ;

namespace winapi {
namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

std::vector<std::string>
EnvironmentWith(const std::vector<std::pair<std::string, std::string>>& variables) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view text(*entry);
        const bool replaced =
            std::any_of(variables.begin(), variables.end(), [&](const auto& variable) {
                return text.substr(0, variable.first.size() + 1) == variable.first + "=";
            });
        if (!replaced)
            entries.emplace_back(text);
    }
    for (const auto& [name, value] : variables)
        entries.push_back(name + "=" + value);
    return entries;
}

int RunAndWait(const ProgramStart& start) {
    std::vector<std::string> arguments = start.arguments;
    std::vector<std::string> environment = EnvironmentWith(start.environment);
    const std::vector<char*> argv = Pointers(arguments);
    const std::vector<char*> envp = Pointers(environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (!start.workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, start.workingFolder.c_str());
    pid_t pid = 0;
    const int started =
        posix_spawn(&pid, start.program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace winapi
