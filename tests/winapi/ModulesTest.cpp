#include "support/TempSystemRoot.h"

#include "winapi/BuiltinModules.h"
#include "winapi/kernel32.h"

#include <filesystem>

namespace {

class Modules : public testing_support::SystemRootTest {
protected:
    void TearDown() override { winapi::ShowAllBuiltins(); }
};

const std::string kTestModule = std::string("Z:") + TEST_MODULE_PATH;

} // namespace

TEST_F(Modules, ALibraryIsLoadedByItsWindowsPathAndItsExportsCalled) {
    HMODULE module = LoadLibraryA(kTestModule.c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    auto* answer = reinterpret_cast<int (*)()>(GetProcAddress(module, "WinapiTestModuleAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(GetProcAddress(module, "NoSuchExport"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);

    const std::string baseName = std::filesystem::path(TEST_MODULE_PATH).filename().string();
    std::string upper = baseName;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(GetModuleHandleA(upper.c_str()), module);

    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleA(baseName.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(GetProcAddress(module, "WinapiTestModuleAnswer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(Modules, MissingAndUnloadableFilesAreTold) {
    EXPECT_EQ(LoadLibraryA("C:\\Program Files\\Vostrel\\7z.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryA("nosuch.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

    testing_support::WriteLinuxFile(systemRoot.DriveC() + "/7z.dll", "MZ this is no library");
    EXPECT_EQ(LoadLibraryA("C:\\7Z.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
    testing_support::WriteLinuxFile(systemRoot.DriveC() + "/short.dll", "\x7f"
                                                                        "ELF");
    EXPECT_EQ(LoadLibraryA("C:\\short.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(LoadLibraryA("C:\\users"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(Modules, BuiltinModulesAnswerByNameWithoutRegardToCase) {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel32, nullptr);
    EXPECT_GE(reinterpret_cast<std::uintptr_t>(kernel32), 32u);
    EXPECT_EQ(LoadLibraryA("KERNEL32.DLL"), kernel32);
    EXPECT_EQ(GetModuleHandleA("Kernel32"), kernel32);
    EXPECT_EQ(GetProcAddress(kernel32, "GetTickCount"), reinterpret_cast<FARPROC>(&GetTickCount));
    EXPECT_EQ(GetProcAddress(kernel32, "gettickcount"), nullptr); // export names keep their case
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);

    HMODULE psapi = LoadLibraryA("psapi.dll");
    ASSERT_NE(psapi, nullptr);
    EXPECT_NE(psapi, kernel32);
    EXPECT_EQ(LoadLibraryA("PSAPI"), psapi);
    EXPECT_TRUE(FreeLibrary(psapi));
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
}

TEST_F(Modules, TheSeamHidesAModuleOrOneExport) {
    winapi::HideBuiltinModule("PSAPI.dll");
    EXPECT_EQ(LoadLibraryA("PSAPI.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleA("psapi.dll"), nullptr);

    winapi::HideBuiltinExport("kernel32.dll", "GetTickCount");
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel32, nullptr);
    EXPECT_EQ(GetProcAddress(kernel32, "GetTickCount"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_NE(GetProcAddress(kernel32, "Sleep"), nullptr);

    winapi::ShowAllBuiltins();
    EXPECT_NE(LoadLibraryA("PSAPI.dll"), nullptr);
    EXPECT_NE(GetProcAddress(kernel32, "GetTickCount"), nullptr);
}

// A loaded library's file is in use, as a mapped image is on Windows: it can be read, but it
// cannot be rewritten, truncated, renamed or deleted until it is freed.
TEST_F(Modules, ALoadedLibraryFileCannotBeChangedUntilFreed) {
    const std::string copy = systemRoot.DriveC() + "/lib.dll";
    std::filesystem::create_directories(systemRoot.DriveC());
    std::filesystem::copy_file(TEST_MODULE_PATH, copy);
    const std::string path = "C:\\LIB.DLL"; // names match without regard to case
    HMODULE module = LoadLibraryA("C:\\lib.dll");
    ASSERT_NE(module, nullptr) << GetLastError();
    const auto size = std::filesystem::file_size(copy);

    for (DWORD disposition : {CREATE_ALWAYS, OPEN_EXISTING, TRUNCATE_EXISTING}) {
        EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, disposition, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    }
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(MoveFileA(path.c_str(), "C:\\moved.dll"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(std::filesystem::file_size(copy), size);

    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);

    ASSERT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(MoveFileA(path.c_str(), "C:\\moved.dll"));
    EXPECT_TRUE(DeleteFileA("C:\\moved.dll"));
}
