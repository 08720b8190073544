#include "support/QuietShell.h"
#include "support/TempSystemRoot.h"

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"
#include "winapi/shell32.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using testing_support::TempSystemRoot;
using testing_support::WriteLinuxFile;
namespace fs = std::filesystem;

namespace {

class PathMapping : public testing_support::SystemRootTest {};

void ExpectRefused(std::string_view windowsPath, DWORD error) {
    SetLastError(0);
    EXPECT_FALSE(winapi::ToLinuxPath(windowsPath).has_value()) << windowsPath;
    EXPECT_EQ(GetLastError(), error) << windowsPath;
}

} // namespace

TEST_F(PathMapping, CreatesTheWineLayoutOnFirstUse) {
    ASSERT_FALSE(fs::exists(systemRoot.Root()));
    ASSERT_EQ(winapi::SystemRootPath(), systemRoot.Root());
    const std::string profile = systemRoot.DriveC() + "/users/" + winapi::WineUserName();
    for (const std::string& folder :
         {systemRoot.DriveC() + "/Program Files", profile + "/Desktop",
          profile + "/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"})
        EXPECT_TRUE(fs::is_directory(folder)) << folder;
    // Wine's new prefix has no Quick Launch folder, and neither has ours.
    EXPECT_FALSE(fs::exists(profile + "/AppData/Roaming/Microsoft/Internet Explorer"));
    EXPECT_EQ(fs::read_symlink(systemRoot.Root() + "/dosdevices/c:"), "../drive_c");
    EXPECT_EQ(fs::read_symlink(systemRoot.Root() + "/dosdevices/z:"), "/");
}

// A prefix Wine made has every folder of the layout: nothing is added to it, so the uninstaller,
// which removes what the install recorded, leaves it as it was.
TEST_F(PathMapping, ARootWineMadeGetsNothingAdded) {
    ASSERT_EQ(testing_support::QuietShell("wine wineboot -i"), 0);
    testing_support::QuietShell("wineserver -w");
    auto entries = [&] {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(systemRoot.Root()))
            found.push_back(entry.path().string());
        std::sort(found.begin(), found.end());
        return found;
    };
    const std::vector<std::string> before = entries();
    winapi::ResetSystemRoot();
    ASSERT_EQ(winapi::SystemRootPath(), systemRoot.Root());
    EXPECT_EQ(entries(), before);
}

TEST_F(PathMapping, DrivesCAndZAndEitherSeparator) {
    EXPECT_EQ(winapi::ToLinuxPath("C:\\"), systemRoot.DriveC());
    EXPECT_EQ(winapi::ToLinuxPath("c:\\Program Files\\Vostrel\\"),
              systemRoot.DriveC() + "/Program Files/Vostrel");
    EXPECT_EQ(winapi::ToLinuxPath("C:/Program Files\\\\Vostrel//mervo.exe"),
              systemRoot.DriveC() + "/Program Files/Vostrel/mervo.exe");
    EXPECT_EQ(winapi::ToLinuxPath("Z:\\"), "/");
    EXPECT_EQ(winapi::ToLinuxPath("z:/usr\\lib"), "/usr/lib");
}

TEST_F(PathMapping, ExistingNamesMatchWithoutRegardToCase) {
    fs::create_directories(systemRoot.DriveC() + "/Apps/Vostrel");
    testing_support::WriteLinuxFile(systemRoot.DriveC() + "/Apps/Vostrel/MERVO.EXE", "x");
    EXPECT_EQ(winapi::ToLinuxPath("C:\\APPS\\vostrel\\mervo.exe"),
              systemRoot.DriveC() + "/Apps/Vostrel/MERVO.EXE");
    // A folder spelt as on disk does not stop the search for the file's other spelling.
    EXPECT_EQ(winapi::ToLinuxPath("C:\\Apps\\Vostrel\\mervo.exe"),
              systemRoot.DriveC() + "/Apps/Vostrel/MERVO.EXE");
    // Missing components keep the spelling given, below the deepest existing match.
    EXPECT_EQ(winapi::ToLinuxPath("C:\\apps\\VOSTREL\\New\\File.txt"),
              systemRoot.DriveC() + "/Apps/Vostrel/New/File.txt");
    // An exact match wins over another spelling of the same name.
    fs::create_directories(systemRoot.DriveC() + "/apps");
    EXPECT_EQ(winapi::ToLinuxPath("C:\\apps"), systemRoot.DriveC() + "/apps");
    EXPECT_EQ(winapi::ToLinuxPath("C:\\APPS"), systemRoot.DriveC() + "/Apps");
}

TEST_F(PathMapping, NamesBeyondAsciiMatchWithoutRegardToCaseToo) {
    fs::create_directories(systemRoot.DriveC() + "/Папка");
    // A name that is not UTF-8 in the same folder is passed over, not taken for a match.
    WriteLinuxFile(systemRoot.DriveC() + "/\xFF\xFE", "x");
    EXPECT_EQ(winapi::ToLinuxPath(gbk::Literal("C:\\ПАПКА\\файл")),
              systemRoot.DriveC() + "/Папка/файл");
    // A name beyond ASCII that folds to an ASCII one matches it too (the Kelvin sign, "k").
    WriteLinuxFile(systemRoot.DriveC() + "/\xE2\x84\xAA.txt", "x");
    EXPECT_EQ(winapi::ToLinuxPath("C:\\k.txt"), systemRoot.DriveC() + "/\xE2\x84\xAA.txt");
}

