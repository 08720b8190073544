#include "support/TempSystemRoot.h"
#include "winapi/Gbk.h"

#include "winapi/ProgramStarter.h"
#include "winapi/SystemRoot.h"
#include "winapi/shell32.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

namespace {

class RecordingStarter : public winapi::ProgramStarter {
public:
    int Start(const winapi::ProgramStart& start) override {
        starts.push_back(start);
        return 0;
    }
    std::vector<winapi::ProgramStart> starts;
};

class ShellExecute : public testing_support::SystemRootTest {
protected:
    void SetUp() override {
        if (const char* path = std::getenv("PATH"))
            savedPath_ = path;
        bin_ = systemRoot.Folder() + "/bin";
        fs::create_directories(bin_);
        setenv("PATH", bin_.c_str(), 1);
        winapi::SetProgramStarter(&recorder);
    }
    void TearDown() override {
        winapi::SetProgramStarter(nullptr);
        setenv("PATH", savedPath_.c_str(), 1);
    }

    // An executable file; a Windows one starts with "MZ".
    std::string MakeProgram(const std::string& linuxPath, const std::string& content) {
        WriteLinuxFile(linuxPath, content);
        fs::permissions(linuxPath, fs::perms::owner_all);
        return linuxPath;
    }
    std::string InstallWine() { return MakeProgram(bin_ + "/wine", "#!/bin/sh\n"); }

    std::string Windows(const std::string& linuxPath) {
        return winapi::ToWindowsPath(linuxPath).value_or("?");
    }

    static std::intptr_t Code(HINSTANCE result) { return reinterpret_cast<std::intptr_t>(result); }

    RecordingStarter recorder;
    std::string bin_;

private:
    std::string savedPath_;
};

using Arguments = std::vector<std::string>;

TEST_F(ShellExecute, ANativeProgramGetsTheParametersSplitTheWindowsWay) {
    const std::string tool = MakeProgram(systemRoot.Folder() + "/tool", "#!/bin/sh\n");
    const std::string parameters = "/s \"C:\\Program Files\\x.dll\" a\\\\\"b c\" d\\\"e \"f\"\"g\"";
    EXPECT_GT(Code(ShellExecuteA(nullptr, "open", Windows(tool).c_str(), parameters.c_str(),
                                 nullptr, SW_SHOWNORMAL)),
              32);
    ASSERT_EQ(recorder.starts.size(), 1u);
    const winapi::ProgramStart& start = recorder.starts[0];
    EXPECT_EQ(start.program, tool);
    EXPECT_EQ(start.arguments,
              (Arguments{tool, "/s", "C:\\Program Files\\x.dll", "a\\b c", "d\"e", "f\"g"}));
    EXPECT_EQ(start.showCommand, SW_SHOWNORMAL);
    EXPECT_TRUE(start.workingFolder.empty());
    ASSERT_EQ(start.environment.size(), 1u);
    EXPECT_EQ(start.environment[0].first, "WINEPREFIX");
    EXPECT_EQ(start.environment[0].second, systemRoot.Root());
}

TEST_F(ShellExecute, ChineseParametersKeepTheirBackslashBytes) {
    const std::string tool = MakeProgram(systemRoot.Folder() + "/tool", "#!/bin/sh\n");
    // The second byte of 淺 is 0x5C, which is no backslash escaping the quote after it.
    const std::string parameters = "\"" + gbk::Literal("C:\\淺") + "\" " + gbk::Literal("淺");
    ShellExecuteA(nullptr, nullptr, Windows(tool).c_str(), parameters.c_str(), nullptr, 1);
    ASSERT_EQ(recorder.starts.size(), 1u);
    EXPECT_EQ(recorder.starts[0].arguments, (Arguments{tool, "C:\\淺", "淺"}));
}

TEST_F(ShellExecute, AWindowsProgramRunsUnderWine) {
    const std::string wine = InstallWine();
    const std::string product = systemRoot.LinuxPath("C:\\Program Files\\Vostrel\\mervo.exe");
    MakeProgram(product, "MZ program");
    EXPECT_GT(Code(ShellExecuteA(nullptr, nullptr, "C:\\Program Files\\Vostrel\\mervo.exe", nullptr,
                                 "C:\\Program Files", SW_SHOWNORMAL)),
              32);
    ASSERT_EQ(recorder.starts.size(), 1u);
    EXPECT_EQ(recorder.starts[0].program, wine);
    EXPECT_EQ(recorder.starts[0].arguments, (Arguments{wine, product}));
    EXPECT_EQ(recorder.starts[0].workingFolder, systemRoot.DriveC() + "/Program Files");
}

TEST_F(ShellExecute, WithoutWineAWindowsProgramCannotStart) {
    MakeProgram(systemRoot.LinuxPath("C:\\mervo.exe"), "MZ program");
    EXPECT_EQ(Code(ShellExecuteA(nullptr, nullptr, "C:\\mervo.exe", nullptr, nullptr, 1)),
              SE_ERR_NOASSOC);
    EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", "Regsvr32.exe", "/s \"C:\\a.dll\"", nullptr, 1)),
              SE_ERR_FNF);
    EXPECT_TRUE(recorder.starts.empty());
}

