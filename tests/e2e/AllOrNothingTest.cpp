// The real installer stopped part-way, as an unlucky user stops it: by SIGTERM, SIGINT or
// SIGHUP (the run undoes itself and ends with code 5) or by SIGKILL (the next run undoes what it
// left). The stop comes at many points of the sequence: the install records each change in
// its journal before it makes it, so the number of records written says how far it got. Each
// time the machine must equal what it was before, compared as the tree of drive C:, the tree of
// HOME and the product's registry values: nothing for a fresh install, the earlier install byte
// for byte for a reinstall.
#include "support/InstalledProduct.h"
#include "support/SmallVolume.h"
#include "support/TempSystemRoot.h"
#include "support/VirtualDisplay.h"

#include "rtl/Registry.h"
#include "winapi/RegistryFile.h"
#include "winapi/RegistryStore.h"
#include "winapi/SystemRoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

namespace {

using Snapshot = std::map<std::string, std::string>;

const char* const kUninstallValues[] = {"DisplayName",    "UninstallString", "DisplayIcon",
                                        "DisplayVersion", "URLInfoAbout",    "URLUpdateInfo",
                                        "Publisher",      "InstallLocation", "EstimatedSize",
                                        "NoModify",       "NoRepair"};

class AllOrNothing : public testing_support::SystemRootTest {
protected:
    AllOrNothing() {
        fs::create_directories(systemRoot.Home());
        // The root's layout, as any earlier run of Wine or the installer leaves it.
        winapi::SystemRootPath();
        // A user's file in the product's folder is never the installer's to remove.
        WriteLinuxFile(systemRoot.Folder() + "/keep.txt", "the user's own");
    }

    static std::string JournalOf(const testing_support::TempSystemRoot& root) {
        return root.Root() + "/talvimo-install.journal";
    }
    std::string Journal() const { return JournalOf(systemRoot); }

    // Starts the unattended installer without a display.
    pid_t Start(const std::vector<std::string>& switches = {},
                const std::vector<std::pair<std::string, std::string>>& environment = {}) {
        const std::string errors = systemRoot.Folder() + "/stderr.txt";
        const pid_t child = fork();
        if (child == 0) {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            for (const auto& [name, value] : environment)
                setenv(name.c_str(), value.c_str(), 1);
            setenv("WINEDEBUG", "-all", 1);
            // No Wine: nothing but the installer changes the root while the test compares it.
            setenv("PATH", "/nonexistent", 1);
            freopen("/dev/null", "r", stdin);
            freopen(errors.c_str(), "w", stderr);
            std::vector<std::string> arguments{VOSTREL_SETUP};
            if (std::find(switches.begin(), switches.end(), "/SILENT") == switches.end())
                arguments.push_back("/VERYSILENT");
            arguments.insert(arguments.end(), switches.begin(), switches.end());
            std::vector<char*> argv;
            for (std::string& argument : arguments)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(VOSTREL_SETUP, argv.data());
            _exit(127);
        }
        return child;
    }

