// The demo product's compiled programs run in a real Wine prefix (made by wineboot, with a
// temporary HOME): the plug-in registers its class, the player opens its window on a virtual X
// server, and the uninstaller removes exactly what a list made here names.
#include "PayloadLocations.h"
#include "RunProgram.h"
#include "support/TempSystemRoot.h"
#include "support/VirtualDisplay.h"

#include <gtest/gtest.h>

#include <QImage>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

const std::string kRunKey = R"(HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run)";
const std::string kUninstallKey =
    R"(HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Talvimo)";
const std::string kPluginClass = R"(HKCR\CLSID\{6A3C2F41-8B7D-4E59-9C1A-2D5E7F804B13})";

// Sets an environment variable for this process and restores the old value when destroyed.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A child process that runs until the test ends it.
class Background {
public:
    explicit Background(const std::vector<std::string>& arguments) {
        std::vector<char*> argv;
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
    }
    ~Background() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    // Waits for the process to end by itself; its exit code, or -1 on time-out.
    int Wait(std::chrono::seconds limit) {
        for (auto end = std::chrono::steady_clock::now() + limit;
             std::chrono::steady_clock::now() < end;
             std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
};

bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 150; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(100)))
        if (condition())
            return true;
    return false;
}

class ProductPrograms : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new testing_support::TempSystemRoot;
        fs::create_directories(folder_->Folder() + "/home");
        home_ = new ScopedVariable("HOME", folder_->Folder() + "/home");
        debug_ = new ScopedVariable("WINEDEBUG", "-all");
        ASSERT_EQ(RunProgram({"wine", "wineboot", "-i"}).exitCode, 0);
    }
    static void TearDownTestSuite() {
        RunProgram({"wineserver", "-k"});
        delete debug_;
        delete home_;
        delete folder_;
    }
    void SetUp() override {
        install_ = folder_->DriveC() + "/Vostrel";
        fs::remove_all(install_);
        fs::create_directories(install_ + "/Modules/codecs");
        for (const char* program : {"mervo.exe", "npmervo.dll", "UnInstall.exe"})
            fs::copy_file(fs::path(PRODUCT_DIR) / program, install_ + "/" + program);
        WriteLinuxFile(install_ + "/Modules/codecs/vdec01.dll", "codec");
    }
    void TearDown() override {
        RunProgram({"wineserver", "-w"});
        fs::remove_all(install_);
        RunProgram({"wine", "reg", "delete", kUninstallKey, "/f"});
        RunProgram({"wine", "reg", "delete", kPluginClass, "/f"});
    }

    static ProgramResult Wine(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "wine");
        return RunProgram(arguments);
    }
    static bool KeyExists(const std::string& key) {
        return Wine({"reg", "query", key}).exitCode == 0;
    }
    // The install's record: the product files, one folder, the two registry entries.
    void WriteList(const std::string& extra = {}) {
        WriteLinuxFile(install_ + "/UnInstall.lst",
                       "VostrelUninstallList 1\n"
                       "folder\tC:\\Vostrel\n"
                       "file\tC:\\Vostrel\\mervo.exe\n"
                       "file\tC:\\Vostrel\\npmervo.dll\n"
                       "file\tC:\\Vostrel\\UnInstall.exe\n"
                       "folder\tC:\\Vostrel\\Modules\n"
                       "folder\tC:\\Vostrel\\Modules\\codecs\n"
                       "file\tC:\\Vostrel\\Modules\\codecs\\vdec01.dll\n"
                       "regvalue\t" +
                           kRunKey +
                           "\tmervo\n"
                           "regkey\t" +
                           kUninstallKey + "\n" + extra);
        ASSERT_EQ(Wine({"reg", "add", kRunKey, "/v", "mervo", "/d", "x", "/f"}).exitCode, 0);
        ASSERT_EQ(Wine({"reg", "add", kUninstallKey, "/v", "DisplayName", "/d", "Talvimo", "/f"})
                      .exitCode,
                  0);
        ASSERT_EQ(Wine({"reg", "add", kUninstallKey, "/v", "UninstallString", "/d",
                        "C:\\Vostrel\\UnInstall.exe /S", "/f"})
                      .exitCode,
                  0);
    }
    std::vector<std::string> TempFiles() const {
        std::vector<std::string> names;
        for (const auto& user : fs::directory_iterator(folder_->DriveC() + "/users"))
            if (fs::is_directory(user.path() / "Temp"))
                for (const auto& entry : fs::directory_iterator(user.path() / "Temp"))
                    names.push_back(entry.path().filename().string());
        return names;
    }

    static testing_support::TempSystemRoot* folder_;
    static ScopedVariable* home_;
    static ScopedVariable* debug_;
    std::string install_;
};

