// The command line's install run in this process: /VERYSILENT builds no window at all, /SILENT
// only the progress window, and both go through the same install action as the options
// window. The stand-in archive this program carries cannot be unpacked, so each run stops at
// the extraction, and the install's rollback takes away the payload the install action wrote.
#include "InstallerWindows.h"
#include "setup/CommandLine.h"
#include "setup/FinishWindow.h"
#include "setup/InstallLock.h"
#include "setup/InstallTransaction.h"
#include "setup/OptionsWindow.h"
#include "setup/ProgressWindow.h"
#include "setup/UnattendedInstall.h"

#include "rtl/Application.h"
#include "rtl/Form.h"
#include "rtl/ScriptedDialogService.h"
#include "support/LockHolder.h"
#include "support/QtTestApplication.h"
#include "support/TempSystemRoot.h"
#include "support/TestClock.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace {

int g_argc = 1;
char g_name[] = "options_window_tests";
char* g_argv[] = {g_name, nullptr};

const AnsiString kFolder = "C:\\Apps\\Talvimo\\";

class UnattendedRun : public testing_support::SystemRootTest {
protected:
    UnattendedRun() {
        testing_support::EnsureQtApplication();
        app = std::make_unique<TApplication>(g_argc, g_argv);
        auto scripted = std::make_unique<ScriptedDialogService>();
        dialogs = scripted.get();
        app->SetDialogs(std::move(scripted));
    }
    ~UnattendedRun() override { testing_support::EndTestInstaller(app); }

    int Run(TCommandLine::Mode mode) {
        TCommandLine line;
        line.mode = mode;
        line.installDir = kFolder;
        return RunUnattendedInstall(line);
    }

    // The class names of the windows the application owns, in creation order.
    std::vector<std::string_view> Windows() const {
        std::vector<std::string_view> names;
        for (int i = 0; i < app->ComponentCount(); ++i)
            if (const auto* form = dynamic_cast<const TCustomForm*>(app->Components(i)))
                names.push_back(form->ClassName());
        return names;
    }

    // The failed install left nothing: not its folder, nor its record in the system root.
    bool NothingLeft() {
        return !std::filesystem::exists(systemRoot.LinuxPath(kFolder)) &&
               !std::filesystem::exists(systemRoot.Root() + "/talvimo-install.journal");
    }

    testing_support::TestClock clock;
    std::unique_ptr<TApplication> app;
    ScriptedDialogService* dialogs = nullptr;
};

TEST_F(UnattendedRun, VerySilentBuildsNoWindow) {
    EXPECT_EQ(Run(TCommandLine::Mode::VerySilent), kExitInstallFailed);
    EXPECT_TRUE(NothingLeft());
    EXPECT_TRUE(Windows().empty());
    EXPECT_EQ(Form1, nullptr);
    EXPECT_EQ(Form2, nullptr);
    EXPECT_EQ(Form3, nullptr);
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(UnattendedRun, SilentBuildsOnlyTheProgressWindow) {
    EXPECT_EQ(Run(TCommandLine::Mode::Silent), kExitInstallFailed);
    EXPECT_TRUE(NothingLeft());
    EXPECT_EQ(Windows(), std::vector<std::string_view>{"TForm2"});
    ASSERT_NE(Form2, nullptr);
    EXPECT_EQ(Form2->InstallDir, kFolder);
    EXPECT_EQ(Form2->DesktopShortcutOption, "1");
    // The progress window showed the extraction's error itself.
    EXPECT_EQ(dialogs->messages.size(), 1u);
}

// The install action refuses while another installer holds the lock, writing nothing, and
// the exit code says so.
TEST_F(UnattendedRun, AnInstallHeldByAnotherProcessEndsWithItsCode) {
    const testing_support::LockHolder other([] { TryLockInstall(); });
    ASSERT_TRUE(other.Holding());
    EXPECT_EQ(Run(TCommandLine::Mode::VerySilent), kExitInstallRunning);
    EXPECT_FALSE(std::filesystem::exists(systemRoot.LinuxPath(kFolder)));
    EXPECT_TRUE(Windows().empty());
}

} // namespace
