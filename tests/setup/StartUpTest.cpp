#include "InstallerWindows.h"

#include "setup/FinishWindow.h"
#include "setup/OptionsWindow.h"
#include "setup/ProgressWindow.h"
#include "setup/SetupClasses.h"
#include "setup/StartUp.h"

#include "rtl/Application.h"
#include "rtl/DescriptionReader.h"
#include "rtl/StoredDescription.h"
#include "support/GbkText.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWidget>

using testing_support::GbkText;

namespace {

// The installer's start-up on a fresh application object; the windows go with it.
class StartUpTest : public testing_support::InstallerWindowsTest {
protected:
    // Runs the message loop until a handler terminates it after ms.
    void RunFor(int ms) {
        QTimer::singleShot(ms, [] { Application->Terminate(); });
        Application->Run();
    }
};

TEST_F(StartUpTest, CreatesTheThreeWindowsInOrderAndShowsOnlyTheOptionsWindow) {
    ASSERT_EQ(app->ComponentCount(), 3);
    EXPECT_EQ(app->Components(0), Form1);
    EXPECT_EQ(app->Components(1), Form2);
    EXPECT_EQ(app->Components(2), Form3);
    EXPECT_EQ(app->MainForm(), Form1);
    EXPECT_EQ(Form1->Name(), "Form1");
    for (TCustomForm* form : {static_cast<TCustomForm*>(Form1), static_cast<TCustomForm*>(Form2),
                              static_cast<TCustomForm*>(Form3)})
        EXPECT_FALSE(form->Visible()) << "nothing shows before the loop";
    RunFor(20);
    EXPECT_TRUE(Form1->Visible());
    EXPECT_TRUE(Form1->Widget()->isVisible());
    EXPECT_FALSE(Form2->Widget()->isVisible());
    EXPECT_FALSE(Form3->Widget()->isVisible());
}

TEST_F(StartUpTest, EveryWindowIsFramelessAndCarriesTheApplicationTitle) {
    EXPECT_EQ(app->Title(), GbkText("Talvimo安装向导"));
    for (TCustomForm* form : {static_cast<TCustomForm*>(Form1), static_cast<TCustomForm*>(Form2),
                              static_cast<TCustomForm*>(Form3)}) {
        EXPECT_EQ(form->Widget()->windowTitle(), QString::fromUtf8("Talvimo安装向导"));
        EXPECT_TRUE(form->Widget()->windowFlags() & Qt::FramelessWindowHint);
    }
}

TEST_F(StartUpTest, WindowsHaveTheirSizesAndTheOptionsWindowIsCentred) {
    EXPECT_EQ(Form1->Width(), 588);
    EXPECT_EQ(Form1->Height(), 400);
    EXPECT_EQ(Form2->Width(), 588);
    EXPECT_EQ(Form2->Height(), 358);
    EXPECT_EQ(Form3->Width(), 588);
    EXPECT_EQ(Form3->Height(), 358);
    RunFor(20);
    QSize desktop = QGuiApplication::primaryScreen()->virtualSize();
    EXPECT_EQ(Form1->Left(), std::max(0, (desktop.width() - 588) / 2));
    EXPECT_EQ(Form1->Top(), std::max(0, (desktop.height() - 400) / 2));
    EXPECT_EQ(Form1->Widget()->geometry().size(), QSize(588, 400));
}

TEST_F(StartUpTest, InstallStateStartsEmptyAndTheStartTimerDisabled) {
    ExpectNoInstallHandedOver();
    EXPECT_EQ(Form3->InstallDir, "");
    EXPECT_EQ(Form2->TimerStartDownload->Interval(), 100);
    EXPECT_TRUE(Form2->Timer1->Enabled());
    EXPECT_EQ(Form2->Timer1->Interval(), 3000);
}

TEST_F(StartUpTest, ThePictureButtonsSitWhereTheWindowsPutThem) {
    EXPECT_EQ(Form1->ImageClose->BoundsRect(), Bounds(573, 5, 11, 11));
    EXPECT_EQ(Form1->ImageMin->BoundsRect(), Bounds(558, 10, 10, 2));
    EXPECT_EQ(Form1->Image2->BoundsRect(), Bounds(196, 336, 197, 47));
    EXPECT_EQ(Form1->Edit1->BoundsRect(), Bounds(176, 400, 237, 25));
    EXPECT_EQ(Form1->Button1->Top(), 400);
    EXPECT_EQ(Form1->ImageClose->Cursor(), crHandPoint);
    EXPECT_EQ(Form1->Image2->Cursor(), crArrow);
    EXPECT_EQ(Form2->Image6->BoundsRect(), Bounds(0, 0, 588, 358));
    EXPECT_EQ(Form2->ImageClose->BoundsRect(), Bounds(573, 5, 15, 15));
    EXPECT_EQ(Form2->ImageMin->BoundsRect(), Bounds(548, 10, 15, 15));
    EXPECT_EQ(Form2->Label1->BoundsRect(), Bounds(88, 320, 649, 13));
    EXPECT_EQ(Form2->ProgressBar1->BoundsRect(), Bounds(20, 338, 548, 7));
    EXPECT_EQ(Form3->Image2->BoundsRect(), Bounds(168, 296, 241, 41));
}

TEST_F(StartUpTest, TheOptionsWindowShowsTheTopOfItsBackgroundPicture) {
    RunFor(20);
    QImage shot = Form1->Widget()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shot.size(), QSize(588, 400));
    QImage background(PICTURES_DIR "/options/background.png");
    ASSERT_EQ(background.size(), QSize(588, 600));
    // Away from the picture-buttons, the window is the picture's top rows.
    for (QPoint p : {QPoint(0, 0), QPoint(300, 100), QPoint(5, 399), QPoint(587, 250)})
        EXPECT_EQ(shot.pixel(p), background.pixel(p)) << p.x() << "," << p.y();
}

