// The real installer on a virtual X server, clicked through as a user would: the install
// picture-button (after custom options and a browsed folder in the second test), then, once
// the finish window is up, the finish button. Afterwards the installed files, links, registry
// values and the two programs the finish button starts are checked. The installer's PATH holds
// only a stand-in for wine that records each start, so nothing but the installer really runs.
#include "support/BrokenCopies.h"
#include "support/InstalledProduct.h"
#include "support/LnkInfo.h"
#include "support/TempSystemRoot.h"
#include "support/VirtualDisplay.h"

#include "winapi/SystemRoot.h"
#include <setup/ShellIntegration.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing_support::DesktopLink;
using testing_support::LnkField;
using testing_support::LnkInfo;
using testing_support::QuickLaunchLink;
using testing_support::ReadLinuxFile;

namespace {

// A program started with its own environment; killed and reaped if still running at the end.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
        std::vector<char*> args, vars;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        for (const std::string& v : env)
            vars.push_back(const_cast<char*>(v.c_str()));
        vars.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
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

// The value of a "Name:   value kB" line of /proc/<pid>/status, or -1.
long ProcessStatusKilobytes(pid_t pid, const std::string& name) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(name + ":", 0) == 0)
            return std::stol(line.substr(name.size() + 1));
    return -1;
}

// One program start recorded by the wine stand-in.
struct ProgramStart {
    unsigned long long startTicks = 0;
    long pid = 0;
    std::string prefix;
    std::vector<std::string> arguments;
};

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t begin = 0;
    for (size_t tab; (tab = line.find('\t', begin)) != std::string::npos; begin = tab + 1)
        fields.push_back(line.substr(begin, tab - begin));
    fields.push_back(line.substr(begin));
    return fields;
}

// Records every start as one line: its creation time in clock ticks since boot and its pid
// (the starts run side by side, so the order of the lines is not the order of the calls),
// WINEPREFIX, then the arguments, tab-separated. Only shell built-ins: its PATH is empty of
// everything else. The line goes out in one write, so concurrent starts don't mix lines.
std::string WineStandIn(const std::string& logPath) {
    return "#!/bin/sh\n"
           "line=\"$WINEPREFIX\"\n"
           "for argument in \"$@\"; do line=\"$line\t$argument\"; done\n"
           "read -r stat < /proc/$$/stat\n"
           // Past the command name the fields start at the third; the start time is the 22nd.
           "set -- ${stat##*) }\n"
           "shift 19\n"
           "printf '%s\\t%s\\t%s\\n' \"$1\" \"$$\" \"$line\" >> '" +
           logPath + "'\n";
}

class InstallerEndToEnd : public testing_support::SystemRootTest {
protected:
    void SetUp() override {
        // The system root exists before the installer starts, as an installed system has it.
        root = *winapi::SystemRootPath();
        startLog = systemRoot.Folder() + "/starts.log";
        quickLaunchExists = fs::is_directory(testing_support::QuickLaunchFolder());
        display = xServer.Name();
        ASSERT_FALSE(display.empty()) << "Xvfb reported no display";
        std::printf("virtual X server on display %s\n", display.c_str());
    }

    // Starts the installer (or a copy of it) with these arguments and a PATH that holds only
    // the wine stand-in, or nothing at all without wine; its standard error goes to
    // ErrorsFile().
    void StartInstaller(const std::vector<std::string>& arguments = {},
                        const std::string& program = VOSTREL_SETUP, bool withWine = true) {
        const std::string path = systemRoot.Folder() + "/bin";
        fs::create_directories(path);
        if (withWine) {
            testing_support::WriteLinuxFile(path + "/wine", WineStandIn(startLog));
            ASSERT_EQ(chmod((path + "/wine").c_str(), 0755), 0);
        }
        // Laid out as a Wine that runs 32- and 64-bit programs, so the finish window starts.
        for (const char* unixSide : {"/lib/wine/i386-unix", "/lib/wine/x86_64-unix"})
            std::filesystem::create_directories(systemRoot.Folder() + unixSide);
        std::vector<std::string> command{"/bin/sh", "-c",
                                         "exec \"$0\" \"$@\" 2>'" + ErrorsFile() + "'", program};
        command.insert(command.end(), arguments.begin(), arguments.end());
        installer =
            std::make_unique<ChildProcess>(command, EnvironmentWith({{"DISPLAY", display},
                                                                     {"PATH", path},
                                                                     {"WINEPREFIX", root},
                                                                     {"QT_QPA_PLATFORM", "xcb"}}));
    }

