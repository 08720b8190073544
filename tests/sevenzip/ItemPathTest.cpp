// Where extracted items land: paths that would leave the extract folder are refused before
// anything is written, and names are written in GBK.
#include "SevenZipTesting.h"

#include "sevenzip/ItemPaths.h"

#include <gmock/gmock.h>

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

class ItemPathTest : public SevenZipTest {
protected:
    void SetUp() override {
        SevenZipTest::SetUp();
        work_ = root_ / "work" / "inner";
        out_ = root_ / "work" / "out";
        fs::create_directories(work_);
        fs::create_directories(out_);
    }

    // Extracts an archive whose first item is safe.txt and whose second is the given member;
    // returns the error as UTF-8.
    std::string ExtractWith(const std::string& switches, const std::string& member) {
        WriteFile(work_ / "safe.txt", "safe");
        fs::path archive = root_ / "unsafe.7z";
        fs::remove(archive);
        MakeArchive(archive, switches, work_, "safe.txt " + member);
        ComPtr<I7zArchiveReader> reader = NewReader();
        reader->OpenFile(WinPath(archive));
        return Utf8(ErrorOf([&] { reader->ExtractTo(WinPath(out_)); }));
    }

    fs::path work_;
    fs::path out_;
};

TEST_F(ItemPathTest, AParentFolderComponentIsRefused) {
    WriteFile(root_ / "work" / "evil.txt", "outside");
    std::string error = ExtractWith("-spf", "../evil.txt");
    EXPECT_THAT(error, HasSubstr("“../evil.txt”的路径指向解压文件夹之外"));
    EXPECT_EQ(ReadFile(root_ / "work" / "evil.txt"), "outside"); // not overwritten
}

TEST_F(ItemPathTest, AnAbsolutePathIsRefused) {
    fs::path absolute = root_ / "abs.txt";
    WriteFile(absolute, "absolute");
    std::string error = ExtractWith("-spf", "'" + absolute.string() + "'");
    EXPECT_THAT(error, HasSubstr("“" + absolute.string() + "”的路径指向解压文件夹之外"));
    EXPECT_EQ(ReadFile(absolute), "absolute");
    EXPECT_FALSE(fs::exists(out_ / absolute.relative_path()));
}

TEST_F(ItemPathTest, ADriveLetterIsRefused) {
    WriteFile(work_ / "C:evil.txt", "drive");
    EXPECT_THAT(ExtractWith("", "'C:evil.txt'"), HasSubstr("“C:evil.txt”的路径指向解压文件夹之外"));
    EXPECT_FALSE(fs::exists(out_ / "C:evil.txt"));
    EXPECT_FALSE(fs::exists(fs::path(systemRoot_.DriveC()) / "evil.txt"));
}

TEST_F(ItemPathTest, ClimbingOutThroughABackslashIsRefused) {
    WriteFile(work_ / "..\\evil.txt", "backslash");
    EXPECT_THAT(ExtractWith("", "'..\\evil.txt'"), HasSubstr("的路径指向解压文件夹之外"));
    EXPECT_FALSE(fs::exists(root_ / "work" / "evil.txt"));
    EXPECT_FALSE(fs::exists(out_ / "..\\evil.txt"));
}

TEST_F(ItemPathTest, DotsInsideNamesAreFine) {
    WriteFile(work_ / "a..b" / "..c.txt", "dots");
    EXPECT_EQ(ExtractWith("", "'a..b/..c.txt'"), "<no error>");
    EXPECT_EQ(ReadFile(out_ / "a..b" / "..c.txt"), "dots");
}

TEST_F(ItemPathTest, ChineseNamesAreWrittenAndUnwritableOnesRefused) {
    WriteFile(work_ / "播放器" / "说明.txt", "中文");
    EXPECT_EQ(ExtractWith("", "播放器/说明.txt"), "<no error>");
    EXPECT_EQ(ReadFile(out_ / "播放器" / "说明.txt"), "中文");

    WriteFile(work_ / "smile\xF0\x9F\x99\x82.txt", "emoji"); // no GBK code for it
    std::string error = ExtractWith("", "'smile\xF0\x9F\x99\x82.txt'");
    EXPECT_THAT(error, HasSubstr("“smile?"));
    EXPECT_THAT(error, HasSubstr("无法用 GBK 编码表示"));
}

TEST_F(ItemPathTest, AFolderWhoseGbkNameEndsInABackslashByteKeepsItsFiles) {
    // "乗" is 81 5C in GBK: its trail byte is a backslash, which must not split the path.
    fs::create_directories(work_ / "乗");
    WriteFile(work_ / "乗" / "文.txt", "kept");
    EXPECT_EQ(ExtractWith("", "乗/文.txt"), "<no error>");
    EXPECT_EQ(ReadFile(out_ / "乗" / "文.txt"), "kept");
    EXPECT_EQ(ReadFile(out_ / "safe.txt"), "safe");
}

} // namespace
