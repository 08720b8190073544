// The options window's routines on their own: writing a resource out, the special folder
// lookup and the folder picker call.
#include "setup/OptionsWindow.h"
#include "setup/ResourceFiles.h"

#include "rtl/Application.h"
#include "rtl/ScriptedDialogService.h"
#include "support/QtTestApplication.h"
#include "support/TempSystemRoot.h"
#include "winapi/Gbk.h"
#include "winapi/kernel32.h"
#include "winapi/shell32.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::ReadLinuxFile;

namespace {

class SaveResourceToFileTest : public testing_support::SystemRootTest {};

TEST_F(SaveResourceToFileTest, WritesTheResourceWholeReplacingAnOlderFile) {
    const std::string target = systemRoot.DriveC() + "/out.bin";
    testing_support::WriteLinuxFile(target, std::string(10000, 'o'));
    SaveResourceToFile("f7z", "C:\\out.bin");
    EXPECT_EQ(ReadLinuxFile(target), "stand-in for the archive library 7z.dll\n");
}

TEST_F(SaveResourceToFileTest, AMissingResourceOrFileIsAnError) {
    try {
        SaveResourceToFile("F9", "C:\\out.bin");
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Resource F9 not found");
    }
    EXPECT_FALSE(std::filesystem::exists(systemRoot.DriveC() + "/out.bin"));
    try {
        SaveResourceToFile("F1", "C:\\Missing\\out.bin");
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(
            e.Message(),
            gbk::Literal("Cannot create file \"C:\\Missing\\out.bin\". 系统找不到指定的路径。"));
    }
}

// The files of a folder, to see that no temporary file is left.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const char kLibraryStandIn[] = "stand-in for the archive library 7z.dll\n";

TEST_F(SaveResourceToFileTest, AFileSizeLimitKeepsTheOldFileAndGivesTheDiskFullText) {
    const std::string target = systemRoot.DriveC() + "/limited/out.bin";
    std::filesystem::create_directories(systemRoot.DriveC() + "/limited");
    testing_support::WriteLinuxFile(target, "old");
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 10; // below the 40 bytes of the resource
    setrlimit(RLIMIT_FSIZE, &small);
    std::optional<AnsiString> message;
    try {
        SaveResourceToFile("F7Z", "C:\\limited\\out.bin");
    } catch (const EFCreateError& e) {
        message = e.Message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(message, gbk::Literal("Cannot create file \"C:\\limited\\out.bin\". 磁盘空间不足。"));
    EXPECT_EQ(ReadLinuxFile(target), "old");
    EXPECT_EQ(FilesIn(systemRoot.DriveC() + "/limited"), std::vector<std::string>{"out.bin"});
}

// A tiny file system mounted inside drive C: and filled up; needs root (as in CI).
class FullDiskTest : public SaveResourceToFileTest {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "mounting a small file system needs root";
        folder = systemRoot.DriveC() + "/full";
        std::filesystem::create_directories(folder);
        if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs here";
        mounted = true;
        testing_support::WriteLinuxFile(folder + "/out.bin", "old");
        std::ofstream filler(folder + "/filler", std::ios::binary);
        const std::string block(4096, 'f');
        for (int i = 0; i < 64 && filler.write(block.data(), block.size()); ++i) {
        }
    }
    void TearDown() override {
        // Fails while anything of the test still holds a file on the small file system.
        if (mounted) {
            EXPECT_EQ(umount(folder.c_str()), 0) << std::strerror(errno);
        }
    }
    std::string folder;
    bool mounted = false;
};

TEST_F(FullDiskTest, AFullDiskKeepsTheOldFileAndLeavesNoPartialFile) {
    try {
        SaveResourceToFile("F7Z", "C:\\full\\out.bin");
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(),
                  gbk::Literal("Cannot create file \"C:\\full\\out.bin\". 磁盘空间不足。"));
    }
    EXPECT_EQ(ReadLinuxFile(folder + "/out.bin"), "old");
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"filler", "out.bin"}));
    // Nothing of the attempt stays open: a deleted temporary held open keeps its blocks.
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string opened = std::filesystem::read_symlink(entry.path(), error).string();
        EXPECT_NE(opened.rfind(folder, 0), 0u) << "still open: " << opened;
    }
}

