// Which folders root refuses to write under: those another user owns or may write to, found
// at the path, at its deepest existing folder or anywhere above, through links.
#include "support/RaisedMessage.h"
#include "support/TempSystemRoot.h"

#include "setup/ForeignFolders.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr uid_t kOtherUser = 65534; // nobody

class ForeignFolders : public testing_support::SystemRootTest {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "needs root, to hand folders to another user";
        base = systemRoot.Folder() + "/folders";
        fs::create_directories(base);
    }

    // The folder at name under base, made with mode and handed to owner.
    std::string Make(const std::string& name, fs::perms mode, uid_t owner = 0) {
        const std::string path = base + "/" + name;
        fs::create_directories(path);
        fs::permissions(path, mode, fs::perm_options::replace);
        EXPECT_EQ(chown(path.c_str(), owner, owner), 0);
        return path;
    }

    std::string base;
};

TEST_F(ForeignFolders, RootRefusesWhatAnotherUserControlsAndNamesIt) {
    const std::string theirs = Make("theirs", fs::perms::owner_all, kOtherUser);
    const std::string open = Make("open", fs::perms::all);
    const std::string sticky = Make("sticky", fs::perms::all | fs::perms::sticky_bit);
    const std::string groupOfOthers = Make("group", fs::perms::owner_all | fs::perms::group_all);
    ASSERT_EQ(chown(groupOfOthers.c_str(), 0, kOtherUser), 0);
    const std::string mine = Make("mine", fs::perms::owner_all);
    fs::create_symlink(theirs, base + "/link");
    const auto owned = [](const std::string& folder) {
        return ForeignFolderMessage(folder, "nobody", false);
    };
    const auto writable = [](const std::string& folder) {
        return ForeignFolderMessage(folder, "root", true);
    };
    const struct {
        std::string path;
        AnsiString refusal; // "<no error>" when allowed
    } cases[] = {
        {theirs, owned(theirs)},
        {theirs + "/not/made/yet", owned(theirs)},
        {base + "/link/Vostrel", owned(theirs)},
        {open + "/Vostrel", writable(open)},
        {groupOfOthers + "/Vostrel", writable(groupOfOthers)},
        {sticky + "/Vostrel", "<no error>"},
        {mine + "/Vostrel", "<no error>"},
    };
    for (const auto& [path, refusal] : cases)
        EXPECT_EQ(testing_support::RaisedMessage([&] { RefuseForeignFolders(path); }), refusal)
            << path;
}

// The system root is checked where it is, before anything makes it.
TEST_F(ForeignFolders, ASystemRootOfAnotherUserIsRefusedBeforeItIsMade) {
    fs::permissions(systemRoot.Folder(), fs::perms::owner_all, fs::perm_options::replace);
    ASSERT_EQ(chown(systemRoot.Folder().c_str(), kOtherUser, kOtherUser), 0);
    EXPECT_EQ(testing_support::RaisedMessage([] { RefuseForeignSystemRoot(); }),
              ForeignFolderMessage(systemRoot.Folder(), "nobody", false));
    EXPECT_FALSE(fs::exists(systemRoot.Root()));
    ASSERT_EQ(chown(systemRoot.Folder().c_str(), 0, 0), 0);
}

// A user installing into their own folders meets no refusal.
TEST_F(ForeignFolders, AUserOtherThanRootIsNotRefusedTheirOwnFolders) {
    fs::permissions(systemRoot.Folder(), fs::perms::owner_all | fs::perms::others_exec,
                    fs::perm_options::replace);
    fs::permissions(base, fs::perms::owner_all | fs::perms::others_exec, fs::perm_options::replace);
    const std::string theirs = Make("theirs", fs::perms::owner_all, kOtherUser);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(kOtherUser) != 0 || setuid(kOtherUser) != 0)
            _exit(2);
        try {
            RefuseForeignFolders(theirs + "/Vostrel");
        } catch (const Exception&) {
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

} // namespace
