// The real installer run by root beside another user (nobody): it writes nothing through a link
// it finds where its own files or folders belong, writes into no folder that user controls,
// and loads and unpacks only the payload it carries, whatever is put in its place meanwhile.
// Every case checks that the other user's file or folder is left exactly as it was.
#include "UnattendedInstallRun.h"
#include "support/ForeignLibrary.h"
#include "support/InstalledProduct.h"
#include "support/TestArchive.h"

#include <atomic>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testing_support::ReadLinuxFile;
using testing_support::SetupRun;
using testing_support::WriteLinuxFile;

namespace {

constexpr uid_t kOtherUser = 65534; // nobody

// What a victim file or folder is: a change to any part shows.
struct Snapshot {
    std::string content; // a file's bytes, a folder's sorted names
    mode_t mode = 0;
    uid_t owner = 0;
    timespec modified{};

    bool operator==(const Snapshot& other) const {
        return content == other.content && mode == other.mode && owner == other.owner &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

Snapshot Take(const std::string& path) {
    Snapshot snapshot;
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0)
        return snapshot;
    snapshot.mode = status.st_mode;
    snapshot.owner = status.st_uid;
    snapshot.modified = status.st_mtim;
    if (S_ISDIR(status.st_mode)) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        for (const std::string& name : names)
            snapshot.content += name + "\n";
    } else {
        snapshot.content = ReadLinuxFile(path).value_or("");
    }
    return snapshot;
}

// Runs a shell command as the other user; fails the test when it fails.
void AsOtherUser(const std::string& command) {
    const std::string line = "setpriv --reuid=" + std::to_string(kOtherUser) +
                             " --regid=" + std::to_string(kOtherUser) + " --clear-groups sh -c '" +
                             command + "'";
    ASSERT_EQ(std::system(line.c_str()), 0) << line;
}

// The victim folder and everything below it, each entry's snapshot by its path.
std::map<std::string, Snapshot> TakeTree(const std::string& folder) {
    std::map<std::string, Snapshot> tree{{folder, Take(folder)}};
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        tree.emplace(entry.path().string(), Take(entry.path()));
    return tree;
}

bool IsLink(const std::string& path) {
    return fs::is_symlink(fs::symlink_status(path));
}

class RootSafety : public testing_support::UnattendedInstall {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "needs root, to run the installer as root beside another user";
        // The other user may look into the test's folder, as into a home folder.
        fs::permissions(systemRoot.Folder(), fs::perms::owner_all | fs::perms::others_exec,
                        fs::perm_options::replace);
        victim = systemRoot.Folder() + "/victim";
        fs::create_directories(victim);
        victimFile = victim + "/precious.conf";
        WriteLinuxFile(victimFile, "root's own settings\n");
    }

    std::string InstallFolder() { return Folder("C:\\Program Files\\Vostrel"); }

    std::string victim;
    std::string victimFile;
};

// A link left where one of the installer's files belongs is replaced by the file: the link
// goes, and what it led to is not touched, nor made when it did not exist.
TEST_F(RootSafety, LinksWhereItsFilesBelongAreReplacedNotFollowed) {
    const std::string missing = victim + "/made-through-a-link";
    struct Planting {
        const char* name;
        std::function<std::string()> link; // the link's path, made before the run
        std::string target;
    };
    const std::vector<Planting> plantings = {
        {"uninstall list", [&] { return InstallFolder() + "/UnInstall.lst"; }, victimFile},
        {"Start-menu link", [] { return testing_support::StartMenuLink(); }, victimFile},
        {"main program", [&] { return InstallFolder() + "/mervo.exe"; }, victimFile},
        {"dangling main program", [&] { return InstallFolder() + "/mervo.exe"; }, missing},
        {"dangling Quick Launch link", [] { return testing_support::QuickLaunchLink(); }, missing},
        {"dangling set-aside name", [&] { return InstallFolder() + "/mervo.exe.~old"; }, missing},
    };
    // A first install, so later ones replace files and set earlier ones aside.
    ASSERT_EQ(Install({"/VERYSILENT"}).exitCode, 0);
    for (const Planting& planting : plantings) {
        SCOPED_TRACE(planting.name);
        const std::string link = planting.link();
        fs::create_directories(fs::path(link).parent_path());
        fs::remove(link);
        fs::create_symlink(planting.target, link);
        const Snapshot before = Take(victimFile);

        const SetupRun run = Install({"/VERYSILENT"});
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_EQ(Take(victimFile), before);
        EXPECT_FALSE(fs::exists(missing));
        if (link.find(".~old") == std::string::npos) {
            EXPECT_FALSE(IsLink(link)) << link;
        }
        fs::remove(link);
    }
}

