#include "support/NamedProcesses.h"
#include "support/TempSystemRoot.h"

#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"
#include "winapi/psapi.h"
#include "winapi/tlhelp32.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
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

TEST_F(Processes, WindowsProgramsOfAnotherSystemRootAreNeitherListedNorOpened) {
    const std::string otherRoot = systemRoot.Folder() + "/other-prefix";
    fs::create_directories(otherRoot);
    const std::string windowsPath = "C:\\Program Files\\Vostrel\\probe.exe";
    const pid_t foreign = processes.Start("wine64", windowsPath, 0, {"WINEPREFIX=" + otherRoot});
    // Without WINEPREFIX, Wine runs in ~/.wine of the home the environment names, or else of
    // the user's own home folder.
    const pid_t foreignHome =
        processes.Start("wine64", windowsPath, 0, {"WINEPREFIX", "HOME=" + otherRoot});
    const pid_t noHome = processes.Start("wine64", windowsPath, 0, {"WINEPREFIX", "HOME"});
    const pid_t ours = processes.Start("wine64", windowsPath);
    // A native program is listed whatever its environment says.
    const pid_t native = processes.Start("probe.exe", "", 0, {"WINEPREFIX=" + otherRoot});

    EXPECT_EQ(NameOf(ours), "probe.exe");
    EXPECT_EQ(NameOf(native), "probe.exe");
    for (pid_t pid : {foreign, foreignHome, noHome}) {
        EXPECT_EQ(NameOf(pid), "<not listed>");
        SetLastError(0);
        EXPECT_EQ(OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(pid)), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(ours));
    EXPECT_NE(process, nullptr);
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

// As the program reaches them, by module and name: the functions found list this process and
// give its file; a function the layer does not have is not found.
TEST(BuiltinProcessModules, FunctionsFoundByNameListThisProcessAndGiveItsFile) {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel32, nullptr);
    const auto snapshotOf = reinterpret_cast<HANDLE (*)(DWORD, DWORD)>(
        GetProcAddress(kernel32, "CreateToolhelp32Snapshot"));
    using Walk = BOOL (*)(HANDLE, PROCESSENTRY32*);
    const auto first = reinterpret_cast<Walk>(GetProcAddress(kernel32, "Process32First"));
    const auto next = reinterpret_cast<Walk>(GetProcAddress(kernel32, "Process32Next"));
    ASSERT_TRUE(snapshotOf && first && next);
    HANDLE snapshot = snapshotOf(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool listed = false;
    for (BOOL more = first(snapshot, &entry); more; more = next(snapshot, &entry))
        listed = listed || entry.th32ProcessID == static_cast<DWORD>(getpid());
    CloseHandle(snapshot);
    EXPECT_TRUE(listed);

    HMODULE psapi = LoadLibraryA("PSAPI.dll");
    ASSERT_NE(psapi, nullptr);
    const auto fileNameOf = reinterpret_cast<DWORD (*)(HANDLE, HMODULE, LPSTR, DWORD)>(
        GetProcAddress(psapi, "GetModuleFileNameExA"));
    ASSERT_NE(fileNameOf, nullptr);
    HANDLE self = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                              static_cast<DWORD>(getpid()));
    ASSERT_NE(self, nullptr);
    char path[MAX_PATH] = {};
    const DWORD length = fileNameOf(self, nullptr, path, MAX_PATH);
    CloseHandle(self);
    EXPECT_EQ(std::string(path, length),
              winapi::ToWindowsPath(fs::read_symlink("/proc/self/exe").string()));
    EXPECT_EQ(GetProcAddress(psapi, "QueryWorkingSet"), nullptr);
    FreeLibrary(psapi);
}

} // namespace

// Short-lived processes started and reaped on threads of their own until the object goes:
// half are forks that end at once, half run a copy of /bin/true that Wine's loader name makes
// the layer read their command line and environment too.
class ProcessChurn {
public:
    explicit ProcessChurn(const std::string& folder) : loader_(folder + "/wine64") {
        fs::copy_file("/bin/true", loader_);
        for (int i = 0; i < kThreads; ++i)
            threads_.emplace_back([this] { Run(); });
    }
    ~ProcessChurn() {
        stop_ = true;
        for (std::thread& thread : threads_)
            thread.join();
    }
    ProcessChurn(const ProcessChurn&) = delete;
    ProcessChurn& operator=(const ProcessChurn&) = delete;

    int Started() const { return started_; }

private:
    void Run() {
        const char* argv0 = "C:\\Program Files\\Vostrel\\churn.exe";
        for (bool exec = false; !stop_; exec = !exec) {
            const pid_t pid = fork();
            if (pid == 0) {
                if (exec)
                    execl(loader_.c_str(), argv0, static_cast<char*>(nullptr));
                _exit(0);
            }
            if (pid > 0) {
                waitpid(pid, nullptr, 0);
                ++started_;
            }
        }
    }

    std::string loader_;
    std::atomic<bool> stop_ = false;
    std::atomic<int> started_ = 0;
    // Several at once, so that processes end while the scan is inside their files.
    static constexpr int kThreads = 4;
    std::vector<std::thread> threads_;
};

TEST_F(Processes, ProcessesEndingWhileTheyAreReadAreSkipped) {
    ProcessChurn churn(systemRoot.Folder());
    // Bounded both ways: enough passes to meet many ending processes, never more than 15 s.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    int passes = 0;
    for (; passes < 300 && std::chrono::steady_clock::now() < deadline; ++passes) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0);
        ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more;
             more = Process32Next(snapshot, &entry)) {
            HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
            if (!process)
                continue;
            HMODULE module = nullptr;
            DWORD needed = 0;
            char path[MAX_PATH] = {};
            if (EnumProcessModules(process, &module, sizeof module, &needed))
                GetModuleFileNameExA(process, module, path, MAX_PATH);
            CloseHandle(process);
        }
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        CloseHandle(snapshot);
    }
    RecordProperty("passes", passes);
    RecordProperty("processes", churn.Started());
    EXPECT_GT(churn.Started(), passes);
}