    // The exit code, or 128 + the signal that ended it.
    static int Wait(pid_t child) {
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::string Errors() const {
        return ReadLinuxFile(systemRoot.Folder() + "/stderr.txt").value_or("");
    }

    static size_t RecordsIn(const std::string& journal) {
        const std::string text = ReadLinuxFile(journal).value_or("");
        return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    }
    size_t RecordsWritten() const { return RecordsIn(Journal()); }

    int InstallToTheEnd(const std::vector<std::string>& switches = {}) {
        const int code = Wait(Start(switches));
        EXPECT_EQ(code, 0) << Errors();
        return code;
    }

    // Runs the installer, freezes it once its journal holds `records` lines, sends the signal
    // and lets it go on. False when the install ended before it got that far.
    bool StopAt(size_t records, int signal, int& exitCode) {
        return StopWhen(
            [&](const std::string& journal) {
                return static_cast<size_t>(std::count(journal.begin(), journal.end(), '\n')) >=
                       records;
            },
            signal, exitCode);
    }

    // The same with switches, once the journal's text satisfies reached.
    bool StopWhen(const std::function<bool(const std::string&)>& reached, int signal, int& exitCode,
                  const std::vector<std::string>& switches = {}) {
        const pid_t child = Start(switches);
        bool stopped = false;
        for (;;) {
            if (reached(ReadLinuxFile(Journal()).value_or(""))) {
                kill(child, SIGSTOP);
                stopped = true;
                break;
            }
            int status = 0;
            if (waitpid(child, &status, WNOHANG) == child) {
                exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return false;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        kill(child, signal);
        kill(child, SIGCONT);
        exitCode = Wait(child);
        return stopped;
    }

    // The number of records a whole install writes, as seen from outside while it runs in a
    // system root of its own.
    size_t RecordsOfAWholeInstall() {
        const testing_support::TempSystemRoot scratch;
        fs::create_directories(scratch.Home());
        const pid_t child = Start();
        size_t most = 0;
        for (int status = 0; waitpid(child, &status, WNOHANG) != child;) {
            most = std::max(most, RecordsIn(JournalOf(scratch)));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return most;
    }

    static void AddTree(Snapshot& snapshot, const std::string& folder, const std::string& label) {
        if (!fs::exists(folder))
            return;
        for (auto it = fs::recursive_directory_iterator(folder); it != fs::end(it); ++it) {
            const std::string path = it->path().string();
            const std::string relative = label + path.substr(folder.size());
            if (it->path().filename() == ".cache") {
                it.disable_recursion_pending();
                continue;
            }
            struct stat st {};
            lstat(path.c_str(), &st);
            std::string entry = std::to_string(st.st_mode) + " ";
            if (S_ISLNK(st.st_mode))
                entry += fs::read_symlink(it->path()).string();
            else if (S_ISREG(st.st_mode))
                entry += std::to_string(
                    std::hash<std::string>{}(ReadLinuxFile(path).value_or("(unreadable)")));
            snapshot[relative] = entry;
        }
    }

    // The machine as the tests compare it.
    Snapshot Take() const {
        Snapshot snapshot;
        AddTree(snapshot, systemRoot.DriveC(), "C:");
        AddTree(snapshot, systemRoot.Home(), "HOME:");
        const auto registry = winapi::ReadRegistryFile(systemRoot.Root() + "/system.reg");
        if (!registry)
            return snapshot;
        const auto value = [&](const std::u16string& key, const std::string& name) {
            const auto data = registry->GetValue(key, std::u16string(name.begin(), name.end()));
            return data ? std::to_string(data->type) + ":" + data->data : std::string("-");
        };
        snapshot["reg:Run\\mervo"] = value(testing_support::kRunKey, "mervo");
        snapshot["reg:Uninstall"] = registry->HasKey(testing_support::kUninstallKey) ? "key" : "-";
        for (const char* name : kUninstallValues)
            snapshot[std::string("reg:Uninstall\\") + name] =
                value(testing_support::kUninstallKey, name);
        return snapshot;
    }

    // An earlier install that differs from what this installer writes: an older main program,
    // another Run value, a user's file beside the product.
    void MakeAnEarlierInstall() {
        InstallToTheEnd();
        const std::string folder = systemRoot.LinuxPath("C:\\Program Files\\Vostrel");
        WriteLinuxFile(folder + "/mervo.exe", "an older main program");
        WriteLinuxFile(folder + "/keep.txt", "the user's own");
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true));
        registry.WriteString("mervo", "\"C:\\old\\mervo.exe\" Minimize");
        registry.CloseKey();
    }

    // Stops installs at points spread over the whole sequence with each signal in turn, and
    // checks what each leaves with check.
    void AtEveryPoint(const std::vector<int>& signals, const std::function<void(int, int)>& check) {
        const size_t whole = RecordsOfAWholeInstall();
        ASSERT_GT(whole, 30u) << Errors();
        // From the payload's first record to the last registry value's: the signal must find
        // the run before its commit.
        std::vector<size_t> points{2, 3, whole / 3, whole * 2 / 3};
        for (const size_t beforeTheEnd : {24, 18, 12, 8, 5, 3})
            points.push_back(whole - beforeTheEnd);
        for (size_t i = 0; i < points.size(); ++i)
            check(static_cast<int>(points[i]), signals[i % signals.size()]);
    }
};

TEST_F(AllOrNothing, ASignalAtAnyPointLeavesTheMachineAsItWas) {
    const Snapshot before = Take();
    AtEveryPoint({SIGTERM, SIGINT, SIGHUP, SIGQUIT}, [&](int point, int signal) {
        int code = 0;
        if (!StopAt(static_cast<size_t>(point), signal, code))
            return; // ended first: the next point is nearer the start
        EXPECT_EQ(code, 5) << "record " << point << ", signal " << signal << "\n" << Errors();
        EXPECT_NE(Errors().find("安装已取消"), std::string::npos) << Errors();
        EXPECT_EQ(Take(), before) << "record " << point << ", signal " << signal;
        EXPECT_FALSE(fs::exists(Journal()));
    });
}

TEST_F(AllOrNothing, ASignalDuringAReinstallLeavesTheEarlierInstallByteForByte) {
    MakeAnEarlierInstall();
    const Snapshot earlier = Take();
    AtEveryPoint({SIGTERM, SIGHUP}, [&](int point, int signal) {
        int code = 0;
        if (!StopAt(static_cast<size_t>(point), signal, code))
            return;
        EXPECT_EQ(code, 5) << "record " << point << "\n" << Errors();
        EXPECT_EQ(Take(), earlier) << "record " << point << ", signal " << signal;
    });
}

// A killed run leaves its journal; the next run, even one that fails at once, undoes it.
TEST_F(AllOrNothing, AfterAKillTheNextRunUndoesWhatItLeft) {
    const Snapshot before = Take();
    AtEveryPoint({SIGKILL}, [&](int point, int) {
        int code = 0;
        if (!StopAt(static_cast<size_t>(point), SIGKILL, code))
            return;
        ASSERT_EQ(code, 128 + SIGKILL);
        ASSERT_TRUE(fs::exists(Journal()));
        EXPECT_EQ(Wait(Start({"/DIR=Z:\\proc\\none"})), 2) << Errors();
        EXPECT_EQ(Take(), before) << "record " << point;
    });
}

// After a killed reinstall, the next whole install leaves what a whole install leaves: no
// set-aside copy, no temporary, the earlier install's record kept.
TEST_F(AllOrNothing, AfterAKilledReinstallTheNextInstallCompletesCleanly) {
    const size_t whole = RecordsOfAWholeInstall();
    MakeAnEarlierInstall();
    const Snapshot earlier = Take();
    int code = 0;
    ASSERT_TRUE(StopAt(whole / 2, SIGKILL, code));
    ASSERT_EQ(Wait(Start({"/DIR=Z:\\proc\\none"})), 2) << Errors();
    EXPECT_EQ(Take(), earlier);
    InstallToTheEnd();
    const std::string folder = systemRoot.LinuxPath("C:\\Program Files\\Vostrel");
    for (const auto& entry : fs::recursive_directory_iterator(systemRoot.DriveC()))
        EXPECT_EQ(entry.path().string().find(".~old"), std::string::npos) << entry.path();
    EXPECT_EQ(ReadLinuxFile(folder + "/keep.txt"), "the user's own");
    EXPECT_FALSE(fs::exists(Journal()));
}

// Every file below folder whose bytes hold text, and every set-aside copy.
std::vector<std::string> FilesHolding(const std::string& folder, const std::string& text) {
    std::vector<std::string> found;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::end(it); ++it) {
        const std::string path = it->path().string();
        if (it->is_regular_file() &&
            (path.find(".~old") != std::string::npos ||
             ReadLinuxFile(path).value_or("").find(text) != std::string::npos))
            found.push_back(path);
    }
    return found;
}

// An install into another folder moves the product: the earlier copy's files, its desktop link
// and launcher (not made again) go, and no file in the root or the home still names its folder.
// Moved back with a user's file in the folder it leaves, that file and its folder stay.
TEST_F(AllOrNothing, AnInstallIntoAnotherFolderMovesTheProduct) {
    InstallToTheEnd();
    const std::string earlier = systemRoot.LinuxPath("C:\\Program Files\\Vostrel");
    ASSERT_TRUE(fs::exists(testing_support::DesktopLink()));
    InstallToTheEnd({"/DIR=C:\\Moved", "/NODESKTOPICON"});
    const std::string moved = systemRoot.LinuxPath("C:\\Moved");
    EXPECT_TRUE(fs::exists(moved + "/mervo.exe"));
    EXPECT_FALSE(fs::exists(earlier));
    EXPECT_FALSE(fs::exists(testing_support::DesktopLink()));
    EXPECT_TRUE(fs::is_empty(systemRoot.Home() + "/Desktop"));
    EXPECT_EQ(testing_support::RegistryValue(testing_support::kUninstallKey, u"InstallLocation"),
              u"C:\\Moved\\");
    EXPECT_EQ(testing_support::RegistryValue(testing_support::kRunKey, u"mervo"),
              u"\"C:\\Moved\\mervo.exe\" Minimize");
    EXPECT_EQ(FilesHolding(systemRoot.DriveC(), "Program Files\\Vostrel"),
              std::vector<std::string>{});
    EXPECT_EQ(FilesHolding(systemRoot.Home(), "Program Files"), std::vector<std::string>{});

    WriteLinuxFile(moved + "/keep.txt", "the user's own");
    InstallToTheEnd();
    EXPECT_TRUE(fs::exists(earlier + "/mervo.exe"));
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(moved))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(testing_support::RegistryValue(testing_support::kUninstallKey, u"InstallLocation"),
              u"C:\\Program Files\\Vostrel\\");
    EXPECT_FALSE(fs::exists(Journal()));
}

// A move stopped by a signal while the earlier copy goes, or killed there and undone by the next
// run, leaves the earlier install byte for byte.
TEST_F(AllOrNothing, AStoppedMoveLeavesTheEarlierInstallByteForByte) {
    MakeAnEarlierInstall();
    const Snapshot earlier = Take();
    // The earlier copy's files are set aside one by one as the last changes before the commit;
    // its folders are removed only at the commit.
    const auto removals = [](size_t count) {
        return [count](const std::string& journal) {
            size_t found = 0;
            for (size_t at = 0; (at = journal.find("\nreplaced\tC:\\Program Files\\Vostrel\\",
                                                   at)) != std::string::npos;
                 ++at)
                ++found;
            return found >= count;
        };
    };
    const std::vector<std::string> move{"/DIR=C:\\Moved"};
    const std::pair<std::function<bool(const std::string&)>, int> points[] = {
        {removals(1), SIGTERM}, {removals(4), SIGHUP}, {removals(2), SIGKILL}};
    size_t stopped = 0;
    for (const auto& [reached, signal] : points) {
        int code = 0;
        if (!StopWhen(reached, signal, code, move))
            continue;
        ++stopped;
        if (signal == SIGKILL)
            EXPECT_EQ(Wait(Start({"/DIR=Z:\\proc\\none"})), 2) << Errors();
        else
            EXPECT_EQ(code, 5) << "signal " << signal << "\n" << Errors();
        EXPECT_EQ(Take(), earlier) << "signal " << signal;
        EXPECT_FALSE(fs::exists(Journal()));
    }
    EXPECT_EQ(stopped, std::size(points)) << "a move ended before its stop";
}

// A required step that fails (the registry cannot be read as one, the uninstall list cannot be
// written) undoes the whole install: code 2, its reason, the machine as it was.
TEST_F(AllOrNothing, ARequiredStepThatFailsUndoesTheWholeInstall) {
    const std::string registry = systemRoot.Root() + "/system.reg";
    const std::string list = systemRoot.LinuxPath("C:\\Program Files\\Vostrel") + "/UnInstall.lst";
    const struct {
        const char* what;
        std::function<void()> arrange;
        std::string message;
    } cases[] = {
        {"a damaged registry", [&] { WriteLinuxFile(registry, "not a registry\n"); },
         "无法写入注册表项 HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {"a registry with CRLF line ends",
         [&] {
             WriteLinuxFile(registry,
                            "WINE REGISTRY Version 2\r\n;; All keys\r\n\r\n#arch=win64\r\n");
         },
         "无法写入注册表项 HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {"a folder named like the uninstall list",
         [&] {
             fs::remove(registry);
             fs::create_directories(list);
         },
         "Cannot create file \"C:\\Program Files\\Vostrel\\UnInstall.lst\"."},
    };
    for (const auto& failing : cases) {
        failing.arrange();
        const Snapshot before = Take();
        const std::string text = ReadLinuxFile(registry).value_or("");
        EXPECT_EQ(Wait(Start()), 2) << failing.what << "\n" << Errors();
        EXPECT_NE(Errors().find(failing.message), std::string::npos) << failing.what << "\n"
                                                                     << Errors();
        EXPECT_EQ(Take(), before) << failing.what;
        EXPECT_EQ(ReadLinuxFile(registry).value_or(""), text) << failing.what;
        EXPECT_FALSE(fs::exists(Journal())) << failing.what;
    }
}

// An extra that cannot be made (a launcher folder that is a file, a menu folder that cannot be
// written, a read-only desktop) is a warning naming it; the install completes and records what
// it made, so the uninstaller finds it.
TEST_F(AllOrNothing, AnExtraThatFailsIsAWarningAndTheInstallCompletes) {
    const std::string home = systemRoot.Home();
    WriteLinuxFile(home + "/data-file", "not a folder");
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> environment;
        std::string warning;
    } cases[] = {
        {"XDG_DATA_HOME is a file",
         {{"XDG_DATA_HOME", home + "/data-file"}},
         "警告：无法写入文件 " + home + "/data-file/"},
        {"XDG_CONFIG_HOME cannot be written",
         {{"XDG_CONFIG_HOME", "/proc/self"}},
         "警告：无法写入文件 /proc/self/menus/"},
    };
    for (const auto& failing : cases) {
        EXPECT_EQ(Wait(Start({}, failing.environment)), 0) << failing.what << "\n" << Errors();
        EXPECT_NE(Errors().find(failing.warning), std::string::npos) << failing.what << "\n"
                                                                     << Errors();
        EXPECT_EQ(testing_support::RegistryValue(testing_support::kUninstallKey, u"DisplayName"),
                  u"Talvimo");
        const std::string list =
            ReadLinuxFile(systemRoot.LinuxPath("C:\\Program Files\\Vostrel\\UnInstall.lst"))
                .value_or("");
        EXPECT_NE(list.find("link\t"), std::string::npos) << list;
        EXPECT_NE(list.find("regkey\t"), std::string::npos) << list;
    }

