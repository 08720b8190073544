// The real installer run from the command line without a display, in a temporary system root
// whose shell folders lie in the temporary folder too.
#pragma once

#include "support/TempSystemRoot.h"

#include "winapi/SystemRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace testing_support {

struct SetupRun {
    int exitCode = -1;
    std::string errors; // standard error
    std::string output; // standard output
};

class UnattendedInstall : public testing_support::SystemRootTest {
protected:
    UnattendedInstall() {
        // The shell's user folders live in the temporary folder too.
        home_ = systemRoot.Folder() + "/home";
        runtime_ = systemRoot.Folder() + "/runtime";
        std::filesystem::create_directories(home_);
        std::filesystem::create_directories(runtime_);
        std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
    }

    // The shell command that runs the installer (or a copy of it) with these switches, each
    // quoted for the shell, without a display; environment (env's "-u NAME" and "NAME=value"
    // words) changes the test's usual one. Its output goes to files named after run.
    std::string Command(const std::vector<std::string>& switches, const std::string& program,
                        const std::vector<std::string>& environment, const std::string& run) {
        std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY HOME='" + home_ +
                              "' XDG_RUNTIME_DIR='" + runtime_ + "' XDG_DATA_HOME='" + home_ +
                              "/.local/share' XDG_CONFIG_HOME='" + home_ + "/.config' " +
                              "WINEDEBUG=-all env";
        for (const std::string& word : environment)
            command += " '" + word + "'";
        command += " '" + program + "'";
        for (const std::string& argument : switches)
            command += " '" + argument + "'";
        return command + " >'" + Output(run, "stdout") + "' 2>'" + Output(run, "stderr") +
               "' </dev/null";
    }
    std::string Output(const std::string& run, const std::string& stream) const {
        return systemRoot.Folder() + "/" + run + "-" + stream + ".txt";
    }
    SetupRun Result(int status, const std::string& run) const {
        SetupRun result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.errors = ReadLinuxFile(Output(run, "stderr")).value_or("");
        result.output = ReadLinuxFile(Output(run, "stdout")).value_or("");
        return result;
    }

    SetupRun Install(const std::vector<std::string>& switches,
                     const std::string& program = VOSTREL_SETUP,
                     const std::vector<std::string>& environment = {}) {
        return Result(std::system(Command(switches, program, environment, "run").c_str()), "run");
    }

    std::string Folder(const std::string& windowsPath) { return systemRoot.LinuxPath(windowsPath); }

    bool NothingRegistered() {
        const std::string text =
            ReadLinuxFile(*winapi::SystemRootPath() + "/system.reg").value_or("");
        return text.find("Talvimo") == std::string::npos;
    }

    // No file anywhere in the system root: nothing was written or registered.
    void ExpectNoFileInTheSystemRoot() {
        const std::string root = *winapi::SystemRootPath();
        if (!std::filesystem::exists(root))
            return;
        for (const auto& item : std::filesystem::recursive_directory_iterator(root))
            EXPECT_FALSE(item.is_regular_file()) << item.path();
    }

    std::string home_;
    std::string runtime_;
};

} // namespace testing_support
