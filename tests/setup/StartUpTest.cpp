#include "InstallerWindows.h"

#include "setup/FinishWindow.h"
#include "setup/OptionsWindow.h"
#include "setup/ProgressWindow.h"
#include "setup/SetupClasses.h"
#include "setup/StartUp.h"

#include "rtl/Application.h"
#include "rtl/DescriptionReader.h"
#include "rtl/StoredDescription.h"
#include "winapi/Gbk.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace {

// The installer's start-up on a fresh application object; the windows go with it.
class StartUpTest : public testing_support::InstallerWindowsTest {
protected:
    // Runs the message loop until a handler terminates it after ms. The timer belongs to the
    // options window, so it cannot outlive this test's application.
    void RunFor(int ms) {
        QTimer::singleShot(ms, Form1->Widget(), [] { Application->Terminate(); });
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
    EXPECT_EQ(app->Title(), gbk::Literal("Talvimo安装向导"));
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
    // The click comes from inside the running loop, once the window is up; the loop must end
    // through it, not through the fallback that stops a loop the click failed to end.
    QWidget* window = Form1->Widget();
    bool clicked = false;
    bool fellBack = false;
    QTimer::singleShot(20, window, [&] {
        clicked = window->isVisible();
        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(578, 10));
    });
    QTimer::singleShot(5000, window, [&] {
        fellBack = true;
        Application->Terminate();
    });
    Application->Run();
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(fellBack);
    EXPECT_TRUE(app->Terminated());
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(StartUpTest, TheProgressWindowAsksBeforeClosing) {
    Form2->Show();
    dialogs->answers = {IDNO};
    QTest::mouseClick(Form2->Widget(), Qt::LeftButton, {}, QPoint(578, 10));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, gbk::Literal("正在安装Talvimo播放器，确定要退出吗？"));
    EXPECT_EQ(dialogs->messages[0].caption, gbk::Literal("警告"));
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
    const TObjectDescription form = ParseDescription(R"(object Form1: TForm1
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
    EXPECT_EQ(ValidateDescription(form),
              (std::vector<std::string>{
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
