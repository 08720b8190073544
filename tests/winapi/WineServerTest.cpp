// The registry against a real Wine: a prefix made by wineboot, a server kept running with
// "wineserver -p", and "wine reg query" reading back what the layer wrote.
#include "RegistryReadBack.h"

#include "support/LockHolder.h"
#include "support/QuietShell.h"
#include "support/RegistryValues.h"
#include "support/TempSystemRoot.h"
#include "winapi/Gbk.h"

#include "rtl/Registry.h"
#include "winapi/RegistryFile.h"
#include "winapi/RegistryStore.h"
#include "winapi/SystemRoot.h"
#include "winapi/WineServer.h"
#include "winapi/advapi32.h"
#include "winapi/kernel32.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::QuietShell;
using testing_support::QuietShellOutput;
using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

namespace {

class WineServer : public testing_support::SystemRootTest {
protected:
    void TearDown() override {
        // Stop the server and remove the server folder Debian's Wine made for the root.
        QuietShell("wineserver -k");
        QuietShell("wineserver -w");
        if (auto name = ReadLinuxFile(systemRoot.Root() + "/wineserver"); name && !name->empty())
            testing_support::RemoveTree("/tmp/" + *name);
    }

    // Waits for the server wineboot leaves running, so a test can start its own.
    void MakePrefix() {
        ASSERT_EQ(QuietShell("wine wineboot -i"), 0);
        QuietShell("wineserver -w");
    }

    std::string Query(const std::string& key) {
        return QuietShellOutput("wine reg query '" + key + "'");
    }

    std::u16string FileString(std::u16string_view key, std::u16string_view name) {
        auto file = winapi::ReadRegistryFile(systemRoot.Root() + "/system.reg");
        auto value = file ? file->GetValue(key, name) : std::nullopt;
        if (!value || value->data.size() < 2)
            return u"<missing>";
        return winapi::FromUtf16Le(value->data.substr(0, value->data.size() - 2));
    }
};

HKEY CreateKey(const char* path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    return key;
}

LSTATUS SetString(HKEY key, const char* name, const std::string& value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
}

TEST_F(WineServer, ChangesReachARunningServerAndOutliveIt) {
    MakePrefix();
    ASSERT_EQ(QuietShell("wineserver -p"), 0);
    ASSERT_TRUE(winapi::WineServerRunning(systemRoot.Root()));

    HKEY key = CreateKey("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talvimo");
    ASSERT_EQ(SetString(key, "DisplayName", gbk::Literal("塔维莫 \"播放器\"")), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "UninstallString", "\"C:\\Program Files\\Vostrel\\uninst.exe\""),
              ERROR_SUCCESS);
    const DWORD one = 1;
    ASSERT_EQ(RegSetValueExA(key, "NoModify", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
              ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "Gone", "x"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "Gone"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "NeverThere"), static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    const std::string listed =
        Query("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talvimo");
    EXPECT_NE(
        listed.find("UninstallString    REG_SZ    \"C:\\Program Files\\Vostrel\\uninst.exe\""),
        std::string::npos)
        << listed;
    EXPECT_NE(listed.find("NoModify    REG_DWORD    0x1"), std::string::npos) << listed;
    EXPECT_EQ(listed.find("Gone"), std::string::npos) << listed;

    // A value deleted through an existing key reaches the server as well.
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talvimo", 0,
                            KEY_ALL_ACCESS, &opened),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(opened, "NoModify"), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\NoSuchKey", 0, KEY_ALL_ACCESS, &opened),
              static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND));

    // The server saves what it holds when it ends: our values are in the file then.
    ASSERT_EQ(QuietShell("wineserver -k"), 0);
    QuietShell("wineserver -w");
    EXPECT_FALSE(winapi::WineServerRunning(systemRoot.Root()));
    const std::u16string key16 =
        u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talvimo";
    EXPECT_EQ(FileString(key16, u"DisplayName"), u"塔维莫 \"播放器\"");
    EXPECT_EQ(FileString(key16, u"NoModify"), u"<missing>");
}

TEST_F(WineServer, ValuesArePutBackAndKeysDeletedThroughARunningServer) {
    MakePrefix();
    ASSERT_EQ(QuietShell("wineserver -p"), 0);
    const std::string product = "Software\\Vostrel\\Talvimo";
    const auto values = testing_support::RegistryValuesOfEveryType();
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(product, true));
    for (const auto& [name, value] : values)
        registry.WriteValue(name, value);
    registry.CloseKey();
    const std::string before = Query("HKLM\\" + product);
    ASSERT_NE(before.find("Expandable    REG_EXPAND_SZ    %ProgramFiles%\\Vostrel"),
              std::string::npos)
        << before;

    ASSERT_TRUE(registry.OpenKey(product, false));
    const std::vector<winapi::RegistryValue> read = ReadBackAndOverwrite(registry, values);
    // What the handle still holds for Wine is what it reads.
    EXPECT_EQ(registry.ReadValue(values[0].name), (winapi::RegistryValue{REG_DWORD, {7, 0, 0, 0}}));
    registry.CloseKey();
    ASSERT_NE(Query("HKLM\\" + product), before);
    ASSERT_TRUE(registry.OpenKey(product, false));
    for (size_t i = 0; i < values.size(); ++i)
        registry.WriteValue(values[i].name, read[i]);
    registry.CloseKey();
    EXPECT_EQ(Query("HKLM\\" + product), before);

    ASSERT_TRUE(registry.OpenKey(product + "\\Plugins", true));
    registry.WriteString("Name", "x");
    registry.CloseKey();
    EXPECT_FALSE(registry.DeleteKey(product));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_NE(Query("HKLM\\" + product + "\\Plugins").find("Name"), std::string::npos);
    EXPECT_TRUE(registry.DeleteKey(product + "\\Plugins"));
    EXPECT_TRUE(registry.DeleteKey(product));
    EXPECT_FALSE(registry.DeleteKey(product));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(registry.KeyExists(product));
    EXPECT_TRUE(registry.KeyExists("Software\\Vostrel"));
    EXPECT_EQ(Query("HKLM\\Software\\Vostrel").find("Talvimo"), std::string::npos);

    // Wine's export rewrites a number of two bytes, so the hand-over cannot confirm it: it fails
    // rather than report a success.
    const auto odd = testing_support::OddlySizedRegistryValues().back();
    ASSERT_TRUE(registry.OpenKey(product, true));
    registry.WriteValue(odd.name, odd.value);
    EXPECT_THROW(registry.CloseKey(), ERegistryException);
}