// A link where one of the product's folders belongs is refused with its name; nothing is
// written into the folder it leads to.
TEST_F(RootSafety, ALinkWhereAProductFolderBelongsIsRefused) {
    fs::create_directories(InstallFolder());
    fs::create_symlink(victim, InstallFolder() + "/Modules");
    const Snapshot before = Take(victim);

    const SetupRun run = Install({"/VERYSILENT"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.errors.find("“C:\\Program Files\\Vostrel\\Modules”是一个链接，不是文件夹"),
              std::string::npos)
        << run.errors;
    EXPECT_EQ(Take(victim), before);
    EXPECT_EQ(Take(victimFile).content, "root's own settings\n");
}

// A link on the way to the installer's folders, planted by the other user where that user may
// write or left there before: the install stops with the link's name and is undone, or (for the
// log, which never stops an install) goes on without writing through it. Nothing below the
// folder the link leads to changes.
TEST_F(RootSafety, ALinkOnTheWayToItsFoldersIsNeverWrittenThrough) {
    const std::string startMenu = fs::path(testing_support::StartMenuFolder()).parent_path();
    const std::string applications = home_ + "/.local/share/applications";
    const std::string shared = systemRoot.Folder() + "/shared";
    fs::create_directories(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit, fs::perm_options::replace);
    struct Case {
        const char* name;
        std::string writable;  // a folder the other user is given, where the link is planted
        std::string link;      // the link, to the victim folder
        std::string subfolder; // what the victim holds, so that writes through the link land
        std::string named;     // how the refusal names the link ("" for none: the log)
        std::vector<std::string> switches;
    };
    const std::vector<Case> cases = {
        {"Start-menu folder",
         startMenu,
         startMenu + "/Talvimo",
         "",
         "Start Menu\\Programs\\Talvimo”",
         {"/VERYSILENT"}},
        {"product subfolder's parent",
         "",
         InstallFolder() + "/Modules",
         "skins",
         "C:\\Program Files\\Vostrel\\Modules”",
         {"/VERYSILENT"}},
        {"XDG applications folder",
         home_ + "/.local/share",
         applications,
         "wine/Programs",
         "\\.local\\share\\applications”",
         {"/VERYSILENT"}},
        {"log folder",
         shared,
         shared + "/logs",
         "",
         "",
         {"/VERYSILENT", "/LOG=" + shared + "/logs/talvimo.log"}},
    };
    for (const Case& planted : cases) {
        SCOPED_TRACE(planted.name);
        if (!planted.subfolder.empty())
            fs::create_directories(victim + "/" + planted.subfolder);
        fs::create_directories(fs::path(planted.link).parent_path());
        fs::remove_all(planted.link);
        if (planted.writable.empty()) {
            fs::create_symlink(victim, planted.link);
        } else {
            if (planted.writable != shared) {
                ASSERT_EQ(chown(planted.writable.c_str(), kOtherUser, kOtherUser), 0);
            }
            AsOtherUser("ln -s " + victim + " \"" + planted.link + "\"");
        }
        const auto before = TakeTree(victim);

        const SetupRun run = Install(planted.switches);
        EXPECT_EQ(TakeTree(victim), before);
        EXPECT_TRUE(IsLink(planted.link));
        if (planted.named.empty()) {
            EXPECT_EQ(run.exitCode, 0) << run.errors;
            EXPECT_NE(run.errors.find("“" + planted.link + "”是一个链接"), std::string::npos)
                << run.errors;
            EXPECT_TRUE(fs::exists(InstallFolder() + "/mervo.exe"));
        } else {
            EXPECT_EQ(run.exitCode, 2) << run.errors;
            EXPECT_NE(run.errors.find(planted.named + "是一个链接，不是文件夹"), std::string::npos)
                << run.errors;
            EXPECT_TRUE(NothingRegistered());
            EXPECT_FALSE(fs::exists(InstallFolder() + "/mervo.exe"));
        }
        // The next case starts from no install, whatever this one left.
        fs::remove(planted.link);
        fs::remove_all(InstallFolder());
        fs::remove(systemRoot.Root() + "/system.reg");
        if (!planted.writable.empty() && planted.writable != shared) {
            ASSERT_EQ(chown(planted.writable.c_str(), 0, 0), 0);
        }
    }
}

// The registry file as a link that leads nowhere: nothing is made where it leads, and the
// install stops at its registry step. (No Wine server runs for the fresh root, so the
// installer writes the file itself.)
TEST_F(RootSafety, ARegistryFileThatIsALinkMakesNothingWhereItLeads) {
    const std::string missing = victim + "/system.reg";
    fs::create_directories(systemRoot.Root());
    fs::create_symlink(missing, systemRoot.Root() + "/system.reg");

    const SetupRun run = Install({"/VERYSILENT"});
    EXPECT_EQ(run.exitCode, 2) << run.errors;
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_TRUE(IsLink(systemRoot.Root() + "/system.reg"));
}

// The log named on the command line, in a shared folder where the other user left a link by
// that name to root's file: the link is replaced by the log.
TEST_F(RootSafety, ALogLinkPlantedInASharedFolderIsReplaced) {
    const std::string shared = systemRoot.Folder() + "/shared";
    fs::create_directories(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit, fs::perm_options::replace);
    const std::string log = shared + "/talvimo-install.log";
    AsOtherUser("ln -s " + victimFile + " " + log);
    const Snapshot before = Take(victimFile);

    const SetupRun run = Install({"/VERYSILENT", "/LOG=" + log});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(Take(victimFile), before);
    EXPECT_FALSE(IsLink(log));
    EXPECT_NE(ReadLinuxFile(log).value_or("").find("安装完成"), std::string::npos);
}

// Root installs into no folder the other user owns or may write to: the system root, the
// install folder or any folder above it. It says whose folder it is and who should run the
// installer, ends with code 2 and has written nothing there.
TEST_F(RootSafety, FoldersAnotherUserControlsAreRefusedBeforeAnythingIsWritten) {
    struct Case {
        const char* name;
        std::string folder; // the folder the other user controls
        bool owned;         // owned by the other user, else writable by everyone
        std::vector<std::string> switches;
    };
    const std::string theirs = systemRoot.Folder() + "/theirs";
    const std::string open = systemRoot.Folder() + "/open";
    const std::vector<Case> cases = {
        {"their install folder", theirs, true, {"/VERYSILENT", "/DIR=" + theirs}},
        {"a folder of theirs above", theirs, true, {"/VERYSILENT", "/DIR=" + theirs + "/a/b"}},
        {"a folder everyone may write", open, false, {"/VERYSILENT", "/DIR=" + open + "/Vostrel"}},
        {"their system root", systemRoot.Root(), true, {"/VERYSILENT"}},
    };
    for (const Case& refused : cases) {
        SCOPED_TRACE(refused.name);
        fs::create_directories(refused.folder);
        if (refused.owned)
            ASSERT_EQ(chown(refused.folder.c_str(), kOtherUser, kOtherUser), 0);
        else
            fs::permissions(refused.folder, fs::perms::all, fs::perm_options::replace);
        const Snapshot before = Take(refused.folder);

        const SetupRun run = Install(refused.switches);
        EXPECT_EQ(run.exitCode, 2);
        const std::string named = "文件夹“" + refused.folder + "”";
        EXPECT_NE(run.errors.find(named), std::string::npos) << run.errors;
        EXPECT_NE(run.errors.find(refused.owned ? "请以用户 nobody 的身份运行安装程序"
                                                : "其他用户也可以写入"),
                  std::string::npos)
            << run.errors;
        EXPECT_EQ(Take(refused.folder), before);
        ASSERT_EQ(chown(refused.folder.c_str(), 0, 0), 0);
        fs::permissions(refused.folder, fs::perms::owner_all, fs::perm_options::replace);
    }
}

// The other user, given write access to the install folder through root's group (which root
// accepts), puts their own library and archive in the payload's place, renamed over it or as a
// link, again and again from the moment the payload is written to the end of the run. The
// installer unpacks its own files or stops with a message; the planted library never runs.
TEST_F(RootSafety, APayloadSwappedWhileItIsUsedIsNeverTheOneUsed) {
    const std::string marker = systemRoot.Folder() + "/planted-library-ran";
    const std::string foreignLibrary = systemRoot.Folder() + "/foreign.so";
    testing_support::BuildForeignLibrary(foreignLibrary, marker);
    const std::string foreignArchive = systemRoot.Folder() + "/foreign.7z";
    testing_support::Make7zArchive(foreignArchive, {{"mervo.exe", "planted"}}, "qhtrwel$$");
    const std::string folder = InstallFolder();
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::group_write, fs::perm_options::add);
    fs::permissions(systemRoot.Folder(), fs::perms::group_exec, fs::perm_options::add);

    std::string swaps;
    for (const auto& [foreign, name] : {std::pair{foreignLibrary, folder + "/7z.dll"},
                                        std::pair{foreignArchive, folder + "/Vostrel.7z"}}) {
        const std::string spare = "\"" + name + ".swap\"";
        swaps += "cp \"" + foreign + "\" " + spare + "; mv -fT " + spare + " \"" + name +
                 "\"; ln -sfT \"" + foreign + "\" " + spare + "; mv -fT " + spare + " \"" + name +
                 "\"; ";
    }
    const pid_t swapper = fork();
    ASSERT_GE(swapper, 0);
    if (swapper == 0) {
        setpgid(0, 0);
        const std::string user = std::to_string(kOtherUser);
        const std::string loop = "while :; do " + swaps + "done 2>/dev/null";
        execlp("setpriv", "setpriv", ("--reuid=" + user).c_str(), "--regid=0", "--clear-groups",
               "sh", "-c", loop.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const SetupRun run = Install({"/VERYSILENT"});
    kill(-swapper, SIGKILL);
    kill(swapper, SIGKILL);
    waitpid(swapper, nullptr, 0);

    // The other user's swaps did land: the test would see a foreign payload being used.
    EXPECT_TRUE(IsLink(folder + "/7z.dll") ||
                ReadLinuxFile(folder + "/7z.dll") == ReadLinuxFile(foreignLibrary));
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(ReadLinuxFile(folder + "/mervo.exe"), "planted");
}

} // namespace
