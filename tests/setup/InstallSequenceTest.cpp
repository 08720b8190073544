// The install sequence run from the progress window's start timer, against a small payload
// made at test time. These tests close processes named like the product's, so they hold the
// ctest resource lock product_processes.
#include "InstallerWindows.h"
#include "support/TestArchive.h"

#include "support/ForeignLibrary.h"

#include "support/InstalledProduct.h"
#include "support/LnkInfo.h"
#include "support/NamedProcesses.h"
#include "support/TestClock.h"
#include "support/VersionPe.h"
#include "winapi/Gbk.h"

#include "rtl/SysErrorMessage.h"
#include "setup/FinishWindow.h"
#include "setup/InstalledItems.h"
#include "setup/OptionsWindow.h"
#include "setup/ProductInfo.h"
#include "setup/ProgressWindow.h"
#include "setup/ShellIntegration.h"
#include "winapi/Gbk.h"
#include "winapi/advapi32.h"

#include "winapi/SystemRoot.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;
using testing_support::DesktopLink;
using testing_support::kRunKey;
using testing_support::kUninstallKey;
using testing_support::LnkField;
using testing_support::LnkInfo;
using testing_support::QuickLaunchLink;
using testing_support::ReadLinuxFile;
using testing_support::RegistryValue;
using testing_support::StartMenuFolder;
using testing_support::StartMenuLink;
using testing_support::TestClock;
using testing_support::VersionedPe;
using testing_support::WriteLinuxFile;

namespace {

const AnsiString kInstallDir = "C:\\Program Files\\Vostrel\\";

class InstallSequence : public testing_support::InstallerWindowsTest {
protected:
    InstallSequence() {
        payload = {{"mervo.exe", VersionedPe(2, 3, 4, 5)},
                   {"npmervo.dll", "plug-in library"},
                   {"UnInstall.exe", "uninstaller"},
                   {"Readme.txt", std::string(300000, 'r')}};
        for (const auto& [name, content] : payload)
            payloadBytes += static_cast<int>(content.size());
    }

    std::string Linux(const AnsiString& windowsPath) { return systemRoot.LinuxPath(windowsPath); }
    std::string InstallFolder() { return Linux(kInstallDir); }

    // What the install action leaves in the install folder and holds: the archive and the
    // library.
    void PlacePayload() {
        fs::create_directories(InstallFolder());
        testing_support::Make7zArchive(InstallFolder() + "/Vostrel.7z", payload, "qhtrwel$$");
        fs::copy_file(SEVENZIP_LIBRARY, InstallFolder() + "/7z.dll");
        HeldPayload().emplace(testing_support::HoldPlacedPayload(InstallFolder()));
    }

