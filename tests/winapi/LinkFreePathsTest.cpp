// Changes are made only from folders reached without a link on the way: a link below a
// starting point (the system root, the home and XDG folders, a trusted folder) makes every
// change through it fail and leaves what it leads to alone; Wine's profile links and links at
// or above a starting point are the user's own and are followed.
#include "winapi/LinkFreePaths.h"
#include "winapi/SystemRoot.h"
#include "winapi/WholeFile.h"
#include "winapi/kernel32.h"

#include "support/TempSystemRoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;
using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

namespace {

class LinkFreePaths : public testing_support::SystemRootTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(winapi::SystemRootPath());
        victim = systemRoot.Folder() + "/victim";
        WriteLinuxFile(victim + "/kept.txt", "kept");
        fs::create_directories(victim + "/sub");
        fs::create_directories(systemRoot.DriveC() + "/Program Files");
        fs::create_symlink(victim, systemRoot.DriveC() + "/Program Files/Linked");
    }

    // Every name below the victim folder with each file's bytes.
    std::string VictimTree() {
        std::vector<std::string> lines;
        for (const auto& entry : fs::recursive_directory_iterator(victim))
            lines.push_back(entry.path().string() + "=" +
                            (entry.is_regular_file() ? *ReadLinuxFile(entry.path()) : "/"));
        std::sort(lines.begin(), lines.end());
        std::string tree;
        for (const std::string& line : lines)
            tree += line + "\n";
        return tree;
    }

    std::string victim;
};

TEST_F(LinkFreePaths, EveryChangeThroughALinkOnTheWayFailsAndLeavesItsTargetAlone) {
    const std::string linked = "C:\\Program Files\\Linked";
    const std::string elsewhere = "C:\\Program Files\\elsewhere.txt";
    WriteLinuxFile(systemRoot.LinuxPath(elsewhere), "ours");
    auto createFile = [](const std::string& path, DWORD access, DWORD disposition) {
        HANDLE file = CreateFileA(path.c_str(), access, 0, nullptr, disposition, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(file);
        return true;
    };
    const struct {
        const char* name;
        std::function<bool()> change;
    } changes[] = {
        {"create a new file",
         [&] { return createFile(linked + "\\new.txt", GENERIC_WRITE, CREATE_NEW); }},
        {"replace a file",
         [&] { return createFile(linked + "\\kept.txt", GENERIC_WRITE, CREATE_ALWAYS); }},
        {"write a file",
         [&] { return createFile(linked + "\\kept.txt", GENERIC_WRITE, OPEN_EXISTING); }},
        {"create a folder",
         [&] { return CreateDirectoryA((linked + "\\made").c_str(), nullptr) != 0; }},
        {"create a folder deeper",
         [&] { return CreateDirectoryA((linked + "\\sub\\made").c_str(), nullptr) != 0; }},
        {"delete a file", [&] { return DeleteFileA((linked + "\\kept.txt").c_str()) != 0; }},
        {"remove a folder", [&] { return RemoveDirectoryA((linked + "\\sub").c_str()) != 0; }},
        {"move a file away",
         [&] { return MoveFileA((linked + "\\kept.txt").c_str(), "C:\\taken.txt") != 0; }},
        {"move a file in",
         [&] { return MoveFileA(elsewhere.c_str(), (linked + "\\sub\\in.txt").c_str()) != 0; }},
    };
    const std::string before = VictimTree();
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(change());
        EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
        EXPECT_EQ(VictimTree(), before);
    }
    const std::string throughLink = systemRoot.DriveC() + "/Program Files/Linked/sub/whole.txt";
    EXPECT_EQ(winapi::WriteWholeFile(throughLink, "ours"), ELOOP);
    EXPECT_EQ(VictimTree(), before);
    EXPECT_EQ(ReadLinuxFile(systemRoot.LinuxPath(elsewhere)), "ours");
}

TEST_F(LinkFreePaths, TheFirstLinkOnTheWayIsNamed) {
    const std::string programFiles = systemRoot.DriveC() + "/Program Files";
    fs::create_symlink(victim + "/sub", victim + "/second");
    const struct {
        std::string path;
        std::optional<std::string> link;
    } cases[] = {
        {programFiles + "/Linked/kept.txt", programFiles + "/Linked"},
        {programFiles + "/Linked/second/deeper/file", programFiles + "/Linked"},
        {programFiles + "/Linked", std::nullopt}, // the last component is the caller's to judge
        {programFiles + "/missing/Linked/file", std::nullopt},
        {programFiles + "/file", std::nullopt},
    };
    for (const auto& [path, link] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(winapi::LinkOnTheWayTo(path), link);
    }
}

// Wine makes the profile's user folders as links to the user's folders; a folder the caller
// trusts may lie under links of the user's own.
TEST_F(LinkFreePaths, LinksOfTheUsersOwnAreFollowed) {
    const std::string desktop =
        systemRoot.DriveC() + "/users/" + winapi::WineUserName() + "/Desktop";
    ASSERT_TRUE(fs::is_symlink(desktop));
    const std::string chosen = systemRoot.Folder() + "/chosen";
    fs::create_directories(victim + "/apps");
    fs::create_symlink(victim, chosen);
    winapi::TrustFolder(chosen + "/apps");
    for (const std::string& path : {desktop + "/Talvimo.lnk", chosen + "/apps/Vostrel.txt"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(winapi::LinkOnTheWayTo(path), std::nullopt);
        ASSERT_EQ(winapi::WriteWholeFile(path, "ours"), 0);
        EXPECT_EQ(ReadLinuxFile(fs::canonical(path)), "ours");
    }
    EXPECT_TRUE(winapi::IsUsersOwnLink(desktop));
    EXPECT_TRUE(winapi::IsUsersOwnLink(chosen + "/apps/"));
    EXPECT_FALSE(winapi::IsUsersOwnLink(systemRoot.DriveC() + "/Program Files/Linked"));
    // Below the trusted folder no link is followed.
    fs::create_symlink(victim + "/sub", victim + "/apps/below");
    EXPECT_EQ(winapi::WriteWholeFile(chosen + "/apps/below/file", "ours"), ELOOP);
    EXPECT_FALSE(fs::exists(victim + "/sub/file"));
}

} // namespace
