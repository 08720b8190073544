// The progress window as the user sees it: slideshow, image strip, status line and bar; and
// the extraction routines it calls.
#include "InstallerWindows.h"
#include "support/RaisedMessage.h"
#include "support/TestArchive.h"

#include "winapi/Gbk.h"

#include "setup/ProgressWindow.h"
#include "sevenzip/sevenzip.h"

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const QRgb kGray = qRgb(217, 217, 217);
const QRgb kBlue = qRgb(70, 175, 213);

class ProgressWindow : public testing_support::InstallerWindowsTest {
protected:
    QImage Shot() {
        QCoreApplication::processEvents();
        return Form2->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    static QImage Slide(int number) {
        return QImage(QString(PICTURES_DIR "/progress/slide%1.png").arg(number))
            .convertToFormat(QImage::Format_RGB32);
    }
    // Saves a picture of the window when VOSTREL_SCREENSHOTS names a folder.
    static void Keep(const QImage& shot, const char* name) {
        if (const char* folder = std::getenv("VOSTREL_SCREENSHOTS"))
            shot.save(QString("%1/%2.png").arg(folder, name));
    }
    static QRgb Opaque(QRgb pixel) { return pixel | 0xFF000000u; }
};

TEST_F(ProgressWindow, ShownSevenSecondsAfterStartItShowsTheThirdSlide) {
    // The slideshow runs from creation: ticks at 3 s and 6 s have passed at 7 s.
    Form2->Timer1->OnTimer(Form2->Timer1);
    Form2->Timer1->OnTimer(Form2->Timer1);
    Form2->Show();
    const QImage shot = Shot();
    ASSERT_EQ(shot.size(), QSize(588, 358));
    const QImage third = Slide(3);
    ASSERT_NE(third.pixel(300, 100), Slide(1).pixel(300, 100));
    for (QPoint p : {QPoint(0, 0), QPoint(300, 100), QPoint(100, 300), QPoint(587, 200)})
        EXPECT_EQ(shot.pixel(p), third.pixel(p)) << p.x() << "," << p.y();
    // Then 4, 5 and round again to 1.
    const int expected[] = {4, 5, 1, 2};
    for (int number : expected) {
        Form2->Timer1->OnTimer(Form2->Timer1);
        EXPECT_EQ(Shot().pixel(300, 100), Slide(number).pixel(300, 100)) << number;
    }
    EXPECT_EQ(SlideIndex, 2);
}

TEST_F(ProgressWindow, TheImageStripIsAUniformGrayBarUnderTheProgressBar) {
    const QImage strip = Form2->ImageProgressbar->Picture()->Image();
    ASSERT_EQ(strip.size(), QSize(548, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 548; ++x)
            ASSERT_EQ(Opaque(strip.pixel(x, y)), kGray) << x << "," << y;
    EXPECT_EQ(Form2->ImageTemp->BoundsRect(), Bounds(112, 440, 100, 3));
    EXPECT_EQ(Form2->ImageProgressbar->BoundsRect(), Bounds(20, 338, 548, 3));
    EXPECT_EQ(Form2->ImageProgressBlue->BoundsRect(), Bounds(296, 432, 1, 3));
    EXPECT_EQ(Form2->ImageProgressGray->BoundsRect(), Bounds(240, 424, 1, 3));
    EXPECT_EQ(Form2->Label1->Caption(), "") << "the status line is empty until the install";
    EXPECT_FALSE(Form2->Label1->AutoSize());
    EXPECT_TRUE(Form2->Label1->Transparent());
    // The bar lies over the strip, empty until the extraction reports.
    EXPECT_TRUE(Form2->ProgressBar1->Smooth());
    EXPECT_EQ(Form2->ProgressBar1->Min(), 0);
    EXPECT_EQ(Form2->ProgressBar1->Max(), 100);
    EXPECT_EQ(Form2->ProgressBar1->Position(), 0);
}

TEST_F(ProgressWindow, DoneColumnsAreBlueThenGrayAndStretchedToTheStrip) {
    Form2->DrawProgressImage(30, 70);
    const QImage temp = Form2->ImageTemp->Picture()->Image();
    ASSERT_EQ(temp.size(), QSize(100, 3));
    for (int x = 0; x < 100; ++x)
        for (int y = 0; y < 3; ++y)
            ASSERT_EQ(Opaque(temp.pixel(x, y)), x < 30 ? kBlue : kGray) << x << "," << y;
    // Stretched 100 to 548 by repeating columns: a blue run, then gray, with no blend between.
    const QImage strip = Form2->ImageProgressbar->Picture()->Image();
    ASSERT_EQ(strip.size(), QSize(548, 3));
    int blue = 0;
    while (blue < 548 && Opaque(strip.pixel(blue, 0)) == kBlue)
        ++blue;
    EXPECT_EQ(blue, 164);
    for (int x = 0; x < 548; ++x)
        for (int y = 0; y < 3; ++y)
            ASSERT_EQ(Opaque(strip.pixel(x, y)), x < blue ? kBlue : kGray) << x << "," << y;
}

TEST_F(ProgressWindow, TheStatusLineAndTheBarShowOverTheSlide) {
    Form2->Show();
    const QImage before = Shot();
    Form2->Label1->SetCaption(gbk::Literal("正在释放文件..."));
    Form2->ProgressBar1->SetMax(2000);
    Form2->ProgressBar1->SetPosition(700);
    const QImage shot = Shot();
    Keep(shot, "progress-window");
    // Text pixels appear where the status line starts, and nowhere outside its cell.
    int changed = 0;
    for (int y = 320; y < 333; ++y)
        for (int x = 88; x < 200; ++x)
            changed += shot.pixel(x, y) != before.pixel(x, y);
    EXPECT_GT(changed, 20);
    EXPECT_EQ(shot.pixel(88 + 300, 318), before.pixel(88 + 300, 318));
    // The bar: the filled part (35 %) differs from the empty part.
    EXPECT_NE(shot.pixel(20 + 100, 341), shot.pixel(20 + 400, 341));
    EXPECT_EQ(shot.pixel(20 + 100, 341), shot.pixel(20 + 150, 341));
    EXPECT_EQ(shot.pixel(20 + 400, 341), shot.pixel(20 + 450, 341));
}

TEST_F(ProgressWindow, EscapeAndTheWindowManagersCloseAskAsTheClosePictureDoes) {
    Form2->Show();
    QApplication::setActiveWindow(Form2->Widget());
    dialogs->answers = {IDNO, IDYES};
    QTest::keyClick(Form2->Widget(), Qt::Key_Escape);
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, gbk::Literal("正在安装Talvimo播放器，确定要退出吗？"));
    EXPECT_EQ(dialogs->messages[0].flags, 0x34u);
    EXPECT_FALSE(app->Terminated()) << "answered No, the install goes on";
    Form2->Widget()->close(); // Alt+F4
    EXPECT_EQ(dialogs->messages.size(), 2u);
    EXPECT_TRUE(app->Terminated());
}

TEST_F(ProgressWindow, AScreenReaderHearsTheStepTheBarAndEachStatusLine) {
    Form2->Show();
    struct Expected {
        TControl* control;
        QAccessible::Role role;
        const char* name;
    };
    for (const Expected& e : std::vector<Expected>{
             {Form2, QAccessible::Window, "Talvimo安装向导 - 正在安装"},
             {Form2->ImageMin, QAccessible::Button, "最小化"},
             {Form2->ImageClose, QAccessible::Button, "关闭"},
             {Form2->ProgressBar1, QAccessible::ProgressBar, "安装进度"},
             {Form2->Label1, QAccessible::StatusBar, ""},
         }) {
        testing_support::ExpectAccessible(e.control, e.role, e.name);
    }
    Form2->Label1->SetCaption(gbk::Literal("正在解压文件，完成:42% ."));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Form2->Label1->AccessibleWidget())
                  ->text(QAccessible::Name),
              QString::fromUtf8("正在解压文件，完成:42% ."));
}