    std::string ErrorsFile() const { return systemRoot.Folder() + "/stderr.txt"; }

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
    // Whether, within timeout, the installer shows exactly the windows that pass accept.
    bool WaitUntilOnly(const std::function<bool(const Window&)>& accept,
                       std::chrono::seconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline && !installer->Wait(0ms)) {
            const std::vector<Window> windows = VisibleWindows();
            if (!windows.empty() && std::all_of(windows.begin(), windows.end(), accept))
                return true;
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }
    void Click(int x, int y) {
        XdoTool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    }
    // A click in the middle of the control at (left, top), width x height, of window w.
    void ClickControl(const Window& w, int left, int top, int width, int height) {
        Click(w.x + left + width / 2, w.y + top + height / 2);
    }

    // The options window as it first appears: centred, 588 x 400.
    std::optional<Window> WaitForOptionsWindow() {
        const auto options = WaitForWindow([](const Window&) { return true; }, 30s);
        if (options) {
            EXPECT_EQ(options->width, 588);
            EXPECT_EQ(options->height, 400);
            // Let it settle before the first click.
            std::this_thread::sleep_for(300ms);
        }
        return options;
    }

    // Clicks install, follows the progress window to the finish window, clicks finish and
    // waits for the installer to end with 0.
    void InstallAndFinish(const Window& options) {
        const auto finish = InstallToFinishWindow(options);
        ASSERT_TRUE(finish);
        ClickControl(*finish, 168, 296, 241, 41);
        const auto status = installer->Wait(30s);
        ASSERT_TRUE(status) << "the installer did not end after the finish click";
        ASSERT_TRUE(WIFEXITED(*status));
        EXPECT_EQ(WEXITSTATUS(*status), 0);
    }

    // Clicks install and follows the progress window to the finish window, which it returns.
    // Prints the install time and the peak memory.
    std::optional<Window> InstallToFinishWindow(const Window& options) {
        ClickControl(options, 196, 336, 197, 47);
        const auto clicked = Clock::now();

        const auto progress =
            WaitForWindow([&](const Window& w) { return w.id != options.id; }, 30s);
        if (!progress) {
            ADD_FAILURE() << "no progress window after the install click";
            return std::nullopt;
        }
        std::printf("install click to progress window: %.2f s\n",
                    std::chrono::duration<double>(Clock::now() - clicked).count());
        EXPECT_EQ(progress->width, 588);
        EXPECT_EQ(progress->height, 358);
        const auto finish = WaitForWindow(
            [&](const Window& w) { return w.id != options.id && w.id != progress->id; }, 180s);
        if (!finish) {
            ADD_FAILURE() << "no finish window";
            return std::nullopt;
        }
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
        // Everything has been unpacked and written by now: this is the run's peak.
        const long peakKilobytes = ProcessStatusKilobytes(installer->Pid(), "VmHWM");
        EXPECT_GT(peakKilobytes, 0);
        std::printf("installer peak memory (VmHWM) before the finish click: %ld kB\n",
                    peakKilobytes);
        RecordProperty("peak_memory_kb", std::to_string(peakKilobytes));
        return finish;
    }

    // The starts recorded by the wine stand-in in the order they were made, once count of
    // them are there or the time is up: the starts run after the installer has ended.
    std::vector<ProgramStart> RecordedStarts(size_t count, std::chrono::seconds timeout) {
        const auto deadline = Clock::now() + timeout;
        std::vector<ProgramStart> starts;
        do {
            starts.clear();
            std::istringstream log(ReadLinuxFile(startLog).value_or(""));
            for (std::string line; std::getline(log, line);) {
                std::vector<std::string> fields = SplitTabs(line);
                if (fields.size() < 3)
                    continue;
                starts.push_back({std::stoull(fields[0]), std::stol(fields[1]), fields[2],
                                  std::vector<std::string>(fields.begin() + 3, fields.end())});
            }
            if (starts.size() >= count)
                break;
            std::this_thread::sleep_for(50ms);
        } while (Clock::now() < deadline);
        std::sort(starts.begin(), starts.end(), [](const auto& a, const auto& b) {
            return std::tie(a.startTicks, a.pid) < std::tie(b.startTicks, b.pid);
        });
        return starts;
    }

