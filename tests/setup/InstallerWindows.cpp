#include "InstallerWindows.h"

#include "setup/InstallLock.h"
#include "setup/InstallTransaction.h"

#include "setup/FinishWindow.h"
#include "setup/OptionsWindow.h"
#include "setup/ProgressWindow.h"
#include "setup/StartUp.h"

#include "rtl/Control.h"

#include "support/QtTestApplication.h"

#include <QWidget>
#include <fcntl.h>

namespace testing_support {

QAccessibleInterface* ExpectAccessible(TControl* control, QAccessible::Role role,
                                       const char* name) {
    QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(control->AccessibleWidget());
    EXPECT_NE(seen, nullptr) << name;
    if (!seen)
        return nullptr;
    EXPECT_EQ(seen->role(), role) << name;
    EXPECT_EQ(seen->text(QAccessible::Name), QString::fromUtf8(name));
    return seen;
}

namespace {
int g_argc = 1;
char g_name[] = "setup_tests";
char* g_argv[] = {g_name, nullptr};
} // namespace

InstallerWindowsTest::InstallerWindowsTest() {
    EnsureQtApplication();
    app = std::make_unique<TApplication>(g_argc, g_argv);
    auto scripted = std::make_unique<ScriptedDialogService>();
    dialogs = scripted.get();
    app->SetDialogs(std::move(scripted));
    CreateSetupWindows();
}

void EndTestInstaller(std::unique_ptr<TApplication>& app) {
    app.reset();
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
    InstallTransaction().Rollback();
    UnlockInstall();
    HeldPayload().reset();
}

InstallerWindowsTest::~InstallerWindowsTest() {
    EndTestInstaller(app);
}

TPayloadFiles HoldPlacedPayload(const std::string& folder) {
    return TPayloadFiles(
        winapi::FileDescriptor(open((folder + "/Vostrel.7z").c_str(), O_RDONLY | O_CLOEXEC)),
        winapi::FileDescriptor(open((folder + "/7z.dll").c_str(), O_RDONLY | O_CLOEXEC)));
}

void InstallerWindowsTest::ExpectNoInstallHandedOver() {
    EXPECT_EQ(Form2->DesktopShortcutOption, "");
    EXPECT_EQ(Form2->QuickLaunchOption, "");
    EXPECT_EQ(Form2->AutoStartOption, "");
    EXPECT_EQ(Form2->InstallDir, "");
    EXPECT_FALSE(Form2->TimerStartDownload->Enabled());
}

} // namespace testing_support