TEST_F(ProgressWindow, ProgressReportsTakeTheLow32Bits) {
    EXPECT_EQ(ExtractProgress(nullptr, true, 25'000'000), S_OK);
    EXPECT_EQ(Form2->ProgressBar1->Max(), 25'000'000);
    EXPECT_EQ(ExtractProgress(nullptr, false, 12'500'000), S_OK);
    EXPECT_EQ(Form2->ProgressBar1->Position(), 12'500'000);
    ExtractProgress(nullptr, true, (Int64{1} << 32) + 5000);
    ExtractProgress(nullptr, false, (Int64{1} << 32) + 1200);
    EXPECT_EQ(Form2->ProgressBar1->Max(), 5000);
    EXPECT_EQ(Form2->ProgressBar1->Position(), 1200);
    EXPECT_EQ(Form2->ProgressBar1->Min(), 0);
}

// Whether this process has the file open or mapped (the library, the archive).
bool ProcessHolds(const std::string& path) {
    const std::string canonical = fs::weakly_canonical(path);
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) == canonical)
            return true;
    }
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find(canonical) != std::string::npos)
            return true;
    return false;
}

class ExtractArchiveTest : public testing_support::InstallerWindowsTest {
protected:
    std::string Folder() { return systemRoot.DriveC() + "/unpack"; }
    void Prepare(const std::string& password) {
        fs::create_directories(Folder());
        testing_support::Make7zArchive(Folder() + "/Vostrel.7z", {{"mervo.exe", "program"}},
                                       password);
        fs::copy_file(SEVENZIP_LIBRARY, Folder() + "/7z.dll");
    }
    void Extract() {
        TExtractionJournal journal;
        ExtractArchive(testing_support::HoldPlacedPayload(Folder()), destDir, observer, journal);
    }
    testing_support::RecordingObserver observer;
    AnsiString destDir = "C:\\unpack\\";
};

