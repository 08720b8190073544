#include "support/NamedProcesses.h"

#include "support/TempSystemRoot.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testing_support {

NamedProcesses::~NamedProcesses() {
    for (pid_t pid : started_) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

namespace {

std::vector<std::string> ChangedEnvironment(const NamedProcesses::Environment& changes) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry)
        environment.emplace_back(*entry);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('='));
        std::erase_if(environment, [&](const std::string& entry) {
            return entry.compare(0, name.size() + 1, name + "=") == 0;
        });
        if (change.find('=') != std::string::npos)
            environment.push_back(change);
    }
    return environment;
}

} // namespace

pid_t NamedProcesses::Start(const std::string& fileName, const std::string& argv0, uid_t user,
                            const Environment& changes) {
    const std::string program = folder_ + "/" + fileName;
    if (!fs::exists(program))
        fs::copy_file("/bin/sleep", program);
    if (user != 0)
        fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
    const std::string first = argv0.empty() ? program : argv0;
    // Made before the fork: the child only calls what is safe there.
    const std::vector<std::string> environment = ChangedEnvironment(changes);
    std::vector<char*> envp;
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    char* const argv[] = {const_cast<char*>(first.c_str()), const_cast<char*>("60"), nullptr};
    const pid_t pid = fork();
    if (pid == 0) {
        if (user != 0 && setuid(user) != 0)
            _exit(126);
        execve(program.c_str(), argv, envp.data());
        _exit(127);
    }
    started_.push_back(pid);
    // Until its exec is done the child still runs the test program.
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    for (int i = 0; i < 5000; ++i) {
        std::error_code error;
        if (fs::read_symlink(link, error) == program)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return pid;
}

bool NamedProcesses::Running(pid_t pid) const {
    // A killed child stays as a zombie until reaped: its state letter tells.
    const std::string text = ReadLinuxFile("/proc/" + std::to_string(pid) + "/stat").value_or("");
    const size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z' &&
           text[close + 2] != 'X';
}

int NamedProcesses::Reap(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    started_.erase(std::remove(started_.begin(), started_.end(), pid), started_.end());
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

} // namespace testing_support