TEST_F(PathMapping, DotsAreNormalisedAsWindowsDoes) {
    EXPECT_EQ(winapi::ToLinuxPath("C:\\a\\.\\b\\..\\c"), systemRoot.DriveC() + "/a/c");
    EXPECT_EQ(winapi::ToLinuxPath("C:\\..\\..\\x"), systemRoot.DriveC() + "/x");
    EXPECT_EQ(winapi::ToLinuxPath("C:\\name. . ."), systemRoot.DriveC() + "/name");
    EXPECT_EQ(winapi::ToLinuxPath("C:\\dir.\\x"), systemRoot.DriveC() + "/dir/x");
    EXPECT_EQ(winapi::ToLinuxPath("C:\\dir..\\x"), systemRoot.DriveC() + "/dir../x");
    EXPECT_EQ(winapi::ToLinuxPath("C:\\...\\x"), systemRoot.DriveC() + "/.../x");
}

TEST_F(PathMapping, PathsThatAreNotAbsoluteOrNotValidAreRefused) {
    ExpectRefused("", ERROR_PATH_NOT_FOUND);
    ExpectRefused("Vostrel\\mervo.exe", ERROR_PATH_NOT_FOUND);
    ExpectRefused("\\Program Files", ERROR_PATH_NOT_FOUND);
    ExpectRefused("C:Program Files", ERROR_PATH_NOT_FOUND);
    ExpectRefused("\\\\server\\share\\x", ERROR_BAD_NETPATH);
    ExpectRefused("C:\\a*b", ERROR_INVALID_NAME);
    ExpectRefused("C:\\a\\b?\\c", ERROR_INVALID_NAME);
    ExpectRefused("C:\\a:b", ERROR_INVALID_NAME);
    ExpectRefused("Q:\\x", ERROR_PATH_NOT_FOUND);
    ExpectRefused("C:\\" + std::string(MAX_PATH, 'a'), ERROR_FILENAME_EXCED_RANGE);
    ExpectRefused("C:\\\x81", ERROR_NO_UNICODE_TRANSLATION); // a lead byte without its trail
}

TEST_F(PathMapping, OtherDrivesFollowTheirDosdevicesLink) {
    ASSERT_TRUE(winapi::SystemRootPath());
    fs::create_directories(systemRoot.Folder() + "/media");
    fs::create_directory_symlink(systemRoot.Folder() + "/media",
                                 systemRoot.Root() + "/dosdevices/d:");
    EXPECT_EQ(winapi::ToLinuxPath("D:\\Apps"), systemRoot.Folder() + "/media/Apps");
}

TEST_F(PathMapping, LinuxPathsInWindowsForm) {
    ASSERT_TRUE(winapi::SystemRootPath());
    EXPECT_EQ(winapi::ToWindowsPath(systemRoot.DriveC() + "/Program Files"), "C:\\Program Files");
    EXPECT_EQ(winapi::ToWindowsPath(systemRoot.DriveC()), "C:\\");
    EXPECT_EQ(winapi::ToWindowsPath("/usr/lib/"), "Z:\\usr\\lib");
    EXPECT_EQ(winapi::ToWindowsPath("/"), "Z:\\");
    EXPECT_EQ(winapi::ToWindowsPath(systemRoot.DriveC() + "/应用"), gbk::Literal("C:\\应用"));
    SetLastError(0);
    EXPECT_FALSE(winapi::ToWindowsPath("/tmp/music-\xF0\x9F\x8E\xB5").has_value());
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_FALSE(winapi::ToWindowsPath("relative/path").has_value());
}

