// The options window's routines on their own: writing a resource out, the special folder
// lookup and the folder picker call.
#include "setup/ResourceFiles.h"
#include "setup/OptionsWindow.h"

#include "rtl/Application.h"
#include "rtl/ScriptedDialogService.h"
#include "support/GbkText.h"
#include "support/QtTestApplication.h"
#include "support/TempSystemRoot.h"
#include "winapi/kernel32.h"
#include "winapi/shell32.h"

#include <filesystem>

using testing_support::GbkText;
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
        EXPECT_EQ(e.Message(),
                  GbkText("Cannot create file \"C:\\Missing\\out.bin\". 系统找不到指定的路径。"));
    }
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
