#include "support/TempSystemRoot.h"

#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"
#include "winapi/shell32.h"

#include <cstdlib>
#include <filesystem>

namespace {

class ShellFolders : public testing_support::SystemRootTest {
protected:
    // The special folder's path, as GetSpecialFolderPath reads it.
    std::string FolderPath(int csidl) {
        LPITEMIDLIST itemList = nullptr;
        if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &itemList)))
            return "failed";
        char path[MAX_PATH + 1] = {};
        const BOOL ok = SHGetPathFromIDListA(itemList, path);
        ILFree(itemList);
        return ok ? path : "no path";
    }
};

} // namespace

TEST_F(ShellFolders, SpecialFoldersAreTheProfileFoldersOfTheRoot) {
    const std::string profile = "C:\\users\\" + winapi::WineUserName();
    EXPECT_EQ(FolderPath(CSIDL_PROGRAM_FILES), "C:\\Program Files");
    EXPECT_EQ(FolderPath(CSIDL_DESKTOPDIRECTORY), profile + "\\Desktop");
    EXPECT_EQ(FolderPath(CSIDL_APPDATA), profile + "\\AppData\\Roaming");
    EXPECT_EQ(FolderPath(CSIDL_PROGRAMS),
              profile + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs");
    // The desktop, as Wine makes it, is a link to the XDG folder: a folder and a reparse point.
    for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_APPDATA, CSIDL_PROGRAMS})
        EXPECT_EQ(GetFileAttributesA(FolderPath(csidl).c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(GetFileAttributesA(FolderPath(CSIDL_DESKTOPDIRECTORY).c_str()) &
                FILE_ATTRIBUTE_DIRECTORY);
}

// The start-up only names folders; the root appears when a file in it is first touched.
TEST_F(ShellFolders, NamingAFolderCreatesNothing) {
    EXPECT_EQ(FolderPath(CSIDL_PROGRAM_FILES), "C:\\Program Files");
    EXPECT_FALSE(std::filesystem::exists(systemRoot.Root()));
    EXPECT_EQ(GetFileAttributesA("C:\\Program Files"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(std::filesystem::is_directory(systemRoot.Root() + "/drive_c/Program Files"));
}

// Settings Wine refuses name no folder.
TEST_F(ShellFolders, ARootWineRefusesNamesNoFolder) {
    const struct {
        const char* variable;
        const char* value;
        DWORD error;
    } refused[] = {{"WINEARCH", "win16", ERROR_BAD_ENVIRONMENT},
                   {"WINEPREFIX", "relative/prefix", ERROR_BAD_PATHNAME}};
    for (const auto& [variable, value, error] : refused) {
        const char* saved = std::getenv(variable);
        const std::string savedValue = saved ? saved : "";
        setenv(variable, value, 1);
        LPITEMIDLIST itemList = nullptr;
        EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAM_FILES, &itemList),
                  HRESULT_FROM_WIN32(error))
            << variable;
        EXPECT_EQ(itemList, nullptr);
        if (saved)
            setenv(variable, savedValue.c_str(), 1);
        else
            unsetenv(variable);
    }
}

TEST_F(ShellFolders, UnknownFoldersAndEmptyItemListsFail) {
    LPITEMIDLIST itemList = reinterpret_cast<LPITEMIDLIST>(1);
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, 0x0005, &itemList), E_INVALIDARG);
    EXPECT_EQ(itemList, nullptr);
    char path[MAX_PATH] = "untouched";
    EXPECT_FALSE(SHGetPathFromIDListA(nullptr, path));
    EXPECT_STREQ(path, "");
    const BYTE empty[2] = {0, 0};
    EXPECT_FALSE(SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(empty), path));
}
