#include "support/TempSystemRoot.h"

#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"
#include "winapi/shell32.h"

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
        IMalloc* malloc = nullptr;
        EXPECT_EQ(SHGetMalloc(&malloc), S_OK);
        malloc->Free(itemList);
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
    for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_DESKTOPDIRECTORY, CSIDL_APPDATA, CSIDL_PROGRAMS})
        EXPECT_EQ(GetFileAttributesA(FolderPath(csidl).c_str()), FILE_ATTRIBUTE_DIRECTORY);
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

TEST_F(ShellFolders, ItemListsFromPathsGiveThePathBack) {
    LPITEMIDLIST itemList = ILCreateFromPathA("Z:\\tmp\\Apps");
    ASSERT_NE(itemList, nullptr);
    char path[MAX_PATH] = {};
    EXPECT_TRUE(SHGetPathFromIDListA(itemList, path));
    EXPECT_STREQ(path, "Z:\\tmp\\Apps");
    ILFree(itemList);
    EXPECT_EQ(ILCreateFromPathA("relative\\path"), nullptr);
}

TEST(ShellAllocator, AllocatesAndFreesThroughIMalloc) {
    IMalloc* malloc = nullptr;
    ASSERT_EQ(SHGetMalloc(&malloc), S_OK);
    void* block = malloc->Alloc(260);
    ASSERT_NE(block, nullptr);
    EXPECT_GE(malloc->GetSize(block), 260u);
    malloc->Free(block);
    void* same = nullptr;
    EXPECT_EQ(malloc->QueryInterface(IID_IMalloc, &same), S_OK);
    EXPECT_EQ(same, malloc);
    EXPECT_EQ(malloc->QueryInterface(IID_IUnknown, &same), S_OK);
    GUID other = IID_IMalloc;
    other.Data1 = 0x1234;
    EXPECT_EQ(malloc->QueryInterface(other, &same), E_NOINTERFACE);
    EXPECT_EQ(same, nullptr);
}
