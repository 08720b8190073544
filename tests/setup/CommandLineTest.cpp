// Reading the unattended install's switches.
#include "setup/CommandLine.h"

#include "support/TempSystemRoot.h"

#include "winapi/Gbk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

TCommandLine Parse(std::vector<std::string> arguments) {
    return ParseCommandLine(arguments);
}

std::string ErrorOf(std::vector<std::string> arguments) {
    try {
        ParseCommandLine(arguments);
    } catch (const ECommandLineError& e) {
        return e.Message();
    }
    return "<no error>";
}

TEST(CommandLine, WithoutSwitchesTheWindowsRunAndQtKeepsItsOwnOptions) {
    const TCommandLine line =
        Parse({"-platform", "offscreen", "--style", "fusion", "-stylesheet=a.qss", "-reverse"});
    EXPECT_EQ(line.mode, TCommandLine::Mode::Windows);
    EXPECT_FALSE(line.AnySwitch);
    EXPECT_TRUE(line.desktopIcon && line.quickLaunch && line.autoStart);
    EXPECT_FALSE(line.run);
}

TEST(CommandLine, SwitchesMatchWithoutCaseAfterASlashOrADash) {
    const TCommandLine line = Parse({"/verysilent", "-NoDesktopIcon", "/NOQUICKLAUNCH",
                                     "-noautostart", "/Run", "/LOG=/tmp/x.log"});
    EXPECT_EQ(line.mode, TCommandLine::Mode::VerySilent);
    EXPECT_FALSE(line.desktopIcon);
    EXPECT_FALSE(line.quickLaunch);
    EXPECT_FALSE(line.autoStart);
    EXPECT_TRUE(line.run);
    EXPECT_EQ(line.logFile, "/tmp/x.log");
    EXPECT_EQ(Parse({"-SILENT"}).mode, TCommandLine::Mode::Silent);
    // The quieter of the two wins, in either order.
    EXPECT_EQ(Parse({"/VERYSILENT", "/SILENT"}).mode, TCommandLine::Mode::VerySilent);
    EXPECT_EQ(Parse({"/SILENT", "/VERYSILENT"}).mode, TCommandLine::Mode::VerySilent);
}

TEST(CommandLine, HelpWinsOverEverythingGivenWithIt) {
    for (const char* help : {"/?", "-?", "/HELP", "/help", "--help"})
        for (const char* other : {"/VERYSILENT", "/FOO", "stray", "/DIR=Apps", "/RUN=yes"})
            EXPECT_EQ(Parse({other, help}).mode, TCommandLine::Mode::Help) << help << other;
    const std::string text = CommandLineHelp();
    for (const char* part : {"/VERYSILENT", "/DIR=", "/LOG=", "3  ", "另一个安装程序正在运行"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}

TEST(CommandLine, TheFolderIsAWindowsPathOrALinuxOneThroughZ) {
    EXPECT_EQ(Parse({"/DIR=C:\\Apps\\Talvimo"}).installDir, "C:\\Apps\\Talvimo\\");
    EXPECT_EQ(Parse({"/DIR=\"C:\\Apps\\Talvimo\\\""}).installDir, "C:\\Apps\\Talvimo\\");
    EXPECT_EQ(Parse({"/DIR=/opt/apps/talvimo"}).installDir, "Z:\\opt\\apps\\talvimo\\");
    // No product folder is appended: the folder is used as given.
    EXPECT_EQ(Parse({"/dir=D:\\视频"}).installDir, gbk::Literal("D:\\视频\\"));
}

// A Linux folder inside the system root is the C: folder Wine shows there; reading the switch
// makes nothing, not even the root, which only the install makes.
TEST(CommandLine, ALinuxFolderInsideTheSystemRootIsOnDriveC) {
    testing_support::TempSystemRoot root;
    EXPECT_EQ(Parse({"/DIR=" + root.DriveC() + "/Apps/../视频/"}).installDir,
              gbk::Literal("C:\\视频\\"));
    // A name that only begins like drive_c is beside it, on Z:.
    std::string beside = "Z:" + root.Root() + "/drive_cx/";
    std::replace(beside.begin(), beside.end(), '/', '\\');
    EXPECT_EQ(Parse({"/DIR=" + root.Root() + "/drive_cx"}).installDir, beside);
    EXPECT_FALSE(std::filesystem::exists(root.Root()));
}

TEST(CommandLine, BadSwitchesAreRefusedInChineseAndEnglish) {
    EXPECT_EQ(ErrorOf({"/VERYSILENT", "/BOGUS"}), "未知的参数：/BOGUS\nUnknown switch: /BOGUS");
    EXPECT_EQ(ErrorOf({"-FOO"}), "未知的参数：-FOO\nUnknown switch: -FOO");
    // A path with a blank, unquoted: the word after the blank is named, nothing is installed.
    const std::string notASwitch = "不是开关：Folder（含空格的路径须整个加引号）\n"
                                   "Not a switch: Folder (quote a path that contains spaces)";
    EXPECT_EQ(ErrorOf({"/VERYSILENT", "/DIR=C:\\My", "Folder"}), notASwitch);
    EXPECT_EQ(ErrorOf({"Folder", "/VERYSILENT"}), notASwitch);
    EXPECT_EQ(ErrorOf({"/VERYSILENT", "-"}), "不是开关：-（含空格的路径须整个加引号）\n"
                                             "Not a switch: - (quote a path that contains spaces)");
    // A Qt option's value is taken with it; one word more is not.
    EXPECT_EQ(ErrorOf({"-platform", "offscreen", "Folder"}), notASwitch);
    EXPECT_EQ(ErrorOf({"/DIR"}), "参数缺少取值：/DIR\nThe switch needs a value: /DIR");
    EXPECT_EQ(ErrorOf({"/LOG="}), "参数缺少取值：/LOG=\nThe switch needs a value: /LOG=");
    EXPECT_EQ(ErrorOf({"/RUN=yes"}),
              "参数不接受取值：/RUN=yes\nThe switch takes no value: /RUN=yes");
    EXPECT_EQ(ErrorOf({"/DIR=Apps"}),
              "安装文件夹必须是绝对路径：Apps\nThe install folder must be an absolute path: Apps");
    // A name GBK cannot write (Hangul) is refused rather than mangled.
    EXPECT_EQ(ErrorOf({"/DIR=/opt/한국"}),
              "安装文件夹的名称无法用 GBK 编码表示：/opt/한국\n"
              "The install folder's name cannot be written in GBK: /opt/한국");
}

} // namespace
