#include "setup/IntegrityCheck.h"

#include "support/BrokenCopies.h"
#include "support/TempSystemRoot.h"
#include "winapi/FileDescriptor.h"
#include "winapi/ResourcePack.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    bool exited = false; // ended by itself within the wait
    int status = 0;      // waitpid status when it ended
    std::string stderrText;
};

// Runs the executable with arguments without a display on Qt's offscreen platform for at most
// `wait`; one still running then is ended and reported as not exited.
Outcome RunWithoutDisplay(const std::string& executable, const std::string& stderrFile,
                          std::chrono::milliseconds wait,
                          const std::vector<std::string>& arguments = {}) {
    std::vector<char*> argv{const_cast<char*>(executable.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(stderrFile.c_str(), "w", stderr))
            _exit(126);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execv(executable.c_str(), argv.data());
        _exit(127);
    }
    Outcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, &outcome.status, WNOHANG) == pid) {
            outcome.exited = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!outcome.exited) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    outcome.stderrText = testing_support::ReadLinuxFile(stderrFile).value_or("");
    return outcome;
}

class IntegrityCheck : public testing_support::SystemRootTest {
protected:
    // A copy of the built installer in the temporary folder, away from its build folder.
    std::string Copy(const char* name) {
        const std::string copy = systemRoot.Folder() + "/" + name;
        testing_support::CopyExecutable(VOSTREL_SETUP_EXECUTABLE, copy);
        return copy;
    }
    std::string StderrFile() const { return systemRoot.Folder() + "/stderr"; }
    // Nothing of an install: no system root, and an empty home.
    void ExpectNothingWritten() const {
        EXPECT_FALSE(fs::exists(systemRoot.Root()));
        EXPECT_TRUE(!fs::exists(systemRoot.Home()) || fs::is_empty(systemRoot.Home()));
    }
    // No file in the system root or the home: the options window may have made the root's
    // empty standard folders, but no install step has run.
    void ExpectNoFileWritten() const {
        for (const std::string& folder : {systemRoot.Root(), systemRoot.Home()}) {
            if (!fs::exists(folder))
                continue;
            for (const auto& item : fs::recursive_directory_iterator(folder))
                EXPECT_FALSE(item.is_regular_file()) << item.path();
        }
    }
};

// The running test program is whole, and its measure says so.
TEST_F(IntegrityCheck, AWholeFileMeasuresAtLeastWhatItNeeds) {
    const ExecutableExtent extent = MeasureRunningExecutable();
    EXPECT_GT(extent.expected, 0u);
    EXPECT_GE(extent.found, extent.expected);
    EXPECT_TRUE(EnsureCompleteExecutable());
}

TEST_F(IntegrityCheck, MessageNamesBothSizes) {
    EXPECT_EQ(IncompleteExecutableMessage({1000, 2048}),
              "安装程序已损坏或不完整，请重新下载。文件大小为 1000 字节，应为 2048 字节。");
}

// Copies cut by one byte, by 1 MB and to half: the message with both sizes, the damaged-payload
// exit code, no signal, nothing written.
TEST_F(IntegrityCheck, AFileCutShortSaysSoAndWritesNothing) {
    const std::uint64_t whole = fs::file_size(VOSTREL_SETUP_EXECUTABLE);
    for (const std::uint64_t size : {whole - 1, whole - (1u << 20), whole / 2}) {
        SCOPED_TRACE(size);
        const std::string copy = Copy("cut");
        fs::resize_file(copy, size);
        const Outcome outcome = RunWithoutDisplay(copy, StderrFile(), std::chrono::seconds(30));
        ASSERT_TRUE(outcome.exited);
        EXPECT_FALSE(WIFSIGNALED(outcome.status)) << "ended by signal " << WTERMSIG(outcome.status);
        EXPECT_TRUE(WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == kExitPayloadDamaged)
            << outcome.status;
        EXPECT_EQ(outcome.stderrText,
                  "VostrelSetup: " + IncompleteExecutableMessage({size, whole}) + "\n");
        ExpectNothingWritten();
    }
}

// A copy with one byte flipped in the middle of each resource in turn: the message naming it,
// nothing written. The message box that follows cannot be answered offscreen, so the exit
// code after it is not seen here.
TEST_F(IntegrityCheck, AFlippedByteInAnyResourceIsNamed) {
    const std::vector<testing_support::ResourceInFile> resources =
        testing_support::ResourcesIn(VOSTREL_SETUP_EXECUTABLE);
    ASSERT_GE(resources.size(), 5u); // three window descriptions, payload, library
    for (const testing_support::ResourceInFile& resource : resources) {
        SCOPED_TRACE(resource.name);
        const std::string copy = Copy("flipped");
        testing_support::FlipByte(copy, resource.offset + resource.size / 2);
        const std::string expected =
            "VostrelSetup: " + DamagedResourceMessage(resource.name) + "\n";
        Outcome outcome;
        for (int wait = 0; wait < 30 && outcome.stderrText.find(expected) == std::string::npos;
             ++wait)
            outcome = RunWithoutDisplay(copy, StderrFile(), std::chrono::seconds(wait + 1));
        EXPECT_NE(outcome.stderrText.find(expected), std::string::npos) << outcome.stderrText;
        EXPECT_FALSE(outcome.exited && WIFSIGNALED(outcome.status));
        ExpectNoFileWritten();
    }
}

// A stripped copy elsewhere is whole: its unattended install, which waits for the check's
// answer before it writes anything, passes the check and installs.
TEST_F(IntegrityCheck, AStrippedCopyElsewhereInstalls) {
    const std::string copy = Copy("stripped");
    ASSERT_EQ(std::system(("strip '" + copy + "'").c_str()), 0);
    ASSERT_LT(fs::file_size(copy), fs::file_size(VOSTREL_SETUP_EXECUTABLE));
    const Outcome outcome =
        RunWithoutDisplay(copy, StderrFile(), std::chrono::minutes(3), {"/VERYSILENT"});
    ASSERT_TRUE(outcome.exited) << outcome.stderrText;
    EXPECT_TRUE(WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == kExitInstalled)
        << "ended with status " << outcome.status << ": " << outcome.stderrText;
    EXPECT_EQ(outcome.stderrText.find("安装程序已损坏"), std::string::npos);
}

// A written copy of a carried resource is taken only with exactly its bytes: one changed,
// added or missing byte, or a name the program does not carry, is refused.
TEST_F(IntegrityCheck, AWrittenCopyHoldsTheResourceOnlyWithExactlyItsBytes) {
    const winapi::PackedResource resource = winapi::PackedResources().front();
    const std::string bytes(static_cast<const char*>(resource.data), resource.entry->size);
    std::string flipped = bytes;
    flipped[flipped.size() / 2] ^= 0x01;
    std::string lowerName = resource.name;
    for (char& c : lowerName)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const struct {
        const char* what;
        std::string content;
        std::string name;
        bool holds;
    } cases[] = {
        {"the same bytes", bytes, resource.name, true},
        {"the name in other case", bytes, lowerName, true},
        {"a byte changed", flipped, resource.name, false},
        {"a byte added", bytes + "x", resource.name, false},
        {"a byte missing", bytes.substr(1), resource.name, false},
        {"a name not carried", bytes, "NOSUCH", false},
    };
    const std::string path = systemRoot.Folder() + "/copy";
    for (const auto& [what, content, name, holds] : cases) {
        testing_support::WriteLinuxFile(path, content);
        const winapi::FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
        EXPECT_EQ(HoldsCarriedResource(file.Get(), name), holds) << what;
    }
}

} // namespace
