#include "InstallerWindows.h"

#include "setup/StartUp.h"
#include "setup/Unit1.h"
#include "setup/Unit2.h"
#include "setup/Unit3.h"

#include "support/QtTestApplication.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace testing_support {

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

InstallerWindowsTest::~InstallerWindowsTest() {
    app.reset();
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
}

void Make7zArchive(const std::string& archive,
                   const std::vector<std::pair<std::string, std::string>>& files,
                   const std::string& password) {
    const std::string staging = archive + ".files";
    fs::create_directories(staging);
    std::string names;
    for (const auto& [name, content] : files) {
        WriteLinuxFile(staging + "/" + name, content);
        names += " '" + name + "'";
    }
    fs::remove(archive);
    const std::string command = "cd '" + staging + "' && '" SEVENZIP_EXECUTABLE "' a -t7z -p'" +
                                password + "' -mhe=off -bd -bso0 -bsp0 '" + archive + "'" + names;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    fs::remove_all(staging);
}

} // namespace testing_support
