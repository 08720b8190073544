// The earlier copy an install into another folder leaves behind: what its uninstall list names,
// and only what an install of ours makes, goes inside the transaction; a rollback puts it back
// byte for byte. The folder the uninstall entry names is where that copy is.
#include "support/TempSystemRoot.h"

#include "rtl/Registry.h"
#include "setup/EarlierCopy.h"
#include "setup/InstallTransaction.h"
#include "setup/InstalledItems.h"
#include "setup/ShellIntegration.h"

#include "winapi/Gbk.h"
#include "winapi/shell32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;
using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

namespace {

const AnsiString kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talvimo";

class EarlierCopy : public testing_support::SystemRootTest {
protected:
    EarlierCopy() {
        fs::create_directories(systemRoot.Home());
        old_ = systemRoot.DriveC() + "/Old";
        outside_ = systemRoot.Folder() + "/outside.txt";
        desktopLink_ = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Talvimo.lnk";
        launcher_ = systemRoot.Home() + "/Desktop/Talvimo-0.desktop";
        notes_ = systemRoot.Home() + "/notes.txt";
        for (const std::string& file :
             {old_ + "/a.exe", old_ + "/sub/b.dll", old_ + "/keep.txt", old_ + "/shared.dll",
              outside_, launcher_, notes_, systemRoot.LinuxPath(desktopLink_)})
            WriteLinuxFile(file, "bytes of " + file);
        fs::create_directories(iconFolder_ = systemRoot.Home() + "/.local/share/icons/hicolor");
        TInstalledItems list;
        list.AddFolder("C:\\Old");
        list.AddFolder(Z(iconFolder_));
        list.AddFile("C:\\Old\\a.exe");
        list.AddFolder("C:\\Old\\sub");
        list.AddFile("C:\\Old\\sub\\b.dll");
        list.AddFile("C:\\Old\\shared.dll");
        list.AddLink(desktopLink_);
        list.AddLauncher(Z(launcher_));
        // Entries no install of ours makes: a list someone edited.
        list.AddFile(Z(outside_));
        list.AddLink(Z(notes_));
        list.AddLauncher(Z(notes_));
        list.AddFile("C:\\Old\\UnInstall.lst");
        list.SaveToFile("C:\\Old\\UnInstall.lst");
        // What the new install made again.
        current_.AddFile("C:\\Old\\shared.dll");
    }

    static AnsiString Z(std::string path) {
        for (char& c : path)
            if (c == '/')
                c = '\\';
        return "Z:" + path;
    }

    std::map<std::string, std::string> Tree() const {
        std::map<std::string, std::string> tree;
        for (const std::string& folder : {systemRoot.DriveC(), systemRoot.Home()})
            for (const auto& entry : fs::recursive_directory_iterator(folder))
                tree[entry.path().string()] = ReadLinuxFile(entry.path().string()).value_or("/");
        tree[outside_] = ReadLinuxFile(outside_).value_or("(missing)");
        return tree;
    }

    std::string old_, outside_, launcher_, notes_, iconFolder_;
    AnsiString desktopLink_;
    TInstalledItems current_;
};

TEST_F(EarlierCopy, ARollbackPutsTheEarlierCopyBackByteForByte) {
    const auto before = Tree();
    TInstallTransaction& transaction = InstallTransaction();
    transaction.Begin();
    RemoveEarlierCopy("C:\\Old\\", current_);
    EXPECT_FALSE(fs::exists(old_ + "/a.exe"));
    transaction.Rollback();
    EXPECT_EQ(Tree(), before);
}

TEST_F(EarlierCopy, ACommitRemovesWhatTheListNamesAndOnlyWhatIsOurs) {
    TInstallTransaction& transaction = InstallTransaction();
    transaction.Begin();
    RemoveEarlierCopy("C:\\Old\\", current_);
    transaction.Commit();
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(old_))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    // The user's file keeps the folder; what the new install made again stays.
    EXPECT_EQ(left, (std::vector<std::string>{"keep.txt", "shared.dll"}));
    EXPECT_FALSE(fs::exists(systemRoot.LinuxPath(desktopLink_)));
    EXPECT_FALSE(fs::exists(launcher_));
    EXPECT_TRUE(fs::exists(outside_));
    EXPECT_TRUE(fs::exists(notes_));
    // A folder made for launchers holds the new copy's now: it passes to the new record, where
    // the uninstaller takes it last.
    EXPECT_TRUE(fs::exists(iconFolder_));
    ASSERT_FALSE(current_.Items().empty());
    EXPECT_EQ(current_.Items().front().path, Z(iconFolder_));