TEST_F(ExtractArchiveTest, UnpacksAndReleasesTheLibraryAndTheArchive) {
    Prepare("qhtrwel$$");
    {
        // What a reader holds while it lives, and what ExtractArchive must let go.
        ComPtr<I7zArchiveReader> reader = CreateInArchive(CLSID_CFormat7z, "C:\\unpack\\7z.dll");
        reader->OpenFile("C:\\unpack\\Vostrel.7z");
        ASSERT_TRUE(ProcessHolds(Folder() + "/7z.dll"));
        ASSERT_TRUE(ProcessHolds(Folder() + "/Vostrel.7z"));
    }
    Extract();
    EXPECT_EQ(testing_support::ReadLinuxFile(Folder() + "/mervo.exe"), "program");
    // The progress went to the observer, up to the whole size.
    EXPECT_EQ(observer.total, 7);
    EXPECT_EQ(observer.done, 7);
    EXPECT_FALSE(ProcessHolds(Folder() + "/7z.dll"));
    EXPECT_FALSE(ProcessHolds(Folder() + "/Vostrel.7z"));
}

TEST_F(ExtractArchiveTest, AnArchiveOfAnotherPasswordRaisesAndReleasesEverything) {
    Prepare("another password");
    EXPECT_THROW(Extract(), Exception);
    EXPECT_FALSE(ProcessHolds(Folder() + "/7z.dll"));
    EXPECT_FALSE(ProcessHolds(Folder() + "/Vostrel.7z"));
}

// A folder that cannot be made is an error of its own, after the archive opened.
TEST_F(ExtractArchiveTest, AFolderThatCannotBeMadeRaisesThatNothingWasUnpacked) {
    Prepare("qhtrwel$$");
    testing_support::WriteLinuxFile(Folder() + "/file", "not a folder");
    destDir = "C:\\unpack\\file\\sub\\";
    EXPECT_EQ(testing_support::RaisedMessage([this] { Extract(); }),
              gbk::Literal("未能解压安装包：无法创建安装文件夹“C:\\unpack\\file\\sub\\”"));
    EXPECT_FALSE(ProcessHolds(Folder() + "/7z.dll"));
}

} // namespace