    // The finish button's two starts, both through wine in the system root: the silent
    // registration of the plug-in, found by nobody, by its bare name; then the product.
    void ExpectProgramStarts(const std::string& installFolder) {
        const std::vector<ProgramStart> starts = RecordedStarts(2, 30s);
        for (const ProgramStart& start : starts) {
            std::string command = "wine";
            for (const std::string& argument : start.arguments)
                command += " [" + argument + "]";
            std::printf("started (tick %llu, pid %ld): %s\n", start.startTicks, start.pid,
                        command.c_str());
        }
        ASSERT_EQ(starts.size(), 2u) << ReadLinuxFile(startLog).value_or("(no log)");
        EXPECT_EQ(starts[0].arguments,
                  (std::vector<std::string>{"Regsvr32.exe", "/s", installFolder + "npmervo.dll"}));
        EXPECT_EQ(starts[1].arguments,
                  std::vector<std::string>{systemRoot.LinuxPath(installFolder + "mervo.exe")});
        for (const ProgramStart& start : starts)
            EXPECT_EQ(start.prefix, root);
    }

    std::string root;
    std::string startLog;
    bool quickLaunchExists = false;
    std::string display;
    testing_support::VirtualDisplay xServer;
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

// Exactly the product's files under installFolder (a Windows path), byte for byte, with the
// library kept beside them and the archive gone.
void ExpectProductFiles(const std::string& installFolder) {
    const std::string folder = winapi::ToLinuxPath(installFolder).value_or("");
    ASSERT_TRUE(fs::is_directory(folder)) << installFolder;
    // Beside the payload: the library, which stays, and the uninstall list.
    std::set<std::string> expected{"7z.dll", "UnInstall.lst"}, installed;
    int payloadFiles = 0;
    for (const auto& entry : fs::recursive_directory_iterator(PRODUCT_DIR))
        if (entry.is_regular_file()) {
            const std::string relative = fs::relative(entry.path(), PRODUCT_DIR);
            expected.insert(relative);
            ++payloadFiles;
            EXPECT_EQ(ReadLinuxFile(folder + "/" + relative), ReadLinuxFile(entry.path()))
                << relative;
        }
    EXPECT_EQ(payloadFiles, 186);
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            installed.insert(fs::relative(entry.path(), folder));
    EXPECT_EQ(installed, expected);
    EXPECT_EQ(ReadLinuxFile(folder + "/7z.dll"), ReadLinuxFile(SEVENZIP_LIBRARY));
    EXPECT_FALSE(fs::exists(folder + "/Vostrel.7z"));
}

// The product's links into installFolder: on the desktop only when asked for, in the quick
// launch folder when it exists, and the product's and the uninstaller's in the start menu.
void ExpectProductLinks(const std::string& installFolder, bool desktop, bool quickLaunch) {
    const std::string product = installFolder + "mervo.exe";
    EXPECT_EQ(fs::exists(DesktopLink()), desktop);
    if (desktop) {
        EXPECT_EQ(LnkField(LnkInfo(DesktopLink()), "Local path"), product);
    }
    EXPECT_EQ(fs::exists(QuickLaunchLink()), quickLaunch);
    if (quickLaunch) {
        EXPECT_EQ(LnkField(LnkInfo(QuickLaunchLink()), "Local path"), product);
    }
    EXPECT_EQ(LnkField(LnkInfo(testing_support::StartMenuLink()), "Local path"), product);
    EXPECT_EQ(LnkField(LnkInfo(testing_support::StartMenuFolder() + "/卸载.lnk"), "Local path"),
              installFolder + "UnInstall.exe");
}

TEST_F(InstallerEndToEnd, ClickedThroughItInstallsTheProductAndEnds) {
    // A user with a Quick Launch folder gets that link too; the other tests' users have none.
    fs::create_directories(testing_support::QuickLaunchFolder());
    quickLaunchExists = true;
    ASSERT_NO_FATAL_FAILURE(StartInstaller());
    const auto options = WaitForOptionsWindow();
    ASSERT_TRUE(options) << "the installer showed no window";
    ASSERT_NO_FATAL_FAILURE(InstallAndFinish(*options));

    const std::string installFolder = "C:\\Program Files\\Vostrel\\";
    ExpectProductFiles(installFolder);
    ExpectProductLinks(installFolder, true, quickLaunchExists);
    testing_support::ExpectProductRegistered(Utf16(ProductVersion()));
    ExpectProgramStarts(installFolder);
}

TEST_F(InstallerEndToEnd, CustomOptionsAndABrowsedFolderAreInstalledAsChosen) {
    // A folder to browse to, and the start-with-Windows value an earlier install left.
    const std::string apps = systemRoot.DriveC() + "/Apps";
    fs::create_directories(apps);
    SetAutoRun("C:\\Program Files\\Vostrel\\mervo.exe Minimize", true);
    ASSERT_TRUE(testing_support::RegistryValue(testing_support::kRunKey, u"mervo"));

    ASSERT_NO_FATAL_FAILURE(StartInstaller());
    const auto options = WaitForOptionsWindow();
    ASSERT_TRUE(options) << "the installer showed no window";

    // The toggle opens the custom options: the window grows to 550 at the bottom.
    ClickControl(*options, 488, 368, 20, 17);
    ASSERT_TRUE(WaitForWindow(
        [&](const Window& w) {
            return w.id == options->id && w.height == 550 && w.width == 588 && w.x == options->x &&
                   w.y == options->y;
        },
        15s))
        << "the toggle did not expand the window to 588 x 550";
    // No desktop link, no start with Windows; the quick-launch link stays ticked.
    ClickControl(*options, 184, 456, 150, 25);
    ClickControl(*options, 186, 489, 113, 25);

    // The browse button opens the folder picker; Alt+F goes to its folder box.
    ClickControl(*options, 440, 400, 75, 25);
    const auto dialog = WaitForWindow([&](const Window& w) { return w.id != options->id; }, 30s);
    ASSERT_TRUE(dialog) << "no folder dialog after the browse click";
    // Typing goes to the focused window: wait until the dialog has it.
    const auto deadline = Clock::now() + 15s;
    while (XdoTool("getwindowfocus") != dialog->id + "\n" && Clock::now() < deadline)
        std::this_thread::sleep_for(100ms);
    XdoTool("key alt+f ctrl+a");
    XdoTool("type --delay 20 'C:\\Apps'");
    XdoTool("key Return");
    ASSERT_TRUE(WaitUntilOnly([&](const Window& w) { return w.id == options->id; }, 30s))
        << "the folder dialog did not close";
    std::this_thread::sleep_for(300ms);

    ASSERT_NO_FATAL_FAILURE(InstallAndFinish(*options));

    const std::string installFolder = "C:\\Apps\\MERVO\\";
    ExpectProductFiles(installFolder);
    EXPECT_FALSE(fs::exists(systemRoot.LinuxPath("C:\\Program Files\\Vostrel")));
    ExpectProductLinks(installFolder, false, quickLaunchExists);
    testing_support::ExpectProductRegistered(Utf16(ProductVersion()), Utf16(installFolder), false);
    ExpectProgramStarts(installFolder);
}

// /SILENT: the progress window alone, which ends the installer by itself once the install is
// done: no options or finish window, the plug-in registered, the product not started.
TEST_F(InstallerEndToEnd, SilentShowsOnlyTheProgressWindowAndEndsByItself) {
    ASSERT_NO_FATAL_FAILURE(StartInstaller({"/SILENT"}));
    std::set<std::string> ids, sizes;
    const auto deadline = Clock::now() + 180s;
    while (!installer->Wait(0ms) && Clock::now() < deadline) {
        for (const Window& w : VisibleWindows()) {
            ids.insert(w.id);
            sizes.insert(std::to_string(w.width) + "x" + std::to_string(w.height));
        }
        std::this_thread::sleep_for(100ms);
    }
    const auto status = installer->Wait(0ms);
    ASSERT_TRUE(status) << "the installer did not end by itself";
    ASSERT_TRUE(WIFEXITED(*status))
        << "signal " << WTERMSIG(*status) << ": " << ReadLinuxFile(ErrorsFile()).value_or("");
    EXPECT_EQ(WEXITSTATUS(*status), 0) << ReadLinuxFile(ErrorsFile()).value_or("");
    EXPECT_EQ(ids.size(), 1u);
    EXPECT_EQ(sizes, std::set<std::string>{"588x358"});

    const std::string installFolder = "C:\\Program Files\\Vostrel\\";
    ExpectProductFiles(installFolder);
    ExpectProductLinks(installFolder, true, quickLaunchExists);
    testing_support::ExpectProductRegistered(Utf16(ProductVersion()));
    // Only the registration: waiting a little for a second start that must not come.
    const std::vector<ProgramStart> starts = RecordedStarts(2, 3s);
    ASSERT_EQ(starts.size(), 1u) << ReadLinuxFile(startLog).value_or("(no log)");
    EXPECT_EQ(starts[0].arguments,
              (std::vector<std::string>{"Regsvr32.exe", "/s", installFolder + "npmervo.dll"}));
}

// Without a Windows loader on PATH the finish button says so in a message box over the finish
// window and starts nothing; the installer ends with 0 once the box is answered. The box is
// photographed into the build folder's screenshots/ for a look.
TEST_F(InstallerEndToEnd, WithoutWineTheFinishButtonSaysSoInAMessageBox) {
    ASSERT_NO_FATAL_FAILURE(StartInstaller({}, VOSTREL_SETUP, false));
    const auto options = WaitForOptionsWindow();
    ASSERT_TRUE(options) << "the installer showed no window";
    const auto finish = InstallToFinishWindow(*options);
    ASSERT_TRUE(finish);
    ClickControl(*finish, 168, 296, 241, 41);
    const auto box = WaitForWindow([&](const Window& w) { return w.id != finish->id; }, 30s);
    ASSERT_TRUE(box) << "no message box after the finish click: "
                     << ReadLinuxFile(ErrorsFile()).value_or("");
    EXPECT_EQ(XdoTool("getwindowname " + box->id), "Talvimo安装向导\n");
    std::this_thread::sleep_for(300ms);
    fs::create_directories(SCREENSHOT_DIR);
    const std::string screenshot = SCREENSHOT_DIR "/finish-without-wine.png";
    EXPECT_EQ(
        std::system(("DISPLAY=" + display + " import -window root '" + screenshot + "'").c_str()),
        0);
    XdoTool("key Return");
    const auto status = installer->Wait(30s);
    ASSERT_TRUE(status) << "the installer did not end after the message box";
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    EXPECT_FALSE(fs::exists(startLog));
}

// A broken copy run on a display: one message box titled as the installer, answered with the
// Enter key, then code 4; its text is also on standard error, and no file is in the system
// root.
class BrokenCopyOnDisplay : public InstallerEndToEnd {
protected:
    std::string Copy() {
        const std::string copy = systemRoot.Folder() + "/VostrelSetup";
        testing_support::CopyExecutable(VOSTREL_SETUP, copy);
        return copy;
    }