    // Without the user's file, nothing of the folder is left, nor of the empty one made above it.
    fs::remove(old_ + "/keep.txt");
    fs::rename(old_, systemRoot.DriveC() + "/Apps");
    fs::create_directories(old_);
    fs::rename(systemRoot.DriveC() + "/Apps", old_ + "/Vostrel");
    TInstalledItems list;
    list.AddFolder("C:\\Old");
    list.AddFolder("C:\\Old\\Vostrel");
    list.AddFile("C:\\Old\\Vostrel\\shared.dll");
    list.AddFile("C:\\Old\\Vostrel\\UnInstall.lst");
    list.SaveToFile("C:\\Old\\Vostrel\\UnInstall.lst");
    TInstalledItems none;
    transaction.Begin();
    RemoveEarlierCopy("C:\\Old\\Vostrel\\", none);
    transaction.Commit();
    EXPECT_FALSE(fs::exists(old_));
}

TEST_F(EarlierCopy, TheUninstallEntryNamesTheFolderOfTheEarlierCopy) {
    const AnsiString gbkFolder = "C:\\" + gbk::Literal("乗昞") + "\\Vostrel\\";
    const struct {
        const char* what;
        std::vector<std::pair<const char*, AnsiString>> values;
        AnsiString folder;
    } cases[] = {
        {"no entry", {}, ""},
        {"the location", {{"InstallLocation", "D:\\Apps\\Vostrel\\"}}, "D:\\Apps\\Vostrel\\"},
        {"a location without its backslash", {{"InstallLocation", "D:\\Apps"}}, "D:\\Apps\\"},
        {"an older entry: the uninstaller's folder, its backslashes doubled",
         {{"UninstallString",
           "\"C:\\\\" + gbk::Literal("乗昞") + "\\\\Vostrel\\\\UnInstall.exe\""}},
         gbkFolder},
    };
    for (const auto& entry : cases) {
        TRegistry registry;
        registry.DeleteKey(kUninstallKey);
        if (!entry.values.empty()) {
            ASSERT_TRUE(registry.OpenKey(kUninstallKey, true));
            for (const auto& [name, data] : entry.values)
                registry.WriteString(name, data);
        }
        registry.CloseKey();
        EXPECT_EQ(RegisteredInstallFolder(), entry.folder) << entry.what;
    }
}

TEST_F(EarlierCopy, FoldersAreTheSameByWhatTheyAreOnDisk) {
    fs::create_directories(systemRoot.DriveC() + "/Apps/Vostrel");
    EXPECT_TRUE(IsSameFolder("C:\\Apps\\Vostrel\\", "c:\\APPS\\vostrel"));
    EXPECT_TRUE(IsSameFolder("C:\\Apps\\Vostrel\\", Z(systemRoot.DriveC() + "/Apps/Vostrel")));
    EXPECT_TRUE(IsSameFolder("C:\\Gone\\", "c:\\gone"));
    EXPECT_FALSE(IsSameFolder("C:\\Apps\\Vostrel\\", "C:\\Apps\\"));
    EXPECT_FALSE(IsSameFolder("C:\\Apps\\Vostrel\\", "C:\\Gone\\"));
}

} // namespace