TEST_F(ShellExecute, Regsvr32IsWinesOwnWhenNoFolderHasIt) {
    const std::string wine = InstallWine();
    ShellExecuteA(nullptr, "open", "Regsvr32.exe", "/s \"C:\\Program Files\\Vostrel\\npmervo.dll\"",
                  nullptr, SW_SHOWNORMAL);
    ASSERT_EQ(recorder.starts.size(), 1u);
    EXPECT_EQ(recorder.starts[0].arguments,
              (Arguments{wine, "Regsvr32.exe", "/s", "C:\\Program Files\\Vostrel\\npmervo.dll"}));
}

TEST_F(ShellExecute, ABareNameIsFoundInTheSystemFolderWithoutRegardToCase) {
    const std::string wine = InstallWine();
    const std::string regsvr32 =
        MakeProgram(systemRoot.DriveC() + "/windows/system32/regsvr32.exe", "MZ stub");
    ShellExecuteA(nullptr, "open", "Regsvr32.exe", "/s x.dll", nullptr, SW_SHOWNORMAL);
    ASSERT_EQ(recorder.starts.size(), 1u);
    EXPECT_EQ(recorder.starts[0].arguments, (Arguments{wine, regsvr32, "/s", "x.dll"}));
    // A native program on the PATH is found the same way and run directly.
    const std::string native = MakeProgram(bin_ + "/Helper", "#!/bin/sh\n");
    ShellExecuteA(nullptr, nullptr, "helper", nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_EQ(recorder.starts.size(), 2u);
    EXPECT_EQ(recorder.starts[1].arguments, (Arguments{native}));
}

TEST_F(ShellExecute, ADocumentOpensWithTheDesktopsOpener) {
    const std::string document = systemRoot.DriveC() + "/readme.txt";
    WriteLinuxFile(document, "text");
    EXPECT_EQ(Code(ShellExecuteA(nullptr, nullptr, "C:\\readme.txt", nullptr, nullptr, 1)),
              SE_ERR_NOASSOC);
    const std::string opener = MakeProgram(bin_ + "/xdg-open", "#!/bin/sh\n");
    EXPECT_GT(Code(ShellExecuteA(nullptr, nullptr, "C:\\README.TXT", "ignored", nullptr, 1)), 32);
    ASSERT_EQ(recorder.starts.size(), 1u);
    EXPECT_EQ(recorder.starts[0].arguments, (Arguments{opener, document}));
}

TEST_F(ShellExecute, FailuresAreOnlyReturnValues) {
    InstallWine();
    MakeProgram(systemRoot.DriveC() + "/tool", "#!/bin/sh\n");
    EXPECT_EQ(Code(ShellExecuteA(nullptr, nullptr, "C:\\missing.exe", nullptr, nullptr, 1)),
              SE_ERR_FNF);
    EXPECT_EQ(Code(ShellExecuteA(nullptr, nullptr, "relative\\tool", nullptr, nullptr, 1)),
              SE_ERR_FNF);
    EXPECT_EQ(Code(ShellExecuteA(nullptr, nullptr, "C:\\tool", nullptr, "C:\\Missing", 1)),
              SE_ERR_PNF);
    EXPECT_EQ(Code(ShellExecuteA(nullptr, "print", "C:\\tool", nullptr, nullptr, 1)),
              SE_ERR_NOASSOC);
    EXPECT_EQ(Code(ShellExecuteA(nullptr, nullptr, nullptr, nullptr, nullptr, 1)), SE_ERR_FNF);
    EXPECT_TRUE(recorder.starts.empty());
}

TEST_F(ShellExecute, ARealStartRunsDetachedWithItsArguments) {
    winapi::SetProgramStarter(nullptr);
    setenv("PATH", "/usr/bin:/bin", 1); // for the script's own tools
    const std::string marker = systemRoot.Folder() + "/marker";
    const std::string tool =
        MakeProgram(systemRoot.Folder() + "/tool",
                    "#!/bin/sh\nprintf '%s|' \"$@\" \"$PWD\" \"$WINEPREFIX\" > '" + marker +
                        ".tmp'\nmv '" + marker + ".tmp' '" + marker + "'\n");
    EXPECT_GT(Code(ShellExecuteA(nullptr, nullptr, Windows(tool).c_str(), "\"a b\" $HOME `x`",
                                 "C:\\", SW_SHOWNORMAL)),
              32);
    std::optional<std::string> written;
    for (int i = 0; i < 10000 && !written; ++i) {
        written = ReadLinuxFile(marker);
        if (!written)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(written, "a b|$HOME|`x`|" + systemRoot.DriveC() + "|" + systemRoot.Root() + "|");

    // An executable whose interpreter is missing fails in exec, and that is reported.
    const std::string broken = MakeProgram(systemRoot.Folder() + "/broken", "#!/missing/sh\n");
    EXPECT_EQ(Code(ShellExecuteA(nullptr, nullptr, Windows(broken).c_str(), nullptr, nullptr, 1)),
              SE_ERR_FNF);
}

} // namespace