TEST_F(StartUpTest, TheCloseButtonEndsTheProgramAtOnce) {
    RunFor(20);
    QWidget* w = Form1->Widget();
    QTimer::singleShot(0, [w] { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(578, 10)); });
    QTimer::singleShot(2000, [] { Application->Terminate(); });
    QElapsedTimer clock;
    clock.start();
    Application->Run();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(StartUpTest, TheProgressWindowAsksBeforeClosing) {
    Form2->Show();
    dialogs->answers = {IDNO};
    QTest::mouseClick(Form2->Widget(), Qt::LeftButton, {}, QPoint(578, 10));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, GbkText("正在安装Talvimo播放器，确定要退出吗？"));
    EXPECT_EQ(dialogs->messages[0].caption, GbkText("警告"));
    EXPECT_EQ(dialogs->messages[0].flags, MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_FALSE(app->Terminated());
    QTest::mouseClick(Form2->Widget(), Qt::LeftButton, {}, QPoint(578, 10));
    EXPECT_TRUE(app->Terminated());
}

TEST_F(StartUpTest, TheSlideshowCyclesThroughTheFivePictures) {
    auto shows = [](TImage* slide) {
        return Form2->Image6->Picture()->Image() == slide->Picture()->Image();
    };
    EXPECT_TRUE(shows(Form2->Image1));
    TImage* order[] = {Form2->Image2, Form2->Image3, Form2->Image4, Form2->Image5, Form2->Image1};
    for (TImage* next : order) {
        Form2->Timer1->OnTimer(Form2->Timer1);
        EXPECT_TRUE(shows(next));
    }
    EXPECT_EQ(SlideIndex, 1);
}

TEST(SetupDescriptions, UnknownClassesPropertiesAndHandlersAreFound) {
    RegisterSetupClasses();
    TObjectDescription d = ParseDescription(R"(object Form1: TForm1
  OnCreate = FormCreate
  OnClick = Image2DoubleClick
  Shadow = True
  object Image1: TImage
  end
  object ImageClose: TFancyImage
  end
end
)",
                                            ".");
    std::vector<std::string> problems = ValidateDescription(d);
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "line 3: TForm1 has no handler Image2DoubleClick",
                            "line 4: TForm1 has no property Shadow",
                            "line 7: class TFancyImage is not registered",
                            "line 1: TForm1.ImageClose has no component",
                            "line 1: TForm1.ImageMin has no component",
                            "line 1: TForm1.Image2 has no component",
                            "line 1: TForm1.bsSkinCheckRadioBox1 has no component",
                            "line 1: TForm1.bsSkinLinkLabel1 has no component",
                            "line 1: TForm1.bsPngImageView1 has no component",
                            "line 1: TForm1.bsSkinLinkLabel2 has no component",
                            "line 1: TForm1.Edit1 has no component",
                            "line 1: TForm1.Button1 has no component",
                            "line 1: TForm1.bsSkinCheckRadioBox4 has no component",
                            "line 1: TForm1.bsSkinCheckRadioBox3 has no component",
                            "line 1: TForm1.bsSkinCheckRadioBox2 has no component",
                            "line 1: TForm1.bsSkinData1 has no component",
                            "line 1: TForm1.bsCompressedStoredSkin1 has no component",
                            "line 1: TForm1.bsPngImageList1 has no component",
                        }));
}

} // namespace
