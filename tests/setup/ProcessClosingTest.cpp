#include "support/NamedProcesses.h"
#include "support/TempSystemRoot.h"
#include "support/TestClock.h"

#include "rtl/Application.h"
#include "setup/ProcessClosing.h"

#include <BuiltinModules.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>

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

class KillProcesses : public testing_support::SystemRootTest {
protected:
    void TearDown() override {
        winapi::ShowAllBuiltins();
        ResetProcessApiBindings();
    }
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
    // Nothing matching is left: the next pass terminates nothing.
    EXPECT_EQ(KillProcessesByName(kProductList), 0);
    EXPECT_TRUE(processes.Running(other));
}

TEST_F(KillProcesses, NothingRunningMeansZero) {
    const pid_t other = processes.Start("player.exe");
    EXPECT_EQ(KillProcessesByName(kProductList), 0);
    EXPECT_EQ(KillProcessesByName(""), 0);
    EXPECT_TRUE(processes.Running(other));
}

TEST_F(KillProcesses, WithoutPsapiNothingIsTerminated) {
    const pid_t product = processes.Start("mervo.exe");
    winapi::HideBuiltinModule("PSAPI.dll");
    ResetProcessApiBindings();
    EXPECT_EQ(KillProcessesByName(kProductList), 0);
    EXPECT_TRUE(processes.Running(product));
    // PSAPI there but without the entry point: the same.
    winapi::ShowAllBuiltins();
    winapi::HideBuiltinExport("PSAPI.dll", "GetModuleFileNameExA");
    ResetProcessApiBindings();
    EXPECT_EQ(KillProcessesByName(kProductList), 0);
    EXPECT_TRUE(processes.Running(product));
}

TEST_F(KillProcesses, WithoutToolHelpNoProcessIsListed) {
    const pid_t product = processes.Start("mervo.exe");
    winapi::HideBuiltinExport("kernel32.dll", "CreateToolhelp32Snapshot");
    ResetProcessApiBindings();
    EXPECT_EQ(KillProcessesByName(kProductList), 0);
    winapi::ShowAllBuiltins();
    winapi::HideBuiltinModule("kernel32.dll");
    ResetProcessApiBindings();
    EXPECT_EQ(KillProcessesByName(kProductList), 0);
    EXPECT_TRUE(processes.Running(product));
    // Once kernel32 answers again, the binding is made on the next pass.
    winapi::ShowAllBuiltins();
    EXPECT_EQ(KillProcessesByName(kProductList), -1);
}

TEST_F(KillProcesses, AnotherUsersProcessIsLeftRunning) {
    if (getuid() != 0)
        GTEST_SKIP() << "starting another user's process needs root";
    const pid_t foreign = processes.Start("mervo.exe", "", 65534);
    EXPECT_EQ(KillProcessesByName(kProductList), 0);
    EXPECT_TRUE(processes.Running(foreign));
}

TEST_F(KillProcesses, TheInstallerNeverTerminatesItself) {
    const AnsiString self = std::filesystem::read_symlink("/proc/self/exe").filename().string();
    EXPECT_EQ(KillProcessesByName(self), 0);
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
