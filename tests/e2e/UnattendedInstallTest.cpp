// The real installer run from the command line with no display at all: /VERYSILENT installs,
// writes its log and ends with its exit code; bad switches, a root folder, a folder that cannot
// be made, a root that cannot be used and a running install end it early with nothing
// registered. It closes processes named like the product's, so it holds the lock
// product_processes.
#include "UnattendedInstallRun.h"
#include "support/BrokenCopies.h"
#include "support/InstalledProduct.h"
#include "support/SmallVolume.h"
#include "support/TempSystemRoot.h"

#include "winapi/SystemRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

namespace {

using testing_support::SetupRun;
using testing_support::UnattendedInstall;

TEST_F(UnattendedInstall, TheDefaultsInstallEverythingQuietly) {
    // A user who has a Quick Launch folder gets that link too.
    fs::create_directories(testing_support::QuickLaunchFolder());
    const SetupRun run = Install({"/VERYSILENT"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const std::string folder = Folder("C:\\Program Files\\Vostrel");
    for (const char* name : {"mervo.exe", "UnInstall.exe", "7z.dll", "UnInstall.lst"})
        EXPECT_TRUE(fs::exists(folder + "/" + name)) << name;
    EXPECT_FALSE(fs::exists(folder + "/Vostrel.7z"));
    for (const std::string& link :
         {testing_support::DesktopLink(), testing_support::QuickLaunchLink(),
          testing_support::StartMenuLink()})
        EXPECT_TRUE(fs::exists(link)) << link;
    EXPECT_TRUE(testing_support::RegistryValue(testing_support::kRunKey, u"mervo"));
    EXPECT_EQ(testing_support::RegistryValue(testing_support::kUninstallKey, u"DisplayName"),
              u"Talvimo");
    // Standard error is no terminal and there is no log: no progress lines.
    EXPECT_EQ(run.errors.find("正在释放文件"), std::string::npos) << run.errors;
}

TEST_F(UnattendedInstall, AGivenFolderWithoutTheOptionalLinksAndALog) {
    const std::string apps = systemRoot.Folder() + "/apps/talvimo";
    const std::string log = systemRoot.Folder() + "/install.log";
    const SetupRun run = Install({"/VERYSILENT", "/DIR=" + apps, "/NODESKTOPICON", "-noquicklaunch",
                                  "/NoAutoStart", "/LOG=" + log});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const std::string windowsFolder = "Z:" + apps;
    EXPECT_TRUE(fs::exists(apps + "/mervo.exe"));
    EXPECT_FALSE(fs::exists(testing_support::DesktopLink()));
    EXPECT_FALSE(fs::exists(testing_support::QuickLaunchLink()));
    EXPECT_TRUE(fs::exists(testing_support::StartMenuLink()));
    EXPECT_FALSE(testing_support::RegistryValue(testing_support::kRunKey, u"mervo"));
    EXPECT_TRUE(testing_support::RegistryValue(testing_support::kUninstallKey, u"DisplayName"));

    // The log, UTF-8, one stamped line per step.
    const std::string text = ReadLinuxFile(log).value_or("");
    std::string folder = windowsFolder;
    for (char& c : folder)
        if (c == '/')
            c = '\\';
    for (const std::string& line :
         {"安装文件夹 " + folder + "\\", std::string("正在关闭Talvimo播放器主程序..."),
          std::string("解压进度 100%"), "写入文件 " + folder + "\\mervo.exe",
          "写入卸载列表 " + folder + "\\UnInstall.lst", std::string("安装完成")})
        EXPECT_NE(text.find(line + "\n"), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.substr(4, 1), "-"); // each line starts with its date and time
    // With a log the progress is also on standard error.
    EXPECT_NE(run.errors.find("正在释放文件... 100%"), std::string::npos) << run.errors;
}

TEST_F(UnattendedInstall, BadSwitchesAndAnUncreatableFolderEndItWithNothingRegistered) {
    SetupRun run = Install({"/VERYSILENT", "/BOGUS"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find("Unknown switch: /BOGUS"), std::string::npos) << run.errors;
    EXPECT_TRUE(NothingRegistered());

    run = Install({"/VERYSILENT", "/DIR=Z:\\proc\\x"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.errors.find("。"), std::string::npos) << run.errors;
    EXPECT_TRUE(NothingRegistered());
    EXPECT_FALSE(fs::exists(Folder("C:\\Program Files\\Vostrel")));

    run = Install({"/?"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("/VERYSILENT"), std::string::npos);
}

// A word that is no switch ends the run before anything is written: a path cut at its blank,
// thousands of stray words, a dash-word Qt does not know. Help still wins over a bad switch.
TEST_F(UnattendedInstall, WordsThatAreNoSwitchEndItWithCodeOneAndHelpWinsOverThem) {
    const std::vector<std::string> strayWords(10000, "word");
    const struct {
        std::vector<std::string> switches;
        std::string named;
    } refused[] = {{{"/VERYSILENT", "/DIR=C:\\My", "Folder"}, "Not a switch: Folder"},
                   {strayWords, "Not a switch: word"},
                   {{"/VERYSILENT", "-FOO"}, "Unknown switch: -FOO"}};
    for (const auto& [switches, named] : refused) {
        const SetupRun run = Install(switches);
        EXPECT_EQ(run.exitCode, 1) << named;
        EXPECT_NE(run.errors.find(named), std::string::npos) << run.errors;
    }
    EXPECT_FALSE(fs::exists(Folder("C:\\My")));
    ExpectNoFileInTheSystemRoot();

    const SetupRun help = Install({"/?", "/FOO"});
    EXPECT_EQ(help.exitCode, 0) << help.errors;
    EXPECT_NE(help.output.find("/VERYSILENT"), std::string::npos);
}

// The root of a file system or of a drive is no install folder: code 1, nothing written there.
TEST_F(UnattendedInstall, ADriveOrFileSystemRootIsRefusedWithCodeOne) {
    for (const char* folder : {"/", "Z:\\", "C:\\", "C:\\Apps\\..", "/dev/shm"}) {
        const SetupRun run = Install({"/VERYSILENT", std::string("/DIR=") + folder});
        EXPECT_EQ(run.exitCode, 1) << folder << run.errors;
        EXPECT_NE(run.errors.find("不能安装到驱动器或文件系统的根目录"), std::string::npos)
            << run.errors;
    }
    for (const std::string& place :
         {std::string("/"), systemRoot.DriveC(), std::string("/dev/shm")})
        EXPECT_FALSE(fs::exists(place + "/Vostrel.7z")) << place;
    EXPECT_TRUE(NothingRegistered());
}

// A root that cannot be used is the install's failure, with the root and the reason, never
// the running-installer message.
TEST_F(UnattendedInstall, ABrokenSystemRootEndsWithCodeTwoAndItsReason) {
    const std::string file = systemRoot.Folder() + "/afile";
    WriteLinuxFile(file, "x");
    const struct {
        std::vector<std::string> environment;
        std::string message;
    } broken[] = {
        {{"WINEPREFIX=relative/prefix"},
         "无法使用系统根目录 relative/prefix：WINEPREFIX 必须是绝对路径。"},
        {{"WINEPREFIX=" + file}, "无法使用系统根目录 " + file + "：这是一个文件，不是文件夹。"},
        {{"WINEARCH=win16"},
         "无法使用系统根目录 " + systemRoot.Root() +
             "：WINEARCH=win16 无效，只能是 win32 或 win64。"}};
    for (const auto& [environment, message] : broken) {
        const SetupRun run = Install({"/VERYSILENT"}, VOSTREL_SETUP, environment);
        EXPECT_EQ(run.exitCode, 2) << message;
        EXPECT_NE(run.errors.find(message), std::string::npos) << run.errors;
        EXPECT_EQ(run.errors.find("正在运行"), std::string::npos) << run.errors;
    }

    // A root on a file system mounted read-only.
    const std::string root = systemRoot.Root();
    const std::optional<int> code = testing_support::RunOnSmallVolume(root, [&] {
        if (mount(nullptr, root.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return testing_support::kVolumeNotPermitted;
        return Install({"/VERYSILENT"}).exitCode;
    });
    if (!code)
        GTEST_SKIP() << "mounting is not permitted here";
    EXPECT_EQ(*code, 2);
    const std::string errors = ReadLinuxFile(Output("run", "stderr")).value_or("");
    EXPECT_NE(errors.find("无法使用系统根目录 " + root + "：介质受写入保护。"), std::string::npos)
        << errors;
}

// Two installers for two system roots, one folder: the second waits its turn with code 3 and
// leaves the first one's log as the first one writes it.
TEST_F(UnattendedInstall, TwoRootsInstallingIntoOneFolderTakeTurnsAndTheLogStaysWhole) {
    const std::string apps = systemRoot.Folder() + "/apps";
    const std::string log = systemRoot.Folder() + "/install.log";
    const std::vector<std::string> switches = {"/VERYSILENT", "/DIR=" + apps, "/LOG=" + log};
    const pid_t first = fork();
    if (first == 0) {
        const std::string command = Command(switches, VOSTREL_SETUP, {}, "first");
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(first, 0);
    // The library is the last payload file the first one writes, under its locks.
    for (int i = 0; i < 1500 && !fs::exists(apps + "/7z.dll"); ++i)
        usleep(20000);
    const SetupRun second =
        Install(switches, VOSTREL_SETUP, {"WINEPREFIX=" + systemRoot.Folder() + "/second-prefix"});
    int status = 0;
    waitpid(first, &status, 0);
    const SetupRun firstRun = Result(status, "first");

    EXPECT_EQ(second.exitCode, 3) << second.errors;
    EXPECT_NE(second.errors.find("另一个Talvimo安装程序正在运行"), std::string::npos)
        << second.errors;
    EXPECT_EQ(firstRun.exitCode, 0) << firstRun.errors;
    const std::string text = ReadLinuxFile(log).value_or("");
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_EQ(text.find("安装文件夹 "), 24u) << text; // the first line, after its time stamp
    EXPECT_NE(text.find("安装完成\n"), std::string::npos) << text;
}

// A log that cannot be opened or written is a warning, once, and the install goes on.
TEST_F(UnattendedInstall, ALogThatCannotBeWrittenIsAWarningAndTheInstallGoesOn) {
    for (const std::string& log :
         {std::string("/dev/full"), systemRoot.Folder() + "/missing/install.log"}) {
        const SetupRun run = Install({"/VERYSILENT", "/LOG=" + log});
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        const std::string warning = "Warning: cannot write the install log " + log + ":";
        const size_t at = run.errors.find(warning);
        EXPECT_NE(at, std::string::npos) << run.errors;
        EXPECT_EQ(run.errors.find(warning, at + 1), std::string::npos) << run.errors;
        EXPECT_NE(run.errors.find("警告：无法写入安装日志 " + log + "："), std::string::npos);
        EXPECT_EQ(run.errors.find("。。"), std::string::npos) << run.errors;
        EXPECT_TRUE(fs::exists(Folder("C:\\Program Files\\Vostrel") + "/mervo.exe"));
    }
}

// Without HOME, the home folder is the password entry's, as Wine takes it: the root, the menu
// and the desktop launcher all go there, never below "/".
TEST_F(UnattendedInstall, WithoutHomeEverythingGoesToThePasswordEntrysHome) {
    const std::string wrapper = "/usr/lib/x86_64-linux-gnu/libnss_wrapper.so";
    if (!fs::exists(wrapper))
        GTEST_SKIP() << "needs libnss-wrapper";
    const std::string home = systemRoot.Folder() + "/account";
    const std::string users = systemRoot.Folder() + "/passwd";
    const std::string groups = systemRoot.Folder() + "/group";
    const passwd* me = getpwuid(getuid());
    ASSERT_NE(me, nullptr);
    WriteLinuxFile(users, std::string(me->pw_name) + ":x:" + std::to_string(getuid()) + ":" +
                              std::to_string(getgid()) + "::" + home + ":/bin/sh\n");
    WriteLinuxFile(groups, std::string(me->pw_name) + ":x:" + std::to_string(getgid()) + ":\n");
    for (const char* emptyHome : {"-u", "HOME="}) {
        std::vector<std::string> environment = {"-u", "WINEPREFIX",     "-u", "XDG_DATA_HOME",
                                                "-u", "XDG_CONFIG_HOME"};
        if (std::string(emptyHome) == "-u")
            environment.insert(environment.end(), {"-u", "HOME"});
        environment.insert(environment.end(),
                           {"LD_PRELOAD=" + wrapper, "NSS_WRAPPER_PASSWD=" + users,
                            "NSS_WRAPPER_GROUP=" + groups});
        if (std::string(emptyHome) != "-u")
            environment.push_back(emptyHome);
        const SetupRun run = Install({"/VERYSILENT"}, VOSTREL_SETUP, environment);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_TRUE(fs::is_directory(home + "/.wine/drive_c/Program Files/Vostrel")) << emptyHome;
        EXPECT_TRUE(fs::is_directory(home + "/.local/share/applications/wine/Programs"))
            << emptyHome;
        bool desktopLauncher = false;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(home + "/Desktop", error))
            desktopLauncher = desktopLauncher || entry.path().extension() == ".desktop";
        EXPECT_TRUE(desktopLauncher) << emptyHome;
        testing_support::RemoveTree(home);
    }
}

// A download that lost the payload (the file ends where the payload would start) or carries it
// damaged (one byte changed): the payload code, the message on standard error, nothing written.
TEST_F(UnattendedInstall, AMissingOrDamagedPayloadEndsWithCodeFourAndWritesNothing) {
    const testing_support::ResourceInFile payload =
        testing_support::ResourceIn(VOSTREL_SETUP, "F1");
    ASSERT_GT(payload.size, 0u);
    const std::string copy = systemRoot.Folder() + "/VostrelSetup";

    testing_support::CopyExecutable(VOSTREL_SETUP, copy);
    fs::resize_file(copy, payload.offset);
    SetupRun run = Install({"/VERYSILENT"}, copy);
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.errors.find("安装程序已损坏或不完整，请重新下载。文件大小为 " +
                              std::to_string(payload.offset) + " 字节"),
              std::string::npos)
        << run.errors;
    ExpectNoFileInTheSystemRoot();

    testing_support::CopyExecutable(VOSTREL_SETUP, copy);
    testing_support::FlipByte(copy, payload.offset + payload.size / 2);
    run = Install({"/VERYSILENT", "/LOG=" + systemRoot.Folder() + "/install.log"}, copy);
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.errors.find("安装程序已损坏或不完整，请重新下载。损坏的部分：F1。"),
              std::string::npos)
        << run.errors;
    ExpectNoFileInTheSystemRoot();
    EXPECT_FALSE(fs::exists(Folder("C:\\Program Files\\Vostrel")));
    EXPECT_TRUE(NothingRegistered());
}

// A 32-bit root (as Wine records it in system.reg) cannot run the 64-bit product: the install
// is refused with what to do, and nothing is written into the root.
TEST_F(UnattendedInstall, A32BitRootIsRefusedBeforeAnythingIsWritten) {
    const std::string registry = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
                                 "#arch=win32\n";
    WriteLinuxFile(systemRoot.Root() + "/system.reg", registry);
    const SetupRun run = Install({"/VERYSILENT"});
    EXPECT_EQ(run.exitCode, 2) << run.errors;
    EXPECT_NE(run.errors.find("Talvimo 是 64 位 Windows 程序，无法安装到 32 位的系统根目录 " +
                              systemRoot.Root()),
              std::string::npos)
        << run.errors;
    std::vector<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(systemRoot.Root()))
        entries.push_back(entry.path().filename());
    EXPECT_EQ(entries, std::vector<std::string>{"system.reg"});
    EXPECT_EQ(ReadLinuxFile(systemRoot.Root() + "/system.reg"), registry);
}

TEST_F(UnattendedInstall, ASecondInstallOnTheSameSystemRootEndsWithCodeThree) {
    const std::string root = *winapi::SystemRootPath();
    fs::create_directories(root);
    const int first = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(first, 0);
    ASSERT_EQ(flock(first, LOCK_EX | LOCK_NB), 0);
    const SetupRun run = Install({"/VERYSILENT"});
    close(first);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.errors.find("另一个Talvimo安装程序正在运行"), std::string::npos) << run.errors;
    EXPECT_FALSE(fs::exists(Folder("C:\\Program Files\\Vostrel")));
    EXPECT_TRUE(NothingRegistered());
}

} // namespace