    void ExpectMessageBoxAndCodeFour(const Window& box, const std::string& message) {
        EXPECT_EQ(XdoTool("getwindowname " + box.id), "Talvimo安装向导\n");
        EXPECT_NE(ReadLinuxFile(ErrorsFile()).value_or("").find(message), std::string::npos)
            << ReadLinuxFile(ErrorsFile()).value_or("");
        XdoTool("key Return");
        const auto status = installer->Wait(15s);
        ASSERT_TRUE(status) << "the installer did not end after the message box";
        ASSERT_TRUE(WIFEXITED(*status)) << *status;
        EXPECT_EQ(WEXITSTATUS(*status), 4);
        if (!fs::exists(root))
            return;
        for (const auto& item : fs::recursive_directory_iterator(root)) {
            EXPECT_FALSE(item.is_regular_file()) << item.path();
        }
    }
};

TEST_F(BrokenCopyOnDisplay, ACopyCutShortShowsItsSizesInAMessageBox) {
    const std::string copy = Copy();
    const std::uint64_t whole = fs::file_size(copy);
    const std::uint64_t cut = whole - (1u << 20);
    fs::resize_file(copy, cut);
    ASSERT_NO_FATAL_FAILURE(StartInstaller({}, copy));
    const auto box = WaitForWindow([](const Window&) { return true; }, 30s);
    ASSERT_TRUE(box) << "no message box: " << ReadLinuxFile(ErrorsFile()).value_or("");
    // The box alone: the options window is not shown.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(VisibleWindows().size(), 1u);
    EXPECT_NE(box->height, 400);
    ExpectMessageBoxAndCodeFour(*box, "安装程序已损坏或不完整，请重新下载。文件大小为 " +
                                          std::to_string(cut) + " 字节，应为 " +
                                          std::to_string(whole) + " 字节。");
}

TEST_F(BrokenCopyOnDisplay, ADamagedPayloadShowsAMessageBoxOverTheOptionsWindow) {
    const std::string copy = Copy();
    const testing_support::ResourceInFile payload = testing_support::ResourceIn(copy, "F1");
    testing_support::FlipByte(copy, payload.offset + payload.size / 2);
    ASSERT_NO_FATAL_FAILURE(StartInstaller({}, copy));
    const auto options = WaitForOptionsWindow();
    ASSERT_TRUE(options) << "the installer showed no window";
    const auto box = WaitForWindow([&](const Window& w) { return w.id != options->id; }, 30s);
    ASSERT_TRUE(box) << "no message box: " << ReadLinuxFile(ErrorsFile()).value_or("");
    ExpectMessageBoxAndCodeFour(*box, "安装程序已损坏或不完整，请重新下载。损坏的部分：F1。");
}

} // namespace
