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

TEST(CountNameMatches, SumsThePositionsOfTheEntriesFoundInTheName) {
    EXPECT_EQ(CountNameMatches(kProductList, "mervo.exe"), 1);
    EXPECT_EQ(CountNameMatches(kProductList, "qzmini.exe"), 1);
    // A substring test: characters before or after the entry still match.
    EXPECT_EQ(CountNameMatches(kProductList, "oldmervo.exe"), 4);
    EXPECT_EQ(CountNameMatches(kProductList, "mervo.exe.bak"), 1);
    // mervotips.exe matches its own entry only: "mervo.exe" does not occur in it.
    EXPECT_EQ(CountNameMatches(kProductList, "mervotips.exe"), 1);
    EXPECT_EQ(CountNameMatches(kProductList, "qzmini.exe+mervo.exe"), 1 + 12);
    EXPECT_EQ(CountNameMatches(kProductList, "notepad.exe"), 0);
    // The name is compared as given; lower-casing it is the caller's job.
    EXPECT_EQ(CountNameMatches(kProductList, "MERVO.EXE"), 0);
    EXPECT_EQ(CountNameMatches("Mervo.exe", "mervo.exe"), 0);
    EXPECT_EQ(CountNameMatches("", "mervo.exe"), 0);
    EXPECT_EQ(CountNameMatches("||mervo.exe|", "xmervo.exe"), 2);
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

TEST_F(KillProcesses, AMatchingProcessIsTerminatedAndOthersSurvive) {
    const pid_t product = processes.Start("mervo.exe");
    const pid_t capitals = processes.Start("MervoTips.EXE");
    const pid_t other = processes.Start("mervo.bin");
    EXPECT_EQ(KillProcessesByName(kProductList), -1);
    EXPECT_EQ(processes.Reap(product), SIGKILL);
    EXPECT_EQ(processes.Reap(capitals), SIGKILL);
    EXPECT_TRUE(processes.Running(other));
}

TEST_F(KillProcesses, NothingMatchingMeansZero) {
    const pid_t other = processes.Start("other" + ownName);
    EXPECT_EQ(KillProcessesByName("nothing.exe|" + ownName + "x"), 0);
    EXPECT_EQ(KillProcessesByName(""), 0);
    EXPECT_TRUE(processes.Running(other));
    // The name only has to contain an entry.
    EXPECT_EQ(KillProcessesByName(ownList), -1);
    EXPECT_EQ(processes.Reap(other), SIGKILL);
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
