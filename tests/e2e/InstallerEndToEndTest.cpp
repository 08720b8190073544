// The real installer on a virtual X server, clicked through as a user would: the install
// picture-button, then, once the finish window is up, the finish button. Afterwards the
// installed files, links and registry values are checked. The installer runs with an empty
// PATH, so the registration tool and the product it starts at the end are never found and
// nothing but the installer runs.
#include "support/InstalledProduct.h"
#include "support/LnkInfo.h"
#include "support/TempSystemRoot.h"

#include <SystemRoot.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <poll.h>
#include <regex>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing_support::DesktopLink;
using testing_support::LnkField;
using testing_support::LnkInfo;
using testing_support::QuickLaunchFolder;
using testing_support::QuickLaunchLink;
using testing_support::ReadLinuxFile;
using testing_support::StartMenuFolder;
using testing_support::StartMenuLink;

namespace {

// A program started with its own environment; killed and reaped if still running at the end.
class ChildProcess {
public:
    // extraFd, when given, becomes the child's file descriptor 3.
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 int extraFd = -1) {
        std::vector<char*> args, vars;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        for (const std::string& v : env)
            vars.push_back(const_cast<char*>(v.c_str()));
        vars.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            if (extraFd >= 0)
                dup2(extraFd, 3);
            execve(args[0], args.data(), vars.data());
            _exit(127);
        }
    }
    // Asked to end first, so an X server removes its lock file; killed if it does not.
    ~ChildProcess() {
        if (pid_ <= 0 || status_)
            return;
        kill(pid_, SIGTERM);
        if (!Wait(5000ms)) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    // The wait status once the process has ended within timeout.
    std::optional<int> Wait(std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (!status_) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_)
                status_ = status;
            else if (Clock::now() > deadline)
                break;
            else
                std::this_thread::sleep_for(20ms);
        }
        return status_;
    }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

std::vector<std::string> EnvironmentWith(const std::map<std::string, std::string>& changes) {
    std::vector<std::string> env;
    for (char** v = environ; *v; ++v) {
        const std::string variable = *v;
        if (!changes.count(variable.substr(0, variable.find('='))))
            env.push_back(variable);
    }
    for (const auto& [name, value] : changes)
        env.push_back(name + "=" + value);
    return env;
}

std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

struct Window {
    std::string id;
    int x = 0, y = 0, width = 0, height = 0;
};

class InstallerEndToEnd : public testing_support::SystemRootTest {
protected:
    void SetUp() override {
        // The system root exists before the installer starts, as an installed system has it.
        root = *winapi::SystemRootPath();
        StartXServer();
    }

