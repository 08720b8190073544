#include "support/NamedProcesses.h"
#include "support/TempSystemRoot.h"
#include "support/TestClock.h"

#include "rtl/Application.h"
#include "setup/ProcessClosing.h"

#include "winapi/BuiltinModules.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using testing_support::NamedProcesses;
using testing_support::TestClock;

namespace {

const AnsiString kProductList = "qzmini.exe|mervo.exe|p2ptrans.exe|qztrans.exe|mervotips.exe";

using Pieces = std::vector<AnsiString>;

TEST(SplitString, PiecesBetweenSeparatorsEmptyOnesIncluded) {
    EXPECT_EQ(SplitString("a|b", "|"), (Pieces{"a", "b"}));
    EXPECT_EQ(SplitString("a||b", "|"), (Pieces{"a", "", "b"}));
    EXPECT_EQ(SplitString("a|", "|"), (Pieces{"a", ""}));
    EXPECT_EQ(SplitString("|", "|"), (Pieces{"", ""}));
    EXPECT_EQ(SplitString("abc", "|"), (Pieces{"abc"}));
    EXPECT_EQ(SplitString("", "|"), Pieces{});
    EXPECT_EQ(SplitString("a<>b<>", "<>"), (Pieces{"a", "b", ""}));
    EXPECT_EQ(SplitString("a|b", ""), (Pieces{"a|b"}));
}

TEST(ListHoldsName, OnlyAWholeEntryMatches) {
    EXPECT_TRUE(ListHoldsName(kProductList, "mervo.exe"));
    EXPECT_TRUE(ListHoldsName(kProductList, "qzmini.exe"));
    EXPECT_TRUE(ListHoldsName(kProductList, "mervotips.exe"));
    // Names that hold an entry with other characters before or after it are other programs.
    EXPECT_FALSE(ListHoldsName(kProductList, "notmervo.exe"));
    EXPECT_FALSE(ListHoldsName(kProductList, "mervo.exe.backup"));
    EXPECT_FALSE(ListHoldsName(kProductList, "my-qztrans.exe-helper"));
    EXPECT_FALSE(ListHoldsName(kProductList, "mervo"));
    EXPECT_FALSE(ListHoldsName(kProductList, "qzmini.exe|mervo.exe"));
    // The name is compared as given; lower-casing it is the caller's job.
    EXPECT_FALSE(ListHoldsName(kProductList, "MERVO.EXE"));
    EXPECT_FALSE(ListHoldsName("Mervo.exe", "mervo.exe"));
    // Empty entries and an empty list match nothing, not even a nameless process.
    EXPECT_FALSE(ListHoldsName("", "mervo.exe"));
    EXPECT_FALSE(ListHoldsName("", ""));
    EXPECT_FALSE(ListHoldsName("||mervo.exe|", ""));
    EXPECT_TRUE(ListHoldsName("||mervo.exe|", "mervo.exe"));
}

// Tests run side by side in separate processes, and a pass ends every matching process of the
// user. So only the first test uses the product's list and names; the others use a name and a
// list of their own that nothing else matches.
class KillProcesses : public testing_support::SystemRootTest {
protected:
    void TearDown() override {
        winapi::ShowAllBuiltins();
        ResetProcessApiBindings();
    }
    // A product-like name only this test process uses, and the list that matches it.
    const AnsiString ownName = "probe" + std::to_string(getpid()) + ".exe";
    const AnsiString ownList = "nothing.exe|" + ownName;
    NamedProcesses processes{systemRoot.Folder()};
};

TEST_F(KillProcesses, OnlyProcessesNamedExactlyAsAnEntryAreTerminated) {
    const pid_t product = processes.Start("mervo.exe");
    const pid_t capitals = processes.Start("MervoTips.EXE");
    const std::vector<pid_t> others = {
        processes.Start("mervo.bin"), processes.Start("notmervo.exe"),
        processes.Start("mervo.exe.backup"), processes.Start("my-qztrans.exe-helper")};
    EXPECT_EQ(KillProcessesByName(kProductList), -1);
    EXPECT_EQ(processes.Reap(product), SIGKILL);
    EXPECT_EQ(processes.Reap(capitals), SIGKILL);
    for (pid_t other : others)
        EXPECT_TRUE(processes.Running(other)) << other;
    EXPECT_EQ(KillProcessesByName(kProductList), 0);
}

TEST_F(KillProcesses, NothingMatchingMeansZero) {
    const pid_t other = processes.Start("other" + ownName);
    EXPECT_EQ(KillProcessesByName(ownList), 0);
    EXPECT_EQ(KillProcessesByName(""), 0);
    EXPECT_TRUE(processes.Running(other));
}

TEST_F(KillProcesses, OnlyWindowsProgramsOfThisSystemRootAreTerminated) {
    // Wine's loader runs the program with its Windows path in argv[0], in the prefix its
    // environment names.
    const std::string windowsPath = "C:\\Program Files\\Vostrel\\" + ownName;
    auto startUnderWine = [&](const NamedProcesses::Environment& environment) {
        return processes.Start("wine64", windowsPath, 0, environment);
    };
    const std::string otherRoot = systemRoot.Folder() + "/other-prefix";
    std::filesystem::create_directories(otherRoot);
    const std::string home = systemRoot.Folder() + "/home";
    std::filesystem::create_directories(home);
    std::filesystem::create_directory_symlink(systemRoot.Root(), home + "/.wine");

    const pid_t ours = startUnderWine({});
    const pid_t oursByAnotherSpelling = startUnderWine({"WINEPREFIX=" + home + "/.wine/"});
    const pid_t oursThroughHome = startUnderWine({"WINEPREFIX", "HOME=" + home});
    const pid_t otherRootsOwn = startUnderWine({"WINEPREFIX=" + otherRoot});
    const pid_t otherHomes = startUnderWine({"WINEPREFIX", "HOME=" + otherRoot});
    const pid_t missingRoot = startUnderWine({"WINEPREFIX=" + otherRoot + "/gone"});
    const pid_t relativeRoot = startUnderWine({"WINEPREFIX=other-prefix"});

    EXPECT_EQ(KillProcessesByName(ownList), -1);
    EXPECT_EQ(processes.Reap(ours), SIGKILL);
    EXPECT_EQ(processes.Reap(oursByAnotherSpelling), SIGKILL);
    EXPECT_EQ(processes.Reap(oursThroughHome), SIGKILL);
    for (pid_t other : {otherRootsOwn, otherHomes, missingRoot, relativeRoot})
        EXPECT_TRUE(processes.Running(other)) << other;
    EXPECT_EQ(KillProcessesByName(ownList), 0);
}

TEST_F(KillProcesses, WithoutPsapiNothingIsTerminated) {
    const pid_t product = processes.Start(ownName);
    winapi::HideBuiltinModule("PSAPI.dll");
    ResetProcessApiBindings();
    EXPECT_EQ(KillProcessesByName(ownList), 0);
    EXPECT_TRUE(processes.Running(product));
    // PSAPI there but without the entry point: the same.
    winapi::ShowAllBuiltins();
    winapi::HideBuiltinExport("PSAPI.dll", "GetModuleFileNameExA");
    ResetProcessApiBindings();
    EXPECT_EQ(KillProcessesByName(ownList), 0);
    EXPECT_TRUE(processes.Running(product));
}

TEST_F(KillProcesses, WithoutToolHelpNoProcessIsListed) {
    const pid_t product = processes.Start(ownName);
    winapi::HideBuiltinExport("kernel32.dll", "CreateToolhelp32Snapshot");
    ResetProcessApiBindings();
    EXPECT_EQ(KillProcessesByName(ownList), 0);
    winapi::ShowAllBuiltins();
    winapi::HideBuiltinModule("kernel32.dll");
    ResetProcessApiBindings();
    EXPECT_EQ(KillProcessesByName(ownList), 0);
    EXPECT_TRUE(processes.Running(product));
    // Once kernel32 answers again, the binding is made on the next pass.
    winapi::ShowAllBuiltins();
    EXPECT_EQ(KillProcessesByName(ownList), -1);
    EXPECT_EQ(processes.Reap(product), SIGKILL);
}

TEST_F(KillProcesses, AnotherUsersProcessIsLeftRunning) {
    if (getuid() != 0)
        GTEST_SKIP() << "starting another user's process needs root";
    const pid_t foreign = processes.Start(ownName, "", 65534);
    EXPECT_EQ(KillProcessesByName(ownList), 0);
    EXPECT_TRUE(processes.Running(foreign));
}

// Run only by the test below, in a copy of this program whose name the list matches.
TEST(SelfKill, APassSkipsItsOwnProcess) {
    const char* list = std::getenv("SELF_KILL_LIST");
    if (!list)
        GTEST_SKIP() << "run by KillProcesses.TheInstallerNeverTerminatesItself";
    EXPECT_EQ(KillProcessesByName(list), 0);
}

TEST_F(KillProcesses, TheInstallerNeverTerminatesItself) {
    const std::string copy = systemRoot.Folder() + "/" + ownName;
    std::filesystem::copy_file("/proc/self/exe", copy);
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("SELF_KILL_LIST", ownList.c_str(), 1);
        execl(copy.c_str(), copy.c_str(), "--gtest_filter=SelfKill.*", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// The message loop of a Qt application on the offscreen platform.
class Pumping : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "setup_tests";
        static char* argv[] = {name, nullptr};
        application = new TApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete application;
        application = nullptr;
    }

    // Posts a message whose handling counts itself.
    void Post() {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this] { ++handled; }, Qt::QueuedConnection);
    }

    static TApplication* application;
    int handled = 0;
};

TApplication* Pumping::application = nullptr;

TEST_F(Pumping, AWaitOfZeroProcessesNothing) {
    TestClock clock;
    Post();
    WaitPumping(0);
    EXPECT_EQ(handled, 0);
    EXPECT_TRUE(clock.Sleeps().empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 1);
}

TEST_F(Pumping, MessagesAreHandledEveryMillisecondOfTheWait) {
    TestClock clock;
    // A message arrives during every sleep and is handled by the next pump.
    clock.OnSleep([this](DWORD) { Post(); });
    Post();
    WaitPumping(1000);
    EXPECT_EQ(clock.Sleeps(), std::vector<DWORD>(1000, 1));
    EXPECT_EQ(handled, 1000); // the first one, and those of the first 999 sleeps
}

TEST_F(Pumping, TheWaitIsRightWhenTheTickCountWrapsAround) {
    TestClock clock(0xFFFFFF00);
    WaitPumping(1000);
    EXPECT_EQ(clock.TotalSlept(), 1000u);
}

} // namespace
