// The two records an install keeps on disk: the journal a killed run leaves for the next one,
// and the uninstall list a reinstall takes up. Each is read back only when whole and ours, and
// the next run finishes a committed journal or undoes an unfinished one.
#include "support/TempSystemRoot.h"

#include "rtl/Registry.h"
#include "setup/InstallJournal.h"
#include "setup/InstallTransaction.h"
#include "setup/InstalledItems.h"

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

namespace {

class InstallRecords : public testing_support::SystemRootTest {
protected:
    std::string Journal() const { return systemRoot.Folder() + "/install.journal"; }
    void AppendRaw(const std::string& bytes) const {
        std::ofstream(Journal(), std::ios::app | std::ios::binary) << bytes;
    }
};

TEST_F(InstallRecords, AJournalIsReadOnlyWholeAndOnlyWhenItIsOurs) {
    const std::string victim = systemRoot.Folder() + "/victim";
    WriteLinuxFile(victim, "someone's file");
    fs::create_symlink(victim, Journal());
    {
        TInstallJournal journal;
        journal.Create(Journal()); // replaces the planted link, never writes through it
        journal.Append({"folder", "C:\\Apps"}, true);
        journal.Append({"replaced", "C:\\Apps\\a.exe", "C:\\Apps\\a.exe.~old"}, false);
    }
    EXPECT_EQ(ReadLinuxFile(victim), "someone's file");
    EXPECT_FALSE(fs::is_symlink(Journal()));
    AppendRaw("new\tC:\\Apps\\cut"); // a killed writer's last line
    const auto records = TInstallJournal::Read(Journal());
    ASSERT_TRUE(records);
    EXPECT_EQ(*records, (std::vector<TInstallJournal::Record>{
                            {"folder", "C:\\Apps"},
                            {"replaced", "C:\\Apps\\a.exe", "C:\\Apps\\a.exe.~old"}}));

    WriteLinuxFile(Journal(), "some other file\nnew\tC:\\x\n");
    EXPECT_FALSE(TInstallJournal::Read(Journal()));
    fs::remove(Journal());
    EXPECT_FALSE(TInstallJournal::Read(Journal()));
    EXPECT_EQ(SplitTabFields("a\t\tb"), (std::vector<std::string>{"a", "", "b"}));
}

TEST_F(InstallRecords, AnEarlierListIsTakenUpWholeOrNotAtAll) {
    const std::string text = "VostrelUninstallList 1\n"
                             "folder\tC:\\Program Files\\Vostrel\n"
                             "file\tC:\\Program Files\\Vostrel\\mervo.exe\n"
                             "link\tC:\\users\\me\\Desktop\\卸载.lnk\n"
                             "regvalue\tHKLM\\SOFTWARE\\Run\tmervo\n"
                             "regkey\tHKLM\\SOFTWARE\\Uninstall\\Talvimo\n";
    const std::string file = systemRoot.DriveC() + "/UnInstall.lst";
    WriteLinuxFile(file, text);
    TInstalledItems items;
    items.AddFile("C:\\Program Files\\Vostrel\\mervo.exe");
    items.LoadFromFile("C:\\UnInstall.lst");
    // Kept in the list's order after what was there, each entry once.
    ASSERT_EQ(items.Items().size(), 5u);
    EXPECT_EQ(items.Items()[0].path, "C:\\Program Files\\Vostrel\\mervo.exe");
    EXPECT_EQ(items.Items()[3].name, "mervo");
    EXPECT_EQ(items.Items()[2].path, gbk::Literal("C:\\users\\me\\Desktop\\卸载.lnk"));

    for (const std::string& broken :
         {text.substr(0, text.size() - 1), text + "shortcut\tC:\\x\n", text + "regkey\tHKCU\\x\n",
          std::string("VostrelUninstallList 2\nfile\tC:\\x\n")}) {
        WriteLinuxFile(file, broken);
        TInstalledItems none;
        none.LoadFromFile("C:\\UnInstall.lst");
        EXPECT_TRUE(none.Items().empty()) << broken;
    }
}

// What a killed run recorded: a folder and a file it made, a file it set aside, a value it
// changed and one it added, and an earlier copy's file it removed with its folder.
class Recovery : public InstallRecords {
protected:
    Recovery() {
        folder_ = systemRoot.DriveC() + "/Apps";
        fs::create_directories(folder_);
        WriteLinuxFile(folder_ + "/a.exe", "new a");
        WriteLinuxFile(folder_ + "/a.exe.~old", "earlier a");
        WriteLinuxFile(folder_ + "/b.dll", "new b");
        WriteLinuxFile(systemRoot.DriveC() + "/Old/c.exe.~old", "earlier copy's c");
        TRegistry registry;
        EXPECT_TRUE(registry.OpenKey(kKey, true));
        registry.WriteString("changed", "new");
        registry.WriteString("added", "new");
        registry.CloseKey();
        TInstallJournal journal;
        journal.Create(Journal());
        const std::string earlier = "6500610072006c006900650072000000"; // "earlier", UTF-16LE
        for (const TInstallJournal::Record& record : std::vector<TInstallJournal::Record>{
                 {"folder", "C:\\Apps"},
                 {"replaced", "C:\\Apps\\a.exe", "C:\\Apps\\a.exe.~old"},
                 {"new", "C:\\Apps\\b.dll"},
                 {"regvalue", kKey, "changed", "1", earlier},
                 {"regvalue", kKey, "added", "-"},
                 {"replaced", "C:\\Old\\c.exe", "C:\\Old\\c.exe.~old"},
                 {"dropfolder", "C:\\Old"}})
            journal.Append(record, true);
    }

    std::optional<std::string> Value(const char* name) {
        TRegistry registry;
        std::optional<std::string> text;
        if (registry.OpenKey(kKey, false))
            if (const auto value = registry.ReadValue(name))
                text = value->data;
        registry.CloseKey();
        return text;
    }

    static constexpr const char* kKey = "SOFTWARE\\Vostrel";
    std::string folder_;
};

TEST_F(Recovery, AnUnfinishedRunIsUndone) {
    RecoverInterruptedInstall(Journal());
    EXPECT_FALSE(fs::exists(folder_ + "/b.dll"));
    EXPECT_FALSE(fs::exists(folder_ + "/a.exe.~old"));
    EXPECT_EQ(ReadLinuxFile(folder_ + "/a.exe"), "earlier a");
    EXPECT_EQ(Value("changed"), std::string("e\0a\0r\0l\0i\0e\0r\0\0\0", 16));
    EXPECT_FALSE(Value("added"));
    EXPECT_EQ(ReadLinuxFile(systemRoot.DriveC() + "/Old/c.exe"), "earlier copy's c");
    EXPECT_FALSE(fs::exists(systemRoot.DriveC() + "/Old/c.exe.~old"));
    EXPECT_FALSE(fs::exists(Journal()));
}

TEST_F(Recovery, ACommittedRunIsFinished) {
    AppendRaw("commit\n");
    RecoverInterruptedInstall(Journal());
    EXPECT_EQ(ReadLinuxFile(folder_ + "/a.exe"), "new a");
    EXPECT_FALSE(fs::exists(folder_ + "/a.exe.~old"));
    EXPECT_EQ(ReadLinuxFile(folder_ + "/b.dll"), "new b");
    EXPECT_TRUE(Value("added"));
    EXPECT_FALSE(fs::exists(systemRoot.DriveC() + "/Old"));
    EXPECT_FALSE(fs::exists(Journal()));
}

} // namespace