testing_support::TempSystemRoot* ProductPrograms::folder_ = nullptr;
ScopedVariable* ProductPrograms::home_ = nullptr;
ScopedVariable* ProductPrograms::debug_ = nullptr;

TEST_F(ProductPrograms, ThePluginRegistersItsClassWithItsFullPathAndRemovesIt) {
    ASSERT_EQ(Wine({"regsvr32", "/s", "C:\\Vostrel\\npmervo.dll"}).exitCode, 0);
    const ProgramResult server = Wine({"reg", "query", kPluginClass + "\\InprocServer32"});
    EXPECT_NE(server.output.find("C:\\Vostrel\\npmervo.dll"), std::string::npos) << server.output;
    EXPECT_NE(server.output.find("ThreadingModel    REG_SZ    Apartment"), std::string::npos)
        << server.output;
    ASSERT_EQ(Wine({"regsvr32", "/u", "/s", "C:\\Vostrel\\npmervo.dll"}).exitCode, 0);
    EXPECT_FALSE(KeyExists(kPluginClass));
}

TEST_F(ProductPrograms, TheUninstallerRemovesWhatTheListNamesAndKeepsTheUsersFiles) {
    ASSERT_EQ(Wine({"regsvr32", "/s", "C:\\Vostrel\\npmervo.dll"}).exitCode, 0);
    WriteLinuxFile(install_ + "/Modules/notes.txt", "the user's");
    // Listed but made by someone else since: a subkey keeps the uninstall key.
    WriteList();
    EXPECT_EQ(Wine({"C:\\Vostrel\\UnInstall.exe", "/S"}).exitCode, 0);
    RunProgram({"wineserver", "-w"}); // the temporary copy finishes the job

    EXPECT_FALSE(fs::exists(install_ + "/mervo.exe"));
    EXPECT_FALSE(fs::exists(install_ + "/npmervo.dll"));
    EXPECT_FALSE(fs::exists(install_ + "/UnInstall.exe"));
    EXPECT_FALSE(fs::exists(install_ + "/UnInstall.lst"));
    EXPECT_FALSE(fs::exists(install_ + "/Modules/codecs"));
    EXPECT_EQ(ReadLinuxFile(install_ + "/Modules/notes.txt"), "the user's");
    EXPECT_TRUE(fs::is_directory(install_)); // holds the user's folder
    EXPECT_EQ(TempFiles(), std::vector<std::string>{});
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_FALSE(KeyExists(kPluginClass));
    EXPECT_EQ(Wine({"reg", "query", kRunKey, "/v", "mervo"}).exitCode, 1);
}

TEST_F(ProductPrograms, WinesAddRemoveProgramsRemovesTheWholeInstall) {
    WriteList();
    ASSERT_NE(Wine({"uninstaller", "--list"}).output.find("Talvimo"), std::string::npos);
    EXPECT_EQ(Wine({"uninstaller", "--remove", "Talvimo"}).exitCode, 0);
    RunProgram({"wineserver", "-w"});
    EXPECT_FALSE(fs::exists(install_));
    EXPECT_EQ(Wine({"uninstaller", "--list"}).output.find("Talvimo"), std::string::npos);
    EXPECT_EQ(TempFiles(), std::vector<std::string>{});
}

TEST_F(ProductPrograms, AListThatCannotBeReadRemovesNothing) {
    WriteList("mystery\tC:\\Vostrel\\mervo.exe\n");
    EXPECT_EQ(Wine({"C:\\Vostrel\\UnInstall.exe", "/S"}).exitCode, 3);
    WriteLinuxFile(install_ + "/UnInstall.lst",
                   "VostrelUninstallList 2\nfile\tC:\\Vostrel\\mervo.exe\n");
    EXPECT_EQ(Wine({"C:\\Vostrel\\UnInstall.exe", "/S"}).exitCode, 3);
    fs::remove(install_ + "/UnInstall.lst");
    EXPECT_EQ(Wine({"C:\\Vostrel\\UnInstall.exe", "/S"}).exitCode, 3);
    EXPECT_TRUE(fs::exists(install_ + "/mervo.exe"));
    EXPECT_TRUE(fs::exists(install_ + "/Modules/codecs/vdec01.dll"));
    EXPECT_TRUE(KeyExists(kUninstallKey));
}

