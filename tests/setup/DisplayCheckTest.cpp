#include "setup/DisplayCheck.h"

#include "support/TempSystemRoot.h"
#include "support/VirtualDisplay.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Sets or removes environment variables for one test and restores them afterwards.
class EnvironmentChange {
public:
    void Set(const char* name, std::optional<std::string> value) {
        if (!saved_.contains(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~EnvironmentChange() {
        for (const auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// Without any display: no platform chosen, no server named.
class DisplayCheck : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.Set(name, std::nullopt);
        environment.Set("XDG_RUNTIME_DIR", folder.Folder());
    }

    bool Available(std::vector<std::string> arguments = {}) {
        arguments.insert(arguments.begin(), "VostrelSetup");
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        return GraphicalDisplayAvailable(static_cast<int>(arguments.size()), argv.data());
    }

    EnvironmentChange environment;
    testing_support::TempSystemRoot folder;
};

TEST_F(DisplayCheck, AChosenPlatformNeedsNoDisplay) {
    EXPECT_FALSE(Available());
    EXPECT_TRUE(Available({"-platform", "offscreen"}));
    EXPECT_TRUE(Available({"--platform", "minimal"}));
    EXPECT_FALSE(Available({"-platform"})); // an option without its value chooses nothing
    environment.Set("QT_QPA_PLATFORM", "offscreen");
    EXPECT_TRUE(Available());
    environment.Set("QT_QPA_PLATFORM", "");
    EXPECT_FALSE(Available());
}

TEST_F(DisplayCheck, DisplaysThatDoNotAnswerDoNotCount) {
    environment.Set("DISPLAY", ":987");
    EXPECT_FALSE(Available());
    EXPECT_FALSE(Available({"-display", ":986"}));
    environment.Set("WAYLAND_DISPLAY", "wayland-9");
    EXPECT_FALSE(Available());
    // A file of that name that no compositor listens on.
    testing_support::WriteLinuxFile(folder.Folder() + "/wayland-9", "");
    EXPECT_FALSE(Available());
}

TEST_F(DisplayCheck, AListeningWaylandSocketCounts) {
    const std::string path = folder.Folder() + "/wayland-7";
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    environment.Set("WAYLAND_DISPLAY", "wayland-7");
    EXPECT_TRUE(Available());
    environment.Set("WAYLAND_DISPLAY", path);
    EXPECT_TRUE(Available());
    // A relative name is looked for in the runtime folder only.
    environment.Set("WAYLAND_DISPLAY", "wayland-7");
    environment.Set("XDG_RUNTIME_DIR", std::nullopt);
    EXPECT_FALSE(Available());
    close(listener);
}

TEST_F(DisplayCheck, ARunningXServerCounts) {
    testing_support::VirtualDisplay server;
    const std::string& display = server.Name();
    ASSERT_FALSE(display.empty()) << "Xvfb reported no display";
    // Xvfb reports its number once it accepts connections.
    environment.Set("DISPLAY", display);
    EXPECT_TRUE(Available());
    // The server does not reset after the check, so a connection right after it succeeds.
    environment.Set("DISPLAY", std::nullopt);
    EXPECT_TRUE(Available({"-display", display}));
}

// The installer itself, started without a display: one line, a plain non-zero exit.
TEST_F(DisplayCheck, TheInstallerSaysWhatItNeedsAndEndsCleanly) {
    const std::string output = folder.Folder() + "/stderr";
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(output.c_str(), "w", stderr))
            _exit(126);
        execl(VOSTREL_SETUP_EXECUTABLE, VOSTREL_SETUP_EXECUTABLE, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(testing_support::ReadLinuxFile(output), std::string(kNoDisplayMessage) + "\n");
    const std::string message = kNoDisplayMessage;
    // It speaks to a user who downloaded the installer: no source tree, one way forward.
    EXPECT_EQ(message.find("scripts/"), std::string::npos);
    EXPECT_EQ(message.find('\n'), std::string::npos);
    EXPECT_NE(message.find("VostrelSetup /VERYSILENT"), std::string::npos);
    EXPECT_NE(message.find("需要图形显示"), std::string::npos);
    EXPECT_NE(message.find("A graphical display"), std::string::npos);
}

} // namespace