    const std::string desktop = fs::path(testing_support::DesktopLink()).parent_path().string();
    fs::remove(testing_support::DesktopLink());
    const auto result = testing_support::RunOnSmallVolume(desktop, [&] {
        if (mount(nullptr, desktop.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return testing_support::kVolumeNotPermitted;
        return Wait(Start());
    });
    if (!result)
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    EXPECT_EQ(*result, 0) << Errors();
    EXPECT_NE(Errors().find("警告：无法创建快捷方式 "), std::string::npos) << Errors();
    EXPECT_NE(Errors().find("Talvimo.lnk"), std::string::npos) << Errors();
}

#ifdef XVFB_EXECUTABLE
// The progress window's display goes away mid-install (the session logs out): code 5 and the
// machine as it was.
TEST_F(AllOrNothing, LosingTheDisplayMidInstallUndoesItWithCodeFive) {
    const Snapshot before = Take();
    testing_support::VirtualDisplay server;
    ASSERT_FALSE(server.Name().empty()) << "Xvfb reported no display";
    const pid_t installer = Start({"/SILENT"}, {{"DISPLAY", server.Name()}});
    while (RecordsWritten() < 30 && waitpid(installer, nullptr, WNOHANG) == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    server.Kill();
    EXPECT_EQ(Wait(installer), 5) << Errors();
    EXPECT_EQ(Take(), before);
    EXPECT_FALSE(fs::exists(Journal()));
}
#endif

} // namespace