TEST_F(WineServer, WithoutAServerTheFileIsWrittenAndWineReadsIt) {
    MakePrefix();
    QuietShell("wineserver -w");
    ASSERT_FALSE(winapi::WineServerRunning(systemRoot.Root()));
    HKEY key = CreateKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    ASSERT_EQ(SetString(key, "mervo", "C:\\Program Files\\Vostrel\\mervo.exe"), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(FileString(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", u"mervo"),
              u"C:\\Program Files\\Vostrel\\mervo.exe");
    EXPECT_NE(Query("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run")
                  .find("mervo    REG_SZ    C:\\Program Files\\Vostrel\\mervo.exe"),
              std::string::npos);
}

TEST_F(WineServer, AHandOverThatCannotRunWineFailsTheClose) {
    MakePrefix();
    ASSERT_EQ(QuietShell("wineserver -p"), 0);
    const std::string savedPath = std::getenv("PATH");
    const std::string empty = systemRoot.Folder() + "/no-wine";
    mkdir(empty.c_str(), 0700);
    setenv("PATH", empty.c_str(), 1);
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run", true));
    registry.WriteString("mervo", "C:\\mervo.exe");
    std::string message;
    try {
        registry.CloseKey();
    } catch (const ERegistryException& error) {
        message = error.Message();
    }
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(message,
              "Failed to close key Software\\Microsoft\\Windows\\CurrentVersion\\Run: " +
                  gbk::Literal("由注册表启动的 I/O 操作恢复失败。注册表不能读入、写出或清除任意"
                               "一个包含注册表系统映像的文件。"));
    EXPECT_EQ(Query("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run").find("mervo"),
              std::string::npos);
}

TEST_F(WineServer, AFreshRootMadeHereIsOnlyUpdatedByWine) {
    const std::string desktop = systemRoot.Home() + "/Schreibtisch";
    mkdir(desktop.c_str(), 0700);
    WriteLinuxFile(systemRoot.Home() + "/.config/user-dirs.dirs",
                   "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    HKEY key = CreateKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    ASSERT_EQ(SetString(key, "mervo", "C:\\mervo.exe"), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    const std::string profile = systemRoot.DriveC() + "/users/" + winapi::WineUserName();
    ASSERT_TRUE(std::filesystem::is_symlink(profile + "/Desktop"));

    ASSERT_EQ(QuietShell("wine wineboot"), 0);
    EXPECT_NE(Query("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run").find("mervo"),
              std::string::npos);
    QuietShell("wineserver -w");
    EXPECT_EQ(FileString(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", u"mervo"),
              u"C:\\mervo.exe");
    EXPECT_EQ(std::filesystem::read_symlink(profile + "/Desktop"), desktop);
    EXPECT_TRUE(std::filesystem::exists(systemRoot.DriveC() + "/windows/system32"));
}

// A server is recognised by the lock it holds, not by its folder: one that crashed leaves the
// folder and an unlocked "lock" behind.
TEST_F(WineServer, OnlyAHeldLockMeansARunningServer) {
    const std::string root = *winapi::SystemRootPath();
    const std::string tmpName = "vostrel-server-test-" + std::to_string(getpid());
    WriteLinuxFile(root + "/wineserver", tmpName);
    chmod((root + "/wineserver").c_str(), 0400);
    const auto folders = winapi::WineServerFolders(root);
    ASSERT_FALSE(folders.empty());
    struct stat st {};
    ASSERT_EQ(stat(root.c_str(), &st), 0);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, "/server-%llx-%llx",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    if (!std::filesystem::exists("/run/user/" + std::to_string(getuid()))) {
        ASSERT_EQ(folders.front(), "/tmp/" + tmpName + suffix);
    }
    ASSERT_EQ(folders.back(), "/tmp/.wine-" + std::to_string(getuid()) + suffix);
    std::filesystem::create_directories(folders.front());
    WriteLinuxFile(folders.front() + "/lock", "");
    EXPECT_FALSE(winapi::WineServerRunning(root));

    testing_support::LockHolder server([&] {
        const int fd = open((folders.front() + "/lock").c_str(), O_WRONLY);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_len = 1;
        fcntl(fd, F_SETLK, &lock);
    });
    ASSERT_TRUE(server.Holding());
    EXPECT_TRUE(winapi::WineServerRunning(root));
    server.End();
    EXPECT_FALSE(winapi::WineServerRunning(root));
    testing_support::RemoveTree("/tmp/" + tmpName);
}

} // namespace