    // The options window's hand-over, then the start timer's tick: returns once the whole
    // sequence has run inside it.
    void Install(bool options = true) {
        Form2->Show();
        Form2->SetLeft(123);
        Form2->SetTop(77);
        Form2->TakeInstallState({kInstallDir, options, options, options});
        Form2->TimerStartDownload->SetEnabled(true);
        QElapsedTimer elapsed;
        elapsed.start();
        while (Form2->TimerStartDownload->Enabled() && elapsed.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        ASSERT_FALSE(Form2->TimerStartDownload->Enabled()) << "the start timer never fired";
    }

    bool RegistryMentionsTheProduct() {
        const std::string text =
            ReadLinuxFile(*winapi::SystemRootPath() + "/system.reg").value_or("");
        return text.find("Talvimo") != std::string::npos ||
               text.find("\"mervo\"") != std::string::npos;
    }

    AnsiString Status() { return Form2->Label1->Caption(); }

    TestClock clock;
    std::vector<std::pair<std::string, std::string>> payload;
    int payloadBytes = 0;
};

TEST_F(InstallSequence, ACompleteRunInstallsEverythingAndHandsOverToTheFinishWindow) {
    PlacePayload();
    // A user who has a Quick Launch folder gets the link there too.
    fs::create_directories(testing_support::QuickLaunchFolder());
    std::vector<AnsiString> statusDuringWaits;
    clock.OnSleep([&](DWORD) {
        if (statusDuringWaits.empty() || statusDuringWaits.back() != Status())
            statusDuringWaits.push_back(Status());
    });
    Install();

    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_FALSE(app->Terminated());
    // The files, the archive gone, the library kept.
    for (const auto& [name, content] : payload)
        EXPECT_EQ(ReadLinuxFile(InstallFolder() + "/" + name), content) << name;
    EXPECT_FALSE(fs::exists(InstallFolder() + "/Vostrel.7z"));
    EXPECT_TRUE(fs::exists(InstallFolder() + "/7z.dll"));
    // No product process ran: one closing pass, no pause, then the 3000 ms settling wait.
    EXPECT_EQ(clock.TotalSlept(), 3000u);
    EXPECT_EQ(statusDuringWaits,
              std::vector<AnsiString>{gbk::Literal("正在关闭Talvimo播放器主程序...")});
    EXPECT_EQ(Status(), gbk::Literal("完成:100% ."));
    // The bar followed the extraction to its end.
    EXPECT_EQ(Form2->ProgressBar1->Max(), payloadBytes);
    EXPECT_EQ(Form2->ProgressBar1->Position(), payloadBytes);

    // Links.
    const std::string product = "C:\\Program Files\\Vostrel\\mervo.exe";
    for (const std::string& link : {DesktopLink(), QuickLaunchLink(), StartMenuLink()}) {
        const std::string info = LnkInfo(link);
        EXPECT_EQ(LnkField(info, "Local path"), product) << link << "\n" << info;
        EXPECT_EQ(LnkField(info, "Description"), "Talvimo") << link;
    }
    const std::string uninstallLink = LnkInfo(StartMenuFolder() + "/卸载.lnk");
    EXPECT_EQ(LnkField(uninstallLink, "Local path"), "C:\\Program Files\\Vostrel\\UnInstall.exe")
        << uninstallLink;
    EXPECT_EQ(LnkField(uninstallLink, "Working directory"), "C:\\Program Files\\Vostrel\\");

    // Registry: start with Windows, and the uninstall entry with the unpacked program's version.
    testing_support::ExpectProductRegistered(u"2.3.4.5");

    // The finish window stands where the progress window stood; the progress window is gone.
    EXPECT_EQ(Form3->InstallDir, kInstallDir);
    EXPECT_TRUE(Form3->Visible());
    EXPECT_TRUE(Form3->Widget()->isVisible());
    EXPECT_EQ(Form3->Left(), 123);
    EXPECT_EQ(Form3->Top(), 77);
    EXPECT_EQ(Form3->Widget()->geometry(), QRect(123, 77, 588, 358));
    EXPECT_FALSE(Form2->Visible());
    EXPECT_FALSE(Form2->Widget()->isVisible());
}

TEST_F(InstallSequence, UntickedOptionsMakeOnlyTheStartMenuLinksAndNoStartWithWindows) {
    SetAutoRun(kInstallDir + "mervo.exe Minimize", true); // an earlier install's
    PlacePayload();
    Install(false);
    EXPECT_FALSE(fs::exists(DesktopLink()));
    EXPECT_FALSE(fs::exists(QuickLaunchLink()));
    EXPECT_TRUE(fs::exists(StartMenuLink()));
    EXPECT_TRUE(fs::exists(StartMenuFolder() + "/卸载.lnk"));
    EXPECT_EQ(RegistryValue(kRunKey, u"mervo"), std::nullopt);
    EXPECT_EQ(RegistryValue(kUninstallKey, u"DisplayName"), u"Talvimo");
    EXPECT_TRUE(Form3->Visible());
}

// Messages are handled only in the waits and in the one pump before the extraction: a click
// made during the extraction is answered once the finish window stands, never between the
// status "完成:100% ." and the links.
TEST_F(InstallSequence, MessagesAreHandledOnlyInTheWaitsAndBeforeTheExtraction) {
    PlacePayload();
    std::vector<std::pair<AnsiString, bool>> handledAt; // the status, and the finish window shown
    QTimer everyTurn;
    everyTurn.setInterval(0);
    QObject::connect(&everyTurn, &QTimer::timeout,
                     [&] { handledAt.emplace_back(Status(), Form3->Visible()); });
    clock.OnSleep([&](DWORD) {
        if (clock.Sleeps().size() == 3000)
            everyTurn.start();
    });
    Install();
    everyTurn.stop();

    ASSERT_FALSE(handledAt.empty());
    const auto afterWaits = std::find_if(handledAt.begin(), handledAt.end(), [](const auto& at) {
        return at.first == gbk::Literal("正在释放文件...");
    });
    EXPECT_NE(afterWaits, handledAt.end()) << "no pump before the extraction";
    for (const auto& [status, finished] : handledAt)
        EXPECT_TRUE(status != gbk::Literal("完成:100% .") || finished)
            << "a message was handled between the extraction and the finish window";
}

TEST_F(InstallSequence, AMissingArchiveIsReportedAndEndsTheProgramWithNothingWritten) {
    fs::create_directories(InstallFolder());
    fs::copy_file(SEVENZIP_LIBRARY, InstallFolder() + "/7z.dll");
    Install();

    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text,
              gbk::Literal("安装包有误，找不到离线文件，建议去官方网站( ") + ProductWebAddress() +
                  gbk::Literal(" )下载安装包"));
    EXPECT_EQ(dialogs->messages[0].caption, gbk::Literal("Talvimo安装向导"));
    EXPECT_EQ(dialogs->messages[0].flags, MB_OK);
    EXPECT_TRUE(app->Terminated());
    EXPECT_EQ(Status(), "...");
    EXPECT_TRUE(clock.Sleeps().empty());
    EXPECT_FALSE(fs::exists(StartMenuFolder()));
    EXPECT_FALSE(fs::exists(DesktopLink()));
    EXPECT_FALSE(RegistryMentionsTheProduct());
    EXPECT_FALSE(Form3->Visible());
    EXPECT_EQ(Form3->InstallDir, "");
}

// A registry step that fails (here a damaged registry file) is shown with the system's text;
// the finish window never appears, and the progress window stays.
TEST_F(InstallSequence, AFailedRegistryStepShowsTheErrorAndNoFinishWindow) {
    PlacePayload();
    const std::string registry = systemRoot.Root() + "/system.reg";
    fs::create_directories(systemRoot.Root());
    const std::string damaged = "WINE REGISTRY Version 2\n[Software] 1\n\"cut\"=\"\n";
    WriteLinuxFile(registry, damaged);
    Install();

    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_NE(dialogs->messages[0].text.find(SysErrorMessage(ERROR_BADDB)), AnsiString::npos);
    EXPECT_EQ(dialogs->messages[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_EQ(ReadLinuxFile(registry), damaged);
    EXPECT_TRUE(Form2->Visible());
    EXPECT_FALSE(Form3->Visible());
    EXPECT_FALSE(app->Terminated());
}

// The library loaded and the archive read are the files the install action held: whatever
// another process puts under their names during the waits, or takes away, is not used.
TEST_F(InstallSequence, FilesPutInThePayloadsPlaceDuringTheWaitsAreNotUsed) {
    const std::string marker = systemRoot.Folder() + "/foreign-library-loaded";
    const std::string foreignLibrary = systemRoot.Folder() + "/foreign.so";
    testing_support::BuildForeignLibrary(foreignLibrary, marker);
    const std::string foreignArchive = systemRoot.Folder() + "/foreign.7z";
    testing_support::Make7zArchive(foreignArchive, {{"mervo.exe", "planted"}}, "qhtrwel$$");
    const std::string library = InstallFolder() + "/7z.dll";
    const std::string archive = InstallFolder() + "/Vostrel.7z";
    const auto renameOver = [](const std::string& from, const std::string& to) {
        fs::copy_file(from, to + ".new");
        fs::rename(to + ".new", to);
    };
    const auto linkOver = [](const std::string& from, const std::string& to) {
        fs::remove(to);
        fs::create_symlink(from, to);
    };
    const auto takeAway = [](const std::string&, const std::string& to) { fs::remove(to); };
    const std::vector<
        std::pair<const char*, std::function<void(const std::string&, const std::string&)>>>
        plantings = {{"renamed over", renameOver}, {"linked", linkOver}, {"removed", takeAway}};
    for (const auto& [name, plant] : plantings) {
        PlacePayload();
        int sleeps = 0;
        clock.OnSleep([&](DWORD) {
            if (++sleeps == 1500) {
                plant(foreignLibrary, library);
                plant(foreignArchive, archive);
            }
        });
        Install();

        EXPECT_TRUE(dialogs->messages.empty()) << name;
        EXPECT_EQ(ReadLinuxFile(InstallFolder() + "/mervo.exe"), payload[0].second) << name;
        EXPECT_FALSE(fs::exists(marker)) << name;
        EXPECT_TRUE(Form3->Visible()) << name;
        Form3->Hide();
        fs::remove(library);
        fs::remove(archive);
    }
}

TEST_F(InstallSequence, RunningProductProcessesAreClosedBeforeTheExtraction) {
    PlacePayload();
    testing_support::NamedProcesses processes(systemRoot.Folder());
    const pid_t product = processes.Start("mervo.exe");
    const pid_t helper = processes.Start("MervoTips.exe");
    std::vector<AnsiString> statusDuringPause;
    clock.OnSleep([&](DWORD) {
        if (clock.Sleeps().size() <= 1000)
            statusDuringPause.push_back(Status());
    });
    Install();

    EXPECT_EQ(processes.Reap(product), SIGKILL);
    EXPECT_EQ(processes.Reap(helper), SIGKILL);
    // Pass one closed them and paused 1000 ms; pass two found nothing; then the 3000 ms wait.
    EXPECT_EQ(clock.TotalSlept(), 4000u);
    EXPECT_EQ(statusDuringPause,
              std::vector<AnsiString>(1000, gbk::Literal("正在关闭Talvimo播放器主程序...")));
    EXPECT_TRUE(fs::exists(InstallFolder() + "/mervo.exe"));
    EXPECT_TRUE(Form3->Visible());
}

TEST_F(InstallSequence, ClosingGivesUpAfterTwentyOnePasses) {
    PlacePayload();
    testing_support::NamedProcesses processes(systemRoot.Folder());
    // A product that comes back during every pause: each pass finds one to close.
    std::vector<pid_t> started{processes.Start("mervo.exe")};
    clock.OnSleep([&](DWORD) {
        const size_t sleeps = clock.Sleeps().size();
        if (sleeps % 1000 == 1 && sleeps <= 20001)
            started.push_back(processes.Start("mervo.exe"));
    });
    Install();

    // 21 passes, each followed by its pause, then the settling wait; the one started during
    // the last pause is left running and the install goes ahead.
    EXPECT_EQ(clock.TotalSlept(), 21u * 1000 + 3000);
    ASSERT_EQ(started.size(), 22u);
    for (size_t i = 0; i + 1 < started.size(); ++i)
        EXPECT_EQ(processes.Reap(started[i]), SIGKILL) << i;
    EXPECT_TRUE(processes.Running(started.back()));
    EXPECT_TRUE(fs::exists(InstallFolder() + "/mervo.exe"));
    EXPECT_TRUE(Form3->Visible());
}

TEST_F(InstallSequence, CloseConfirmedDuringTheWaitEndsTheProgramOnlyAfterTheInstall) {
    PlacePayload();
    dialogs->answers = {IDYES};
    clock.OnSleep([&](DWORD) {
        if (clock.Sleeps().size() == 1500)
            QTest::mouseClick(Form2->Widget(), Qt::LeftButton, {}, QPoint(578, 10));
    });
    Install();

    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, gbk::Literal("正在安装Talvimo播放器，确定要退出吗？"));
    EXPECT_TRUE(app->Terminated());
    EXPECT_EQ(clock.TotalSlept(), 3000u);
    EXPECT_TRUE(fs::exists(InstallFolder() + "/mervo.exe"));
    EXPECT_TRUE(fs::exists(StartMenuFolder() + "/卸载.lnk"));
    EXPECT_EQ(RegistryValue(kUninstallKey, u"DisplayName"), u"Talvimo");
    EXPECT_TRUE(Form3->Visible());
}

TEST_F(InstallSequence, CloseDeclinedAndMinimiseDuringTheWaitLeaveTheInstallUndisturbed) {
    PlacePayload();
    dialogs->answers = {IDNO};
    bool minimised = false;
    clock.OnSleep([&](DWORD) {
        if (clock.Sleeps().size() == 1000)
            QTest::mouseClick(Form2->Widget(), Qt::LeftButton, {}, QPoint(578, 10));
        if (clock.Sleeps().size() == 2000) {
            QTest::mouseClick(Form2->Widget(), Qt::LeftButton, {}, QPoint(553, 11));
            minimised = Form2->Widget()->isMinimized();
        }
    });
    Install();

    EXPECT_EQ(dialogs->messages.size(), 1u);
    EXPECT_TRUE(minimised);
    EXPECT_FALSE(app->Terminated());
    EXPECT_TRUE(fs::exists(InstallFolder() + "/mervo.exe"));
    EXPECT_TRUE(Form3->Visible());
}

// The uninstall list names what this install made: the unpacked files and folders, the library
// that stays, and the list itself; the archive, deleted at the end, is not in it.
TEST_F(InstallSequence, TheUninstallListRecordsTheUnpackedFilesTheLibraryAndItself) {
    InstalledItems().Clear();
    payload.push_back({"Modules\\codec.ini", "codec"});
    PlacePayload();
    Install();
    ASSERT_TRUE(dialogs->messages.empty());

    const std::string list = ReadLinuxFile(InstallFolder() + "/UnInstall.lst").value_or("");
    const std::string folder = "C:\\Program Files\\Vostrel\\";
    for (const std::string& entry :
         {"file\t" + folder + "7z.dll", "file\t" + folder + "mervo.exe",
          "folder\t" + folder + "Modules", "file\t" + folder + "Modules\\codec.ini",
          "file\t" + folder + "UnInstall.lst"})
        EXPECT_NE(list.find(entry + "\n"), std::string::npos) << entry << "\n" << list;
    EXPECT_EQ(list.find("Vostrel.7z"), std::string::npos) << list;
    // The list is saved last, after the uninstall entry.
    EXPECT_EQ(list.substr(list.size() - std::string("UnInstall.lst\n").size()), "UnInstall.lst\n");
    InstalledItems().Clear();
}

// A reinstall from a damaged archive fails with the error shown and leaves the earlier install
// as it was: replaced files are back, new ones gone, and no finish window.
TEST_F(InstallSequence, AFailedReinstallLeavesTheEarlierInstallWorking) {
    PlacePayload();
    Install();
    ASSERT_TRUE(dialogs->messages.empty());
    const auto earlier = ReadLinuxFile(InstallFolder() + "/mervo.exe");
    Form3->Hide();

    payload = {{"mervo.exe", VersionedPe(9, 9, 9, 9)},
               {"npmervo.dll", "new plug-in"},
               {"NewFile.txt", std::string(200000, 'n')},
               {"Readme.txt", std::string(300000, 'R')}};
    fs::remove(InstallFolder() + "/7z.dll");
    PlacePayload();
    const std::string archive = InstallFolder() + "/Vostrel.7z";
    fs::resize_file(archive, fs::file_size(archive) * 2 / 3);
    Install();

    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_FALSE(Form3->Visible());
    EXPECT_EQ(ReadLinuxFile(InstallFolder() + "/mervo.exe"), earlier);
    EXPECT_EQ(ReadLinuxFile(InstallFolder() + "/Readme.txt"), std::string(300000, 'r'));
    EXPECT_FALSE(fs::exists(InstallFolder() + "/NewFile.txt"));
    for (const auto& entry : fs::directory_iterator(InstallFolder()))
        EXPECT_EQ(entry.path().string().find(".~old"), std::string::npos) << entry.path();
}

// Run with /SILENT, the progress window ends the program at the end instead of showing the
// finish window, registering the plug-in and starting the product only when asked to.
TEST_F(InstallSequence, WithoutTheFinishWindowTheProgramEndsAsTheFinishButtonWould) {
    // A Wine that runs both kinds of program, so the starts are made.
    const std::string wine = systemRoot.Folder() + "/wine";
    fs::create_directories(wine + "/bin");
    fs::create_directories(wine + "/lib/wine/i386-unix");
    fs::create_directories(wine + "/lib/wine/x86_64-unix");
    WriteLinuxFile(wine + "/bin/wine", "#!/bin/sh\nexit 0\n");
    fs::permissions(wine + "/bin/wine", fs::perms::owner_all);
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (wine + "/bin").c_str(), 1);
    for (const bool run : {false, true}) {
        testing_support::RecordingStarter starter;
        PlacePayload();
        Form2->FinishWithoutWindow = true;
        Form2->StartProductWhenDone = run;
        Form2->Completed = false;
        Install();
        EXPECT_TRUE(dialogs->messages.empty())
            << gbk::ToUtf8(dialogs->messages.empty() ? "" : dialogs->messages[0].text).value_or("");
        EXPECT_TRUE(Form2->Completed);
        EXPECT_TRUE(app->Terminated());
        EXPECT_FALSE(Form3->Visible());
        EXPECT_TRUE(fs::exists(InstallFolder() + "/UnInstall.lst"));
        ASSERT_EQ(starter.starts.size(), run ? 2u : 1u);
        const auto& registration = starter.starts[0].arguments;
        EXPECT_TRUE(std::any_of(registration.begin(), registration.end(), [](const std::string& a) {
            return a.find("npmervo.dll") != std::string::npos;
        })) << "the plug-in is registered";
        fs::remove(InstallFolder() + "/7z.dll");
    }
    setenv("PATH", savedPath.c_str(), 1);
}

} // namespace
