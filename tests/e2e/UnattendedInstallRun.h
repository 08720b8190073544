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

    // Runs the installer (or a copy of it) with these switches, each quoted for the shell,
    // without a display.
    SetupRun Install(const std::vector<std::string>& switches,
                     const std::string& program = VOSTREL_SETUP) {
        std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY HOME='" + home_ +
                              "' XDG_RUNTIME_DIR='" + runtime_ + "' XDG_DATA_HOME='" + home_ +
                              "/.local/share' XDG_CONFIG_HOME='" + home_ + "/.config' " +
                              "WINEDEBUG=-all '" + program + "'";
        for (const std::string& argument : switches)
            command += " '" + argument + "'";
        const std::string errors = systemRoot.Folder() + "/stderr.txt";
        const std::string output = systemRoot.Folder() + "/stdout.txt";
        command += " >'" + output + "' 2>'" + errors + "' </dev/null";
        const int status = std::system(command.c_str());
        SetupRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.errors = testing_support::ReadLinuxFile(errors).value_or("");
        run.output = testing_support::ReadLinuxFile(output).value_or("");
        return run;
    }

    std::string Folder(const std::string& windowsPath) { return systemRoot.LinuxPath(windowsPath); }

    bool NothingRegistered() {
        const std::string text =
            testing_support::ReadLinuxFile(*winapi::SystemRootPath() + "/system.reg").value_or("");
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
