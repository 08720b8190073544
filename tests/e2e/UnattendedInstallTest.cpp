// The real installer run from the command line with no display at all: /VERYSILENT installs,
// writes its log and ends with its exit code; bad switches, a folder that cannot be made and a
// running install end it early with nothing registered. It closes processes named like the
// product's, so it holds the lock product_processes.
#include "UnattendedInstallRun.h"
#include "support/BrokenCopies.h"
#include "support/InstalledProduct.h"
#include "support/TempSystemRoot.h"

#include "winapi/SystemRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
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
