#include "support/NamedProcesses.h"
#include "support/TempSystemRoot.h"

#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"
#include "winapi/psapi.h"
#include "winapi/tlhelp32.h"

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The processes get names no product process list holds, so the installer's own tests, which
// end product processes, never end these.
class Processes : public testing_support::SystemRootTest {
protected:
    pid_t Start(const std::string& fileName, const std::string& argv0 = "", uid_t user = 0) {
        return processes.Start(fileName, argv0, user);
    }

    std::vector<PROCESSENTRY32> Snapshot() {
        std::vector<PROCESSENTRY32> entries;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0);
        EXPECT_NE(snapshot, INVALID_HANDLE_VALUE);
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more;
             more = Process32Next(snapshot, &entry))
            entries.push_back(entry);
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        CloseHandle(snapshot);
        return entries;
    }

    std::string NameOf(pid_t pid) {
        for (const PROCESSENTRY32& entry : Snapshot())
            if (entry.th32ProcessID == static_cast<DWORD>(pid))
                return entry.szExeFile;
        return "<not listed>";
    }

    testing_support::NamedProcesses processes{systemRoot.Folder()};
};

TEST_F(Processes, TheSnapshotListsProcessesByTheirExecutablesName) {
    const pid_t pid = Start("probe.exe");
    const pid_t capitals = Start("Probe-Two.EXE");
    bool found = false;
    for (const PROCESSENTRY32& entry : Snapshot())
        if (entry.th32ProcessID == static_cast<DWORD>(pid)) {
            found = true;
            EXPECT_STREQ(entry.szExeFile, "probe.exe");
            EXPECT_EQ(entry.th32ParentProcessID, static_cast<DWORD>(getpid()));
            EXPECT_EQ(entry.cntThreads, 1u);
        }
    EXPECT_TRUE(found);
    EXPECT_EQ(NameOf(capitals), "Probe-Two.EXE");
    EXPECT_EQ(NameOf(getpid()), fs::read_symlink("/proc/self/exe").filename().string());
}

TEST_F(Processes, AWindowsProgramUnderWineIsNamedAfterItsWindowsFile) {
    // Wine's loader runs the program and puts its Windows path into argv[0].
    const pid_t pid = Start("wine64-preloader", "C:\\Program Files\\Vostrel\\probe.exe");
    EXPECT_EQ(NameOf(pid), "probe.exe");
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(pid));
    ASSERT_NE(process, nullptr);
    char path[MAX_PATH] = {};
    EXPECT_EQ(GetModuleFileNameExA(process, nullptr, path, MAX_PATH), 34u);
    EXPECT_STREQ(path, "C:\\Program Files\\Vostrel\\probe.exe");
    CloseHandle(process);
}

TEST_F(Processes, AnOpenedProcessIsInspectedAndTerminated) {
    const pid_t pid = Start("probe.exe");
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(pid));
    ASSERT_NE(process, nullptr);
    HMODULE module = nullptr;
    DWORD needed = 0;
    ASSERT_TRUE(EnumProcessModules(process, &module, sizeof module, &needed));
    EXPECT_EQ(needed, sizeof(HMODULE));
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameExA(process, module, path, MAX_PATH);
    EXPECT_EQ(std::string(path, length), winapi::ToWindowsPath(systemRoot.Folder() + "/probe.exe"));
    char small[6] = {};
    EXPECT_EQ(GetModuleFileNameExA(process, module, small, sizeof small), 5u);
    EXPECT_EQ(std::string(small), std::string(path, 5));

    EXPECT_TRUE(TerminateProcess(process, 0));
    EXPECT_EQ(processes.Reap(pid), SIGKILL);
    // The handle still names the ended process: nothing else can be reached through it.
    EXPECT_FALSE(TerminateProcess(process, 0));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(EnumProcessModules(process, &module, sizeof module, &needed));
    EXPECT_TRUE(CloseHandle(process));
}

TEST_F(Processes, RightsNotAskedForAreNotGranted) {
    const pid_t pid = Start("probe.exe");
    HANDLE query = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(pid));
    ASSERT_NE(query, nullptr);
    EXPECT_FALSE(TerminateProcess(query, 0));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    HMODULE module = nullptr;
    DWORD needed = 0;
    EXPECT_FALSE(EnumProcessModules(query, &module, sizeof module, &needed)); // no PROCESS_VM_READ
    CloseHandle(query);
    HANDLE terminate = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
    EXPECT_FALSE(EnumProcessModules(terminate, &module, sizeof module, &needed));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(TerminateProcess(terminate, 0));
    CloseHandle(terminate);
}

TEST_F(Processes, MissingAndForeignProcessesAreNotOpened) {
    SetLastError(0);
    EXPECT_EQ(OpenProcess(PROCESS_ALL_ACCESS, FALSE, 0x7FFFFFF0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    if (getuid() != 0)
        GTEST_SKIP() << "starting another user's process needs root";
    // Even root may signal it, but another user's process is never opened.
    const pid_t pid = Start("probe.exe", "", 65534);
    SetLastError(0);
    EXPECT_EQ(OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(pid)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(Processes, SnapshotRecordsMustBeLargeEnough) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry - 1;
    EXPECT_FALSE(Process32First(snapshot, &entry));
    EXPECT_EQ(GetLastError(), ERROR_BAD_LENGTH);
    CloseHandle(snapshot);
    entry.dwSize = sizeof entry;
    EXPECT_FALSE(Process32First(snapshot, &entry));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    // A snapshot without processes delivers none.
    snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPHEAPLIST, 0);
    EXPECT_FALSE(Process32First(snapshot, &entry));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    CloseHandle(snapshot);
}

TEST(BuiltinProcessModules, ToolHelpAndPsapiAreFoundByName) {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel32, nullptr);
    EXPECT_EQ(GetProcAddress(kernel32, "CreateToolhelp32Snapshot"),
              reinterpret_cast<FARPROC>(&CreateToolhelp32Snapshot));
    EXPECT_EQ(GetProcAddress(kernel32, "Process32Next"), reinterpret_cast<FARPROC>(&Process32Next));
    HMODULE psapi = LoadLibraryA("PSAPI.dll");
    ASSERT_NE(psapi, nullptr);
    EXPECT_EQ(GetProcAddress(psapi, "GetModuleFileNameExA"),
              reinterpret_cast<FARPROC>(&GetModuleFileNameExA));
    EXPECT_EQ(GetProcAddress(psapi, "EnumProcessModules"),
              reinterpret_cast<FARPROC>(&EnumProcessModules));
    EXPECT_EQ(GetProcAddress(psapi, "QueryWorkingSet"), nullptr);
    FreeLibrary(psapi);
}

} // namespace
