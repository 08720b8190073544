// The run-time's path routines: trailing backslashes and folder parts that never split a
// two-byte GBK character, and creating a folder level by level.
#include "rtl/FileUtils.h"

#include "support/TempSystemRoot.h"
#include "winapi/Gbk.h"
#include "winapi/kernel32.h"

#include <filesystem>

namespace {

TEST(IncludeTrailingBackslash, AddsOneUnlessTheLastCharacterIsABackslash) {
    EXPECT_EQ(IncludeTrailingBackslash("D:\\Apps"), "D:\\Apps\\");
    EXPECT_EQ(IncludeTrailingBackslash("D:\\Apps\\"), "D:\\Apps\\");
    EXPECT_EQ(IncludeTrailingBackslash("D:\\"), "D:\\");
    EXPECT_EQ(IncludeTrailingBackslash(""), "\\");
    // 乗 is 0x81 0x5C: its trail byte is no backslash.
    EXPECT_EQ(IncludeTrailingBackslash(gbk::Literal("D:\\乗")), gbk::Literal("D:\\乗\\"));
    EXPECT_EQ(IncludeTrailingBackslash(gbk::Literal("D:\\乗\\")), gbk::Literal("D:\\乗\\"));
}

TEST(ExcludeTrailingBackslash, RemovesOneBackslashButNoTrailByte) {
    EXPECT_EQ(ExcludeTrailingBackslash("D:\\Apps\\"), "D:\\Apps");
    EXPECT_EQ(ExcludeTrailingBackslash("D:\\Apps\\\\"), "D:\\Apps\\");
    EXPECT_EQ(ExcludeTrailingBackslash("D:\\Apps"), "D:\\Apps");
    EXPECT_EQ(ExcludeTrailingBackslash(gbk::Literal("D:\\乗")), gbk::Literal("D:\\乗"));
}

TEST(ExtractFilePath, FolderPartIsFoundWithoutSplittingDoubleByteCharacters) {
    // 0x5C is the second byte of this GBK character, not a separator.
    EXPECT_EQ(ExtractFilePath("C:\\a\\\x95\x5C.txt"), "C:\\a\\");
    EXPECT_EQ(ExtractFilePath("C:\\x\\y/z.txt"), "C:\\x\\y/");
    EXPECT_EQ(ExtractFilePath("C:z.txt"), "C:");
    EXPECT_EQ(ExtractFilePath("C:\\"), "C:\\");
    EXPECT_EQ(ExtractFilePath("z.txt"), "");
}

class DirectoryExistsTest : public testing_support::SystemRootTest {};

TEST_F(DirectoryExistsTest, OnlyExistingFoldersCount) {
    EXPECT_TRUE(DirectoryExists("C:\\Program Files"));
    EXPECT_TRUE(DirectoryExists("C:\\Program Files\\"));
    EXPECT_FALSE(DirectoryExists("C:\\Nowhere"));
    testing_support::WriteLinuxFile(systemRoot.DriveC() + "/file.txt", "a file");
    EXPECT_FALSE(DirectoryExists("C:\\file.txt"));
}

class ForceDirectoriesTest : public testing_support::SystemRootTest {};

TEST_F(ForceDirectoriesTest, CreatesEveryMissingLevel) {
    EXPECT_TRUE(ForceDirectories(gbk::Literal("C:\\One\\乗\\Three\\")));
    EXPECT_TRUE(std::filesystem::is_directory(systemRoot.DriveC() + "/One/乗/Three"));
    // Without a trailing backslash the last level is created all the same.
    EXPECT_TRUE(ForceDirectories("C:\\One\\Four"));
    EXPECT_TRUE(std::filesystem::is_directory(systemRoot.DriveC() + "/One/Four"));
    // Item folders from archives may use either separator.
    EXPECT_TRUE(ForceDirectories("C:\\One/Five\\Six/"));
    EXPECT_TRUE(std::filesystem::is_directory(systemRoot.DriveC() + "/One/Five/Six"));
    // A run of separators at the end still names the folder before them.
    EXPECT_TRUE(ForceDirectories("C:\\Seven/\\"));
    EXPECT_TRUE(std::filesystem::is_directory(systemRoot.DriveC() + "/Seven"));
    EXPECT_TRUE(ForceDirectories("C:\\Eight\\\\"));
    EXPECT_TRUE(std::filesystem::is_directory(systemRoot.DriveC() + "/Eight"));
}

TEST_F(ForceDirectoriesTest, ExistingFoldersDriveRootsAndShortPathsNeedNothing) {
    EXPECT_TRUE(ForceDirectories("C:\\"));
    EXPECT_TRUE(ForceDirectories("C:"));
    EXPECT_TRUE(ForceDirectories("\\"));
    EXPECT_TRUE(ForceDirectories("C:\\Program Files\\"));
    // Even on a drive that does not exist, the root itself is never created.
    EXPECT_TRUE(ForceDirectories("Q:\\"));
}

TEST_F(ForceDirectoriesTest, StopsAtTheFirstLevelThatFailsWithItsError) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(ForceDirectories("Q:\\Apps\\MERVO\\"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    testing_support::WriteLinuxFile(systemRoot.DriveC() + "/Blocker", "a file");
    EXPECT_FALSE(ForceDirectories("C:\\Blocker\\Inner\\"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(std::filesystem::exists(systemRoot.DriveC() + "/Blocker/Inner"));
}

} // namespace
