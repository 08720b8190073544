#include "XdgFolders.h"

#include "rtl/SysUtils.h"

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Launchers, menus and icons live below the home folder; without one they are not written
// anywhere else, least of all below "/".
std::string HomeFolder() {
    if (const auto home = winapi::HomeFolder())
        return *home;
    throw Exception(gbk::Literal("找不到用户的主文件夹（HOME 未设置，用户数据库中也没有），"
                                 "无法创建菜单和桌面启动器。"));
}

// An XDG base folder: the variable when it holds an absolute path, else the default below HOME.
std::string BaseFolder(const char* variable, const char* underHome) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    return HomeFolder() + "/" + underHome;
}

// The environment with HOME set to home: the tool reads its configuration below HOME and
// would answer "/Desktop" without it.
std::vector<std::string> EnvironmentWithHome(const std::string& home) {
    std::vector<std::string> entries{"HOME=" + home};
    for (char** entry = environ; *entry; ++entry)
        if (std::string_view(*entry).rfind("HOME=", 0) != 0)
            entries.emplace_back(*entry);
    return entries;
}

} // namespace

std::string DataHome() {
    return BaseFolder("XDG_DATA_HOME", ".local/share");
}

std::string ConfigHome() {
    return BaseFolder("XDG_CONFIG_HOME", ".config");
}

// What `xdg-user-dir DESKTOP` prints, or $HOME/Desktop (its own answer without a
// configuration) when the tool is missing or fails.
std::string DesktopFolder() {
    const std::string home = HomeFolder();
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        return home + "/Desktop";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    char program[] = "xdg-user-dir";
    char kind[] = "DESKTOP";
    char* argv[] = {program, kind, nullptr};
    std::vector<std::string> environment = EnvironmentWithHome(home);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_t child = 0;
    const bool started = posix_spawnp(&child, program, &actions, nullptr, argv, envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    std::string printed;
    char buffer[512];
    for (ssize_t got; started && (got = read(output[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        printed.append(buffer, static_cast<size_t>(got));
    }
    close(output[0]);
    int status = 0;
    if (started)
        waitpid(child, &status, 0);
    while (!printed.empty() && (printed.back() == '\n' || printed.back() == '\r'))
        printed.pop_back();
    if (!started || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || printed.empty() ||
        printed[0] != '/')
        return home + "/Desktop";
    return printed;
}