TEST_F(PathMapping, GbkNamesRoundTripThroughTheFileSystem) {
    // 誠 is D5 5C in GBK: its trail byte is a backslash and must not split the name.
    const std::string folder = gbk::Literal("C:\\誠品\\視頻誠");
    ASSERT_EQ(std::string_view(folder).substr(folder.size() - 1), "\x5C");
    ASSERT_TRUE(CreateDirectoryA(gbk::Literal("C:\\誠品").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_TRUE(fs::is_directory(systemRoot.DriveC() + "/誠品/視頻誠"));
    EXPECT_EQ(winapi::ToWindowsPath(systemRoot.DriveC() + "/誠品/視頻誠"), folder);
    EXPECT_EQ(GetFileAttributesA((folder + "\\").c_str()), FILE_ATTRIBUTE_DIRECTORY);
}

TEST(SystemRoot, UserFoldersLinkToTheXdgFoldersAsWineLinksThem) {
    testing_support::TempSystemRoot root;
    const std::string home = root.Home();
    std::filesystem::create_directories(home + "/Bureau");
    std::filesystem::create_directories(home + "/Documents");
    std::filesystem::create_directories(home + "/My Music");
    WriteLinuxFile(home + "/.config/user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                                     "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"
                                                     "XDG_MUSIC_DIR=\"" +
                                                         home +
                                                         "/My Music\"\n"
                                                         "XDG_PICTURES_DIR=\"$HOME/Missing\"\n");
    ASSERT_TRUE(winapi::SystemRootPath());
    const std::string profile = root.DriveC() + "/users/" + winapi::WineUserName();
    auto target = [&](const char* folder) {
        std::error_code error;
        return std::filesystem::read_symlink(profile + "/" + folder, error).string();
    };
    EXPECT_EQ(target("Desktop"), home + "/Bureau");
    EXPECT_EQ(target("Music"), home + "/My Music");
    EXPECT_EQ(target("Documents"), home + "/Documents"); // not in the file: the usual folder
    EXPECT_EQ(target("Pictures"), home);                 // named but missing: the home folder
    EXPECT_EQ(target("Videos"), home);
    // A user folder made before is kept as it is.
    std::filesystem::remove(profile + "/Downloads");
    std::filesystem::create_directory(profile + "/Downloads");
    winapi::ResetSystemRoot();
    ASSERT_TRUE(winapi::SystemRootPath());
    EXPECT_FALSE(std::filesystem::is_symlink(profile + "/Downloads"));
}

TEST(SystemRoot, WithoutAHomeFolderTheUserFoldersAreRealFolders) {
    testing_support::TempSystemRoot root;
    setenv("HOME", (root.Folder() + "/gone").c_str(), 1);
    ASSERT_TRUE(winapi::SystemRootPath());
    const std::string desktop = root.DriveC() + "/users/" + winapi::WineUserName() + "/Desktop";
    EXPECT_TRUE(std::filesystem::is_directory(desktop));
    EXPECT_FALSE(std::filesystem::is_symlink(desktop));
}

TEST(SystemRoot, DefaultsToWineInTheHomeFolder) {
    TempSystemRoot scratch; // restores WINEPREFIX and the cached root afterwards
    const char* savedHome = std::getenv("HOME");
    const std::string home = scratch.Folder() + "/home";
    fs::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    unsetenv("WINEPREFIX");
    winapi::ResetSystemRoot();
    EXPECT_EQ(winapi::SystemRootPath(), home + "/.wine");
    EXPECT_TRUE(fs::is_directory(home + "/.wine/drive_c"));
    if (savedHome)
        setenv("HOME", savedHome, 1);
    else
        unsetenv("HOME");
}

TEST(SystemRoot, ARootThatCannotBeCreatedFailsEveryCDrivePath) {
    TempSystemRoot scratch;
    // Under a regular file: works as root too, where folder permissions would not stop us.
    testing_support::WriteLinuxFile(scratch.Folder() + "/file", "x");
    setenv("WINEPREFIX", (scratch.Folder() + "/file/prefix").c_str(), 1);
    winapi::ResetSystemRoot();
    EXPECT_FALSE(winapi::SystemRootPath().has_value());
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(CreateDirectoryA("C:\\Program Files\\Vostrel", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    // The shell still names its folders, which creates nothing, but none of them can be used.
    LPITEMIDLIST itemList = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAM_FILES, &itemList), S_OK);
    char path[MAX_PATH + 1] = {};
    EXPECT_TRUE(SHGetPathFromIDListA(itemList, path));
    ILFree(itemList);
    EXPECT_STREQ(path, "C:\\Program Files");
    EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    // Z: needs no root.
    EXPECT_EQ(winapi::ToLinuxPath("Z:\\tmp"), "/tmp");
}

TEST(SystemRoot, APrefixWhereEvenRootMayNotWriteIsAccessDenied) {
    TempSystemRoot scratch;
    // sysfs refuses new folders to every user, root included.
    setenv("WINEPREFIX", "/sys/vostrel-prefix", 1);
    winapi::ResetSystemRoot();
    EXPECT_FALSE(winapi::SystemRootPath().has_value());
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(SystemRoot, ARelativePrefixIsRefused) {
    TempSystemRoot scratch;
    setenv("WINEPREFIX", "relative/prefix", 1);
    winapi::ResetSystemRoot();
    EXPECT_FALSE(winapi::SystemRootPath().has_value());
    EXPECT_EQ(GetLastError(), ERROR_BAD_PATHNAME);
    EXPECT_FALSE(fs::exists("relative"));
}

// HOME when it is an absolute path other than "/", else the password entry's home, as Wine
// takes it: nothing is ever put straight into the file system's root.
TEST(SystemRoot, TheHomeFolderIsHomeElseThePasswordEntrys) {
    const passwd* me = getpwuid(getuid());
    ASSERT_NE(me, nullptr);
    EXPECT_EQ(winapi::HomeFolderFor("/home/someone"), "/home/someone");
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "/", "relative/home"})
        EXPECT_EQ(winapi::HomeFolderFor(unusable), std::string(me->pw_dir))
            << (unusable ? unusable : "unset");
}