// An old file made by root, mode 444, met by an unprivileged user: replaced when the user owns
// the folder, an error (and left untouched) when not. The write runs in a child switched to
// the user "nobody"; its exit code tells 0 written, 2 the access-denied error, 3 another error.
class ForeignOldFileTest : public SaveResourceToFileTest {
protected:
    static constexpr uid_t kNobody = 65534;
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "a second user needs root";
        folder = systemRoot.DriveC() + "/app";
        std::filesystem::create_directories(folder);
        testing_support::WriteLinuxFile(folder + "/7z.dll", "foreign library");
        chmod((folder + "/7z.dll").c_str(), 0444);
        // The user works in the temporary system root (which completes its standard folders on
        // first use) but not in the folder, which stays root's; nothing above is changed.
        chmod(folder.c_str(), 0755);
        const std::filesystem::path top = std::filesystem::temp_directory_path();
        for (auto p = std::filesystem::path(folder).parent_path(); p != top; p = p.parent_path())
            chmod(p.c_str(), 0777);
    }
    int WriteAsNobody() {
        const AnsiString expected =
            gbk::Literal("Cannot create file \"C:\\app\\7z.dll\". 拒绝访问。");
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
                _exit(4);
            // Changing the user makes the process undumpable, which hides /proc/self/exe
            // from it; a user's own installer is dumpable.
            prctl(PR_SET_DUMPABLE, 1);
            try {
                SaveResourceToFile("F7Z", "C:\\app\\7z.dll");
                _exit(0);
            } catch (const Exception& e) {
                if (e.Message() != expected)
                    std::fprintf(stderr, "%s\n", e.Message().c_str());
                _exit(e.Message() == expected ? 2 : 3);
            }
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string folder;
};

TEST_F(ForeignOldFileTest, IsReplacedInAFolderOfTheUserAndAnErrorElsewhere) {
    ASSERT_EQ(WriteAsNobody(), 2); // root's folder: the user cannot replace the file
    EXPECT_EQ(ReadLinuxFile(folder + "/7z.dll"), "foreign library");
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"7z.dll"});

    ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(WriteAsNobody(), 0);
    EXPECT_EQ(ReadLinuxFile(folder + "/7z.dll"), kLibraryStandIn);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"7z.dll"});
}

class SpecialFolderTest : public testing_support::SystemRootTest {};

TEST_F(SpecialFolderTest, GivesTheFolderWithATrailingBackslash) {
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_PROGRAM_FILES), "C:\\Program Files\\");
    EXPECT_EQ(GetSpecialFolderPath(-1), "");
}

// Remembers where each picker was opened.
class RecordingDialogs : public ScriptedDialogService {
public:
    std::optional<AnsiString> BrowseForFolder(const AnsiString& title,
                                              const AnsiString& initialFolder) override {
        startFolders.push_back(initialFolder);
        return ScriptedDialogService::BrowseForFolder(title, initialFolder);
    }
    std::vector<AnsiString> startFolders;
};

class BrowseForDirectoryTest : public testing_support::SystemRootTest {
protected:
    BrowseForDirectoryTest() {
        testing_support::EnsureQtApplication();
        static int argc = 1;
        static char name[] = "options_window_tests";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<TApplication>(argc, argv);
        auto recording = std::make_unique<RecordingDialogs>();
        dialogs = recording.get();
        app->SetDialogs(std::move(recording));
    }

    std::unique_ptr<TApplication> app;
    RecordingDialogs* dialogs = nullptr;
};

TEST_F(BrowseForDirectoryTest, OpensOnAnExistingFolderOnly) {
    AnsiString folder = "C:\\Program Files";
    dialogs->folders.push_back(AnsiString("D:\\Chosen"));
    EXPECT_TRUE(BrowseForDirectory("T", std::wstring(), folder));
    EXPECT_EQ(folder, "D:\\Chosen");

    folder = "C:\\Nowhere";
    EXPECT_FALSE(BrowseForDirectory("T", std::wstring(), folder));
    EXPECT_EQ(folder, "") << "a folder that does not exist is emptied";
    EXPECT_EQ(dialogs->startFolders, (std::vector<AnsiString>{"C:\\Program Files", ""}));
    EXPECT_EQ(dialogs->browseTitles, (std::vector<AnsiString>{"T", "T"}));
}

TEST_F(BrowseForDirectoryTest, StartsAtTheRootWhenThereIsNoFolder) {
    AnsiString folder;
    EXPECT_FALSE(BrowseForDirectory("T", L"C:\\Program Files", folder));
    EXPECT_EQ(dialogs->startFolders, (std::vector<AnsiString>{"C:\\Program Files"}));
}

} // namespace
