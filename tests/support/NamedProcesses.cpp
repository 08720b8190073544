#include "support/NamedProcesses.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
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

pid_t NamedProcesses::Start(const std::string& fileName, const std::string& argv0, uid_t user) {
    const std::string program = folder_ + "/" + fileName;
    if (!fs::exists(program))
        fs::copy_file("/bin/sleep", program);
    if (user != 0)
        fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
    const std::string first = argv0.empty() ? program : argv0;
    const pid_t pid = fork();
    if (pid == 0) {
        if (user != 0 && setuid(user) != 0)
            _exit(126);
        execl(program.c_str(), first.c_str(), "60", static_cast<char*>(nullptr));
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
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
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
