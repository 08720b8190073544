// The finish window: its picture, its place, and the button's two program starts.
#include "InstallerWindows.h"

#include "support/VersionPe.h"
#include "winapi/Gbk.h"

#include "setup/FinishWindow.h"

#include "winapi/shell32.h"

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>

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

TEST_F(FinishWindow, ReturnFinishesAsTheButtonDoesAndAScreenReaderHearsTheLastStep) {
    PlacePrograms();
    ShowAt(40, 30);
    QApplication::setActiveWindow(Form3->Widget());
    QWidget* button = Form3->Image2->AccessibleWidget();
    EXPECT_EQ(QApplication::focusWidget(), button) << "the one button has the focus";
    QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(seen->role(), QAccessible::Button);
    EXPECT_EQ(seen->text(QAccessible::Name), QString::fromUtf8("完成安装"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Form3->Widget())->text(QAccessible::Name),
              QString::fromUtf8("Talvimo安装向导 - 安装完成"));
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(starter.starts.size(), 2u);
    EXPECT_TRUE(app->Terminated());
}

TEST_F(FinishWindow, ClosingTheWindowOrPressingEscapeFinishesAsTheButtonDoes) {
    PlacePrograms();
    ShowAt(40, 30);
    Form3->Widget()->close();
    ASSERT_EQ(starter.starts.size(), 2u) << "the window manager's close request";
    EXPECT_EQ(starter.starts[0].program, regsvr32);
    EXPECT_EQ(starter.starts[1].program, product);
    EXPECT_TRUE(app->Terminated());
    QTest::keyClick(Form3->Widget(), Qt::Key_Escape);
    EXPECT_EQ(starter.starts.size(), 4u) << "Escape";
    EXPECT_TRUE(dialogs->messages.empty());
}

// Runs the button with PATH holding only folder, and restores PATH.
void ClickWithPath(const std::string& folder, const std::function<void()>& click) {
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", folder.c_str(), 1);
    click();
    setenv("PATH", savedPath.c_str(), 1);
}

TEST_F(FinishWindow, EachStartThatFailsGetsAMessage) {
    // Neither stand-in exists, and no Windows loader is found on an empty PATH.
    ShowAt(40, 30);
    ClickWithPath(systemRoot.Folder(), [&] { Click(168 + 10, 296 + 40); });
    EXPECT_TRUE(starter.starts.empty());
    EXPECT_TRUE(app->Terminated());
    ASSERT_EQ(dialogs->messages.size(), 2u);
    EXPECT_EQ(dialogs->messages[0].text,
              gbk::Literal("无法启动 Regsvr32.exe: 系统找不到指定的文件。"));
    EXPECT_EQ(
        dialogs->messages[1].text,
        gbk::Literal("无法启动 C:\\Program Files\\My Vostrel\\mervo.exe: 系统找不到指定的文件。"));
    EXPECT_EQ(StartFailureMessage("x.exe", SE_ERR_NOASSOC),
              gbk::Literal("无法启动 x.exe: 没有可以运行它的程序。"));
}

// A Windows product and a Wine laid out as installed below a prefix folder: <prefix>/bin/wine,
// with the Unix sides the test asks for in <prefix>/lib/...
class FinishWindowWithWine : public FinishWindow {
protected:
    void PlaceProduct(bool pe32Plus) {
        WriteLinuxFile(systemRoot.LinuxPath(installDir + "mervo.exe"),
                       testing_support::VersionedPe(3, 5, 0, 61, {.pe32Plus = pe32Plus}));
    }
    void PlaceWine(const std::vector<std::string>& unixSides) {
        WriteLinuxFile(Bin() + "/wine", "#!/bin/sh\nexit 0\n");
        fs::permissions(Bin() + "/wine", fs::perms::owner_all);
        for (const std::string& side : unixSides)
            fs::create_directories(systemRoot.Folder() + "/wine/lib/" + side);
    }
    std::string Bin() { return systemRoot.Folder() + "/wine/bin"; }
    void ClickTheButton() {
        ShowAt(40, 30);
        ClickWithPath(Bin(), [&] { Click(168 + 120, 296 + 20); });
    }
    AnsiString Later() {
        return gbk::Literal("Talvimo 已经安装完成，安装所需软件后即可从菜单或桌面启动 Talvimo。");
    }
};

TEST_F(FinishWindowWithWine, WithoutWineOneMessageSaysWhatToInstallAndNothingStarts) {
    for (bool pe32Plus : {true, false}) {
        PlaceProduct(pe32Plus);
        ClickTheButton();
        EXPECT_TRUE(starter.starts.empty());
        EXPECT_TRUE(app->Terminated());
        ASSERT_EQ(dialogs->messages.size(), 1u);
        EXPECT_EQ(dialogs->messages[0].text,
                  gbk::Literal(pe32Plus ? "本机没有安装 Wine，无法运行 Talvimo。请安装 wine。\n"
                                        : "本机没有安装 Wine，无法运行 Talvimo。请安装 wine"
                                          "及其 32 位支持（wine32）。\n") +
                      Later());
        dialogs->messages.clear();
    }
}

TEST_F(FinishWindowWithWine, AWineWithoutSupportForTheProductsMachineIsReported) {
    PlaceWine({"x86_64-linux-gnu/wine/x86_64-unix"});
    PlaceProduct(false);
    ClickTheButton();
    EXPECT_TRUE(starter.starts.empty());
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(
        dialogs->messages[0].text,
        gbk::Literal("Talvimo 是 32 位 Windows 程序，本机的 Wine 没有 32 位支持。请安装 wine 的 "
                     "32 位支持（wine32）。\n") +
            Later());
    EXPECT_TRUE(app->Terminated());
}

TEST_F(FinishWindowWithWine, AWineThatRunsTheProductStartsBothThroughWine) {
    struct Case {
        bool pe32Plus;
        std::string unixSide;
    };
    for (const Case& c :
         {Case{true, "x86_64-linux-gnu/wine/x86_64-unix"}, Case{true, "wine/x86_64-unix"},
          Case{false, "i386-linux-gnu/wine/i386-unix"}}) {
        fs::remove_all(systemRoot.Folder() + "/wine");
        PlaceWine({c.unixSide});
        PlaceProduct(c.pe32Plus);
        starter.starts.clear();
        ClickTheButton();
        EXPECT_TRUE(dialogs->messages.empty()) << c.unixSide;
        ASSERT_EQ(starter.starts.size(), 2u) << c.unixSide;
        EXPECT_EQ(starter.starts[0].program, Bin() + "/wine");
        EXPECT_EQ(starter.starts[0].arguments[1], "Regsvr32.exe");
        EXPECT_EQ(starter.starts[1].program, Bin() + "/wine");
        EXPECT_EQ(starter.starts[1].arguments[1], systemRoot.LinuxPath(installDir + "mervo.exe"));
    }
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
