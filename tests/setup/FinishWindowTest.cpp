// The finish window: its picture, its place, and the button's two program starts.
#include "InstallerWindows.h"

#include "setup/FinishWindow.h"

#include <QCoreApplication>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using testing_support::RecordingStarter;
using testing_support::WriteLinuxFile;

namespace {

class FinishWindow : public testing_support::InstallerWindowsTest {
protected:
    // A folder with blanks, and stand-ins for the registration tool and the product that
    // start as native programs (so no Windows loader is needed to start them).
    const AnsiString installDir = "C:\\Program Files\\My Vostrel\\";
    void PlacePrograms() {
        regsvr32 = systemRoot.DriveC() + "/windows/system32/regsvr32.exe";
        product = systemRoot.LinuxPath(installDir + "mervo.exe");
        for (const std::string& program : {regsvr32, product}) {
            WriteLinuxFile(program, "#!/bin/sh\nexit 0\n");
            fs::permissions(program, fs::perms::owner_all);
        }
    }
    void ShowAt(int left, int top) {
        Form3->InstallDir = installDir;
        Form3->SetTop(top);
        Form3->SetLeft(left);
        Form3->Show();
        QCoreApplication::processEvents();
    }
    void Click(int x, int y) { QTest::mouseClick(Form3->Widget(), Qt::LeftButton, {}, {x, y}); }

    std::string regsvr32;
    std::string product;
    RecordingStarter starter;
};

TEST_F(FinishWindow, TheButtonRegistersThePluginStartsTheProductAndEndsTheInstaller) {
    PlacePrograms();
    ShowAt(40, 30);
    Click(168 + 120, 296 + 20);

    ASSERT_EQ(starter.starts.size(), 2u);
    EXPECT_EQ(starter.starts[0].program, regsvr32);
    // The quotes keep the plug-in's path, blanks and all, one argument.
    EXPECT_EQ(
        starter.starts[0].arguments,
        (std::vector<std::string>{regsvr32, "/s", "C:\\Program Files\\My Vostrel\\npmervo.dll"}));
    EXPECT_EQ(starter.starts[0].showCommand, 1);
    EXPECT_EQ(starter.starts[1].program, product);
    EXPECT_EQ(starter.starts[1].arguments, std::vector<std::string>{product});
    EXPECT_EQ(starter.starts[1].showCommand, 1);
    EXPECT_TRUE(app->Terminated());
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(FinishWindow, ProgramsThatCannotStartAreIgnored) {
    // Neither stand-in exists, and no Windows loader is found on an empty PATH.
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", systemRoot.Folder().c_str(), 1);
    ShowAt(40, 30);
    Click(168 + 10, 296 + 40);
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_TRUE(starter.starts.empty());
    EXPECT_TRUE(app->Terminated());
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(FinishWindow, ItShowsAtItsGivenPlaceWithTheTopOfItsPicture) {
    PlacePrograms();
    ShowAt(211, 97);
    EXPECT_EQ(Form3->Widget()->geometry(), QRect(211, 97, 588, 358));
    const QImage shot = Form3->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(588, 358));
    if (const char* folder = std::getenv("VOSTREL_SCREENSHOTS"))
        shot.save(QString("%1/finish-window.png").arg(folder));
    const QImage background =
        QImage(PICTURES_DIR "/finish/background.png").convertToFormat(QImage::Format_RGB32);
    for (QPoint p : {QPoint(0, 0), QPoint(300, 100), QPoint(570, 14), QPoint(100, 357)})
        EXPECT_EQ(shot.pixel(p), background.pixel(p)) << p.x() << "," << p.y();
    const QImage button = QImage(PICTURES_DIR "/finish/finish.png");
    ASSERT_EQ(button.size(), QSize(241, 39));
    EXPECT_EQ(shot.pixel(168 + 120, 296 + 19), button.pixel(120, 19) | 0xFF000000u);
    // The painted close mark is only picture: pressing and releasing there does nothing.
    Click(570, 14);
    EXPECT_TRUE(starter.starts.empty());
    EXPECT_FALSE(app->Terminated());
    EXPECT_TRUE(Form3->Widget()->isVisible());
    EXPECT_EQ(Form3->Widget()->geometry(), QRect(211, 97, 588, 358));
}

} // namespace
