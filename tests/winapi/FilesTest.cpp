#include "support/SmallVolume.h"
#include "support/TempSystemRoot.h"

#include "winapi/kernel32.h"

#include <filesystem>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

namespace {

class Files : public testing_support::SystemRootTest {
protected:
    HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
        return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    }
    bool Write(HANDLE file, std::string_view bytes) {
        DWORD written = 0;
        return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }
};

} // namespace

TEST_F(Files, FoldersAreCreatedOnceAndReportWhyNot) {
    EXPECT_TRUE(CreateDirectoryA("C:\\Program Files\\Vostrel", nullptr));
    EXPECT_TRUE(fs::is_directory(systemRoot.DriveC() + "/Program Files/Vostrel"));
    EXPECT_EQ(GetFileAttributesA("C:\\PROGRAM FILES\\vostrel\\"), FILE_ATTRIBUTE_DIRECTORY);

    EXPECT_FALSE(CreateDirectoryA("C:\\Program Files\\Vostrel", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryA("C:\\Missing\\Vostrel", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(CreateDirectoryA("C:\\", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(CreateDirectoryA("relative", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    WriteLinuxFile(systemRoot.DriveC() + "/file", "x");
    EXPECT_FALSE(CreateDirectoryA("C:\\file\\sub", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    // A folder nobody may write to, root included.
    EXPECT_FALSE(CreateDirectoryA("Z:\\sys\\vostrel", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(Files, AttributesTellFoldersFilesAndWhatIsMissing) {
    WriteLinuxFile(systemRoot.DriveC() + "/a.txt", "x");
    EXPECT_EQ(GetFileAttributesA("C:\\A.TXT"), FILE_ATTRIBUTE_ARCHIVE);
    fs::permissions(systemRoot.DriveC() + "/a.txt", fs::perms::owner_read);
    EXPECT_EQ(GetFileAttributesA("C:\\a.txt"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(GetFileAttributesA("C:\\b.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA("C:\\no\\b.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

// A link answers for itself, as a Windows symbolic link does, and writing never goes through
// one in the last component: the file it leads to keeps its bytes.
TEST_F(Files, LinksAreSeenAsLinksAndNotWrittenThrough) {
    const std::string drive = systemRoot.DriveC();
    WriteLinuxFile(drive + "/target.txt", "kept");
    fs::create_directories(drive + "/folder");
    fs::create_symlink(drive + "/target.txt", drive + "/to-file");
    fs::create_symlink(drive + "/folder", drive + "/to-folder");
    fs::create_symlink(drive + "/nowhere", drive + "/dangling");
    EXPECT_EQ(GetFileAttributesA("C:\\to-file"), FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(GetFileAttributesA("C:\\to-folder"),
              FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA("C:\\dangling"), FILE_ATTRIBUTE_REPARSE_POINT);

    for (const DWORD disposition : {CREATE_ALWAYS, OPEN_ALWAYS, OPEN_EXISTING, TRUNCATE_EXISTING})
        for (const char* link : {"C:\\to-file", "C:\\dangling"}) {
            EXPECT_EQ(Open(link, GENERIC_WRITE, 0, disposition), INVALID_HANDLE_VALUE)
                << link << " " << disposition;
            EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
        }
    EXPECT_EQ(ReadLinuxFile(drive + "/target.txt"), "kept");
    EXPECT_FALSE(fs::exists(drive + "/nowhere"));
    // Reading may follow a link.
    HANDLE reading = Open("C:\\to-file", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(reading, INVALID_HANDLE_VALUE);
    CloseHandle(reading);
}

TEST_F(Files, WriteReadSeekAndTruncate) {
    HANDLE file = Open("C:\\data.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    ASSERT_TRUE(Write(file, "0123456789"));
    EXPECT_EQ(SetFilePointer(file, -4, nullptr, FILE_END), 6u);
    char buffer[16] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), "6789");
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u); // end of file is success with nothing read
    EXPECT_EQ(SetFilePointer(file, 3, nullptr, FILE_BEGIN), 3u);
    EXPECT_EQ(SetFilePointer(file, 2, nullptr, FILE_CURRENT), 5u);
    ASSERT_TRUE(SetEndOfFile(file));
    EXPECT_EQ(SetFilePointer(file, -6, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    LONG moveHigh = 0;
    EXPECT_EQ(SetFilePointer(file, 0, &moveHigh, FILE_END), 5u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadLinuxFile(systemRoot.DriveC() + "/data.bin"), "01234");

    // Creating over an existing file empties it and says it existed.
    file = Open("C:\\DATA.BIN", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_END), 0u);
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(Files, CreationModesAndTheirFailures) {
    WriteLinuxFile(systemRoot.DriveC() + "/old.txt", "old");
    EXPECT_EQ(Open("C:\\old.txt", GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(Open("C:\\new.txt", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open("C:\\no\\new.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Open("C:\\users", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open("C:\\old.txt", GENERIC_READ, 0, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    HANDLE file = Open("C:\\old.txt", GENERIC_READ, 0, OPEN_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(Write(file, "x"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadLinuxFile(systemRoot.DriveC() + "/old.txt"), "old");

    file = Open("C:\\old.txt", GENERIC_WRITE, 0, TRUNCATE_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadLinuxFile(systemRoot.DriveC() + "/old.txt"), "");
}

TEST_F(Files, ShareModesAreEnforcedAmongOpenHandles) {
    WriteLinuxFile(systemRoot.DriveC() + "/Vostrel.7z", "archive");
    HANDLE exclusive = Open("C:\\Vostrel.7z", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("C:\\VOSTREL.7Z", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    // A refused CREATE_ALWAYS must leave the content alone.
    EXPECT_EQ(Open("C:\\Vostrel.7z", GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ReadLinuxFile(systemRoot.DriveC() + "/Vostrel.7z"), "archive");
    EXPECT_FALSE(DeleteFileA("C:\\Vostrel.7z"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    // Opening for attributes only asks for no data access, so nothing refuses it.
    HANDLE attributesOnly = Open("C:\\Vostrel.7z", 0, 0, OPEN_EXISTING);
    EXPECT_NE(attributesOnly, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(attributesOnly));
    EXPECT_TRUE(CloseHandle(exclusive));

    // Readers that share reading coexist; a writer is refused while they are open.
    HANDLE reader1 = Open("C:\\Vostrel.7z", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    HANDLE reader2 = Open("C:\\Vostrel.7z", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(reader1, INVALID_HANDLE_VALUE);
    ASSERT_NE(reader2, INVALID_HANDLE_VALUE);
    EXPECT_EQ(
        Open("C:\\Vostrel.7z", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(CloseHandle(reader1));
    EXPECT_TRUE(CloseHandle(reader2));

    HANDLE shared =
        Open("C:\\Vostrel.7z", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
    ASSERT_NE(shared, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(DeleteFileA("C:\\Vostrel.7z"));
    EXPECT_TRUE(CloseHandle(shared));
}

TEST_F(Files, DeleteAndCloseFailures) {
    EXPECT_FALSE(DeleteFileA("C:\\none.txt"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(DeleteFileA("C:\\none\\none.txt"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(DeleteFileA("C:\\users"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    HANDLE file = Open("C:\\x", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(Write(file, "x"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(DeleteFileA("C:\\X"));
    EXPECT_FALSE(fs::exists(systemRoot.DriveC() + "/x"));
}

TEST_F(Files, AFullDeviceReportsDiskFull) {
    HANDLE full =
        Open("Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(full, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Write(full, "payload"));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_TRUE(CloseHandle(full));
}

// A small tmpfs, full and then read-only, in a private mount namespace of a child process, so
// nothing is left mounted. Skipped where mounting is not permitted.
TEST_F(Files, ASmallVolumeFillsUpAndAReadOnlyOneIsWriteProtected) {
    const std::string mountPoint = systemRoot.Folder() + "/volume";
    const auto result = testing_support::RunOnSmallVolume(mountPoint, [&] {
        const std::string file = "Z:" + mountPoint + "/big.bin";
        HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const std::string block(256 * 1024, 'x');
        DWORD written = 0;
        const bool full =
            h != INVALID_HANDLE_VALUE &&
            !WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) &&
            GetLastError() == ERROR_DISK_FULL && written < block.size();
        CloseHandle(h);
        if (mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return testing_support::kVolumeNotPermitted;
        const std::string other = "Z:" + mountPoint + "/other.bin";
        const bool writeProtected =
            CreateFileA(other.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr) ==
                INVALID_HANDLE_VALUE &&
            GetLastError() == ERROR_WRITE_PROTECT;
        const std::string folder = "Z:" + mountPoint + "/sub";
        const bool folderProtected =
            !CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() == ERROR_WRITE_PROTECT;
        return full ? (writeProtected ? (folderProtected ? 0 : 3) : 2) : 1;
    });
    if (!result)
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    EXPECT_EQ(*result, 0) << "1: no disk-full, 2: file not write-protected, "
                             "3: folder not write-protected";
}

TEST_F(Files, MoveFileRenamesButNeverReplaces) {
    testing_support::WriteLinuxFile(systemRoot.DriveC() + "/a.txt", "a");
    testing_support::WriteLinuxFile(systemRoot.DriveC() + "/b.txt", "b");
    EXPECT_FALSE(MoveFileA("C:\\a.txt", "C:\\b.txt"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(MoveFileA("C:\\none.txt", "C:\\c.txt"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(MoveFileA("C:\\A.TXT", "C:\\c.txt"));
    EXPECT_EQ(testing_support::ReadLinuxFile(systemRoot.DriveC() + "/c.txt"), "a");
    EXPECT_FALSE(testing_support::ReadLinuxFile(systemRoot.DriveC() + "/a.txt"));
}

TEST_F(Files, RemoveDirectoryTakesOnlyAnEmptyFolder) {
    testing_support::WriteLinuxFile(systemRoot.DriveC() + "/full/x.txt", "x");
    EXPECT_FALSE(RemoveDirectoryA("C:\\full"));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(RemoveDirectoryA("C:\\none"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    std::filesystem::remove(systemRoot.DriveC() + "/full/x.txt");
    EXPECT_TRUE(RemoveDirectoryA("C:\\full"));
}
