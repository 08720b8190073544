// Writing a file whole: the new content with its mode, or on any failure the earlier file as
// it was, and never a temporary left behind.
#include "winapi/WholeFile.h"
#include "winapi/FileDescriptor.h"

#include "support/SmallVolume.h"
#include "support/TempSystemRoot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

namespace {

class WholeFile : public testing_support::SystemRootTest {
protected:
    std::string Folder() { return systemRoot.Folder() + "/files"; }
    std::string Path() { return Folder() + "/list.txt"; }

    // The names in the folder: only the file itself once a write has ended, whatever its end.
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder()))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(WholeFile, ReplacesTheFileWithItsModeAndLeavesNoTemporary) {
    WriteLinuxFile(Path(), "the earlier, longer content");
    struct stat written {};
    ASSERT_EQ(winapi::WriteWholeFile(Path(), "new", {0750, true, &written}), 0);
    EXPECT_EQ(ReadLinuxFile(Path()), "new");
    struct stat now {};
    ASSERT_EQ(stat(Path().c_str(), &now), 0);
    EXPECT_EQ(now.st_mode & 0777, 0750u);
    EXPECT_EQ(now.st_ino, written.st_ino);
    EXPECT_EQ(Names(), std::vector<std::string>{"list.txt"});
}

// The descriptor read back reads the bytes written, whatever is renamed over the name later;
// a link that stood at the name is replaced, and what it led to is not touched.
TEST_F(WholeFile, TheReadBackDescriptorKeepsTheBytesWrittenAndALinkIsReplaced) {
    fs::create_directories(Folder());
    WriteLinuxFile(Folder() + "/target", "kept");
    fs::create_symlink(Folder() + "/target", Path());
    int readBack = -1;
    ASSERT_EQ(winapi::WriteWholeFile(Path(), "ours", {.readBack = &readBack}), 0);
    const winapi::FileDescriptor held(readBack);
    EXPECT_FALSE(fs::is_symlink(fs::symlink_status(Path())));
    EXPECT_EQ(ReadLinuxFile(Folder() + "/target"), "kept");

    WriteLinuxFile(Folder() + "/other", "theirs");
    fs::rename(Folder() + "/other", Path());
    char bytes[8] = {};
    EXPECT_EQ(pread(held.Get(), bytes, sizeof bytes, 0), 4);
    EXPECT_EQ(std::string(bytes), "ours");
    EXPECT_EQ(write(held.Get(), "x", 1), -1) << "the descriptor is read-only";
}

// Failures at each point: the filler's own error, and a folder that is not there.
TEST_F(WholeFile, AFailureLeavesTheEarlierFileAndNoTemporary) {
    WriteLinuxFile(Path(), "earlier");
    const int error = winapi::WriteWholeFile(
        Path(), [](int fd) { return write(fd, "half", 4) == 4 ? EIO : errno; });
    EXPECT_EQ(error, EIO);
    EXPECT_EQ(ReadLinuxFile(Path()), "earlier");
    EXPECT_EQ(Names(), std::vector<std::string>{"list.txt"});

    EXPECT_EQ(winapi::WriteWholeFile(Folder() + "/missing/list.txt", "x"), ENOENT);
    EXPECT_FALSE(fs::exists(Folder() + "/missing"));
}

// A full disk, in a small tmpfs of a child process's own mount namespace: the write fails with
// ENOSPC and the earlier file is whole. Skipped where mounting is not permitted.
TEST_F(WholeFile, AFullDiskKeepsTheEarlierFile) {
    const std::string mountPoint = systemRoot.Folder() + "/volume";
    const auto result = testing_support::RunOnSmallVolume(mountPoint, [&] {
        const std::string path = mountPoint + "/list.txt";
        const std::string earlier(16 * 1024, 'e');
        if (winapi::WriteWholeFile(path, earlier) != 0)
            return 1;
        const int error = winapi::WriteWholeFile(path, std::string(256 * 1024, 'n'));
        const bool kept =
            ReadLinuxFile(path) == earlier &&
            std::distance(fs::directory_iterator(mountPoint), fs::directory_iterator()) == 1;
        return error == ENOSPC ? (kept ? 0 : 3) : 2;
    });
    if (!result)
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    EXPECT_EQ(*result, 0)
        << "1: first write failed, 2: no ENOSPC, 3: earlier file or folder changed";
}

} // namespace
