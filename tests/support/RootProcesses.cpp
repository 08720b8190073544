#include "support/RootProcesses.h"

#include "support/QuietShell.h"
#include "support/TempSystemRoot.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

namespace testing_support {

namespace {

// The value of WINEPREFIX in the process's environment; empty when it has none or is gone.
std::string PrefixOf(const std::string& pid) {
    const std::string environment = ReadLinuxFile("/proc/" + pid + "/environ").value_or("");
    const std::string name = "WINEPREFIX=";
    for (size_t start = 0; start < environment.size();) {
        const size_t end = environment.find('\0', start);
        const std::string_view entry(environment.data() + start,
                                     (end == std::string::npos ? environment.size() : end) - start);
        if (entry.starts_with(name))
            return std::string(entry.substr(name.size()));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return {};
}

} // namespace

std::vector<pid_t> RootProcesses(const std::string& folder) {
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string prefix = PrefixOf(pid);
        if (prefix == folder || prefix.starts_with(folder + "/"))
            found.push_back(std::stoi(pid));
    }
    return found;
}

void EndRootProcesses(const std::string& folder, const std::string& root) {
    if (RootProcesses(folder).empty())
        return;
    QuietShell("WINEPREFIX='" + root + "' wineserver -k");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (auto left = RootProcesses(folder);
         !left.empty() && std::chrono::steady_clock::now() < deadline;
         left = RootProcesses(folder)) {
        for (pid_t pid : left)
            kill(pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace testing_support