    void StartXServer() {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        xServer = std::make_unique<ChildProcess>(
            std::vector<std::string>{XVFB_EXECUTABLE, "-displayfd", "3", "-screen", "0",
                                     "1280x1024x24", "-nolisten", "tcp"},
            EnvironmentWith({}), pipeFds[1]);
        close(pipeFds[1]);
        std::string number;
        pollfd readable{pipeFds[0], POLLIN, 0};
        char c = 0;
        while (poll(&readable, 1, 15000) == 1 && read(pipeFds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(pipeFds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb reported no display";
        display = ":" + number;
        std::printf("virtual X server on display %s\n", display.c_str());
    }

    void StartInstaller() {
        const std::string emptyPath = systemRoot.Folder() + "/bin";
        fs::create_directories(emptyPath);
        installer = std::make_unique<ChildProcess>(std::vector<std::string>{VOSTREL_SETUP},
                                                   EnvironmentWith({{"DISPLAY", display},
                                                                    {"PATH", emptyPath},
                                                                    {"WINEPREFIX", root},
                                                                    {"QT_QPA_PLATFORM", "xcb"}}));
    }

    std::string XdoTool(const std::string& arguments) {
        return Output("DISPLAY=" + display + " '" XDOTOOL_EXECUTABLE "' " + arguments +
                      " 2>/dev/null");
    }
    std::vector<Window> VisibleWindows() {
        std::vector<Window> windows;
        std::istringstream ids(
            XdoTool("search --onlyvisible --pid " + std::to_string(installer->Pid())));
        for (std::string id; ids >> id;) {
            Window w{id};
            const std::string shell = XdoTool("getwindowgeometry --shell " + id);
            std::smatch m;
            if (std::regex_search(shell, m,
                                  std::regex("X=(-?\\d+)\\s+Y=(-?\\d+)\\s+WIDTH=(\\d+)\\s+"
                                             "HEIGHT=(\\d+)"))) {
                w.x = std::stoi(m[1]), w.y = std::stoi(m[2]);
                w.width = std::stoi(m[3]), w.height = std::stoi(m[4]);
                windows.push_back(w);
            }
        }
        return windows;
    }
    // The first visible window of the installer that passes accept, or nullopt at timeout.
    std::optional<Window> WaitForWindow(const std::function<bool(const Window&)>& accept,
                                        std::chrono::seconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline && !installer->Wait(0ms)) {
            for (const Window& w : VisibleWindows())
                if (accept(w))
                    return w;
            std::this_thread::sleep_for(100ms);
        }
        return std::nullopt;
    }
    void Click(int x, int y) {
        XdoTool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    }

    std::string root;
    std::string display;
    std::unique_ptr<ChildProcess> xServer;
    std::unique_ptr<ChildProcess> installer;
};

std::u16string Utf16(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// The demo product's version, from its manifest.
std::string ProductVersion() {
    std::ifstream manifest(PRODUCT_MANIFEST);
    for (std::string line; std::getline(manifest, line);) {
        std::smatch m;
        if (std::regex_match(line, m, std::regex("version\\s+(\\S+)\\s*")))
            return m[1];
    }
    return "";
}

TEST_F(InstallerEndToEnd, ClickedThroughItInstallsTheProductAndEnds) {
    const bool quickLaunchExists = fs::is_directory(QuickLaunchFolder());
    StartInstaller();

    // The options window, centred; its install picture-button at (196, 336), 197 x 47.
    const auto options = WaitForWindow([](const Window&) { return true; }, 30s);
    ASSERT_TRUE(options) << "the installer showed no window";
    EXPECT_EQ(options->width, 588);
    EXPECT_EQ(options->height, 400);
    std::this_thread::sleep_for(300ms);
    Click(options->x + 196 + 98, options->y + 336 + 23);
    const auto clicked = Clock::now();

    const auto progress = WaitForWindow([&](const Window& w) { return w.id != options->id; }, 30s);
    ASSERT_TRUE(progress) << "no progress window after the install click";
    std::printf("install click to progress window: %.2f s\n",
                std::chrono::duration<double>(Clock::now() - clicked).count());
    EXPECT_EQ(progress->width, 588);
    EXPECT_EQ(progress->height, 358);
    const auto finish = WaitForWindow(
        [&](const Window& w) { return w.id != options->id && w.id != progress->id; }, 180s);
    ASSERT_TRUE(finish) << "no finish window";
    const double seconds = std::chrono::duration<double>(Clock::now() - clicked).count();
    std::printf("install click to finish window: %.1f s\n", seconds);
    RecordProperty("install_seconds", std::to_string(seconds));
    // It stands where the progress window stood; the other windows are gone.
    EXPECT_EQ(finish->x, progress->x);
    EXPECT_EQ(finish->y, progress->y);
    EXPECT_EQ(finish->width, 588);
    EXPECT_EQ(finish->height, 358);
    EXPECT_EQ(VisibleWindows().size(), 1u);

    std::this_thread::sleep_for(300ms);
    Click(finish->x + 168 + 120, finish->y + 296 + 19);
    const auto status = installer->Wait(30s);
    ASSERT_TRUE(status) << "the installer did not end after the finish click";
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);

    // Exactly the product's files, byte for byte, and the library kept beside them.
    const std::string installFolder = systemRoot.LinuxPath("C:\\Program Files\\Vostrel\\");
    std::set<std::string> expected{"7z.dll"}, installed;
    int payloadFiles = 0;
    for (const auto& entry : fs::recursive_directory_iterator(PRODUCT_DIR))
        if (entry.is_regular_file()) {
            const std::string relative = fs::relative(entry.path(), PRODUCT_DIR);
            expected.insert(relative);
            ++payloadFiles;
            EXPECT_EQ(ReadLinuxFile(installFolder + "/" + relative), ReadLinuxFile(entry.path()))
                << relative;
        }
    EXPECT_EQ(payloadFiles, 186);
    for (const auto& entry : fs::recursive_directory_iterator(installFolder))
        if (entry.is_regular_file())
            installed.insert(fs::relative(entry.path(), installFolder));
    EXPECT_EQ(installed, expected);
    EXPECT_EQ(ReadLinuxFile(installFolder + "/7z.dll"), ReadLinuxFile(SEVENZIP_LIBRARY));
    EXPECT_FALSE(fs::exists(installFolder + "/Vostrel.7z"));

    // Links.
    const std::string product = "C:\\Program Files\\Vostrel\\mervo.exe";
    for (const std::string& link : {DesktopLink(), StartMenuLink()})
        EXPECT_EQ(LnkField(LnkInfo(link), "Local path"), product) << link;
    EXPECT_EQ(fs::exists(QuickLaunchLink()), quickLaunchExists);
    if (quickLaunchExists) {
        EXPECT_EQ(LnkField(LnkInfo(QuickLaunchLink()), "Local path"), product);
    }
    EXPECT_EQ(LnkField(LnkInfo(StartMenuFolder() + "/卸载.lnk"), "Local path"),
              "C:\\Program Files\\Vostrel\\UnInstall.exe");

    // Registry: start with Windows, and the uninstall entry with the product's version.
    testing_support::ExpectProductRegistered(Utf16(ProductVersion()));
}

} // namespace