// A virtual X server for the test's windows, on DISPLAY while it lives.
class VirtualDisplay {
public:
    VirtualDisplay() : variable_("DISPLAY", server_.Name()) {}
    bool Ready() const {
        return !server_.Name().empty() &&
               Eventually([] { return RunProgram({"xdpyinfo"}).exitCode == 0; });
    }
    static bool WindowShown(const std::string& title) {
        return Eventually([&] {
            return RunProgram({"xdotool", "search", "--name", title}).exitCode == 0;
        });
    }

private:
    testing_support::VirtualDisplay server_;
    ScopedVariable variable_;
};

TEST_F(ProductPrograms, TheUninstallerAsksFirstAndANoRemovesNothing) {
    VirtualDisplay display;
    ASSERT_TRUE(display.Ready());
    WriteList();
    Background uninstaller({"wine", "C:\\Vostrel\\UnInstall.exe"});
    ASSERT_TRUE(VirtualDisplay::WindowShown("Talvimo 卸载程序"));
    // On a loaded machine the box can show before it takes keys: the key goes again until the
    // uninstaller has its answer.
    int exitCode = -1;
    for (int attempt = 0; attempt < 10 && exitCode == -1; ++attempt) {
        RunProgram({"xdotool", "search", "--name", "Talvimo 卸载程序", "windowfocus", "--sync",
                    "key", "--clearmodifiers", "n"});
        exitCode = uninstaller.Wait(std::chrono::seconds(2));
    }
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(fs::exists(install_ + "/mervo.exe"));
    EXPECT_TRUE(fs::exists(install_ + "/UnInstall.lst"));
    EXPECT_TRUE(KeyExists(kUninstallKey));
}

// The player's window shows the five feature pictures, two to a row, the last one centred: a
// point in each picture's blank left margin is the slides' blue, not the window's white.
void ExpectTheFeaturePicturesShown(const std::string& screenshot) {
    const bool painted = Eventually([&] {
        const std::string window =
            RunProgram({"xdotool", "search", "--name", "Talvimo 播放器"}).output;
        if (RunProgram({"import", "-window", window.substr(0, window.find('\n')), screenshot})
                .exitCode != 0)
            return false;
        const QImage image(QString::fromStdString(screenshot));
        return !image.isNull() && image.pixelColor(38, 234).blue() > 150 &&
               image.pixelColor(38, 234).red() < 150;
    });
    ASSERT_TRUE(painted) << "the first picture never appeared";
    const QImage image(QString::fromStdString(screenshot));
    ASSERT_EQ(image.size(), QSize(888, 643));
    const QPoint margins[] = {{38, 234}, {466, 234}, {38, 411}, {466, 411}, {252, 588}};
    for (const QPoint point : margins) {
        const QColor colour = image.pixelColor(point);
        EXPECT_GT(colour.blue(), 150) << point.x() << "," << point.y();
        EXPECT_LT(colour.red(), 150) << point.x() << "," << point.y();
    }
    EXPECT_EQ(image.pixelColor(40, 560), QColor(Qt::white)) << "beside the centred last picture";
}

// The player's window on a virtual X server; the uninstaller then closes the running player.
TEST_F(ProductPrograms, ThePlayerOpensItsWindowAndTheUninstallerClosesIt) {
    VirtualDisplay display;
    ASSERT_TRUE(display.Ready());
    Background player({"wine", "C:\\Vostrel\\mervo.exe"});
    EXPECT_TRUE(VirtualDisplay::WindowShown("Talvimo 播放器"));
    ExpectTheFeaturePicturesShown(folder_->Folder() + "/player.png");
    WriteList();
    EXPECT_EQ(Wine({"C:\\Vostrel\\UnInstall.exe", "/S"}).exitCode, 0);
    EXPECT_EQ(player.Wait(std::chrono::seconds(10)), 0);
    RunProgram({"wineserver", "-w"});
    EXPECT_FALSE(fs::exists(install_ + "/mervo.exe"));
}

} // namespace
