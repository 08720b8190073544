#include "GuiTest.h"

#include "rtl/Timer.h"
#include "winapi/Gbk.h"
#include "winapi/ShellLink.h"
#include "winapi/ole32.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <thread>

namespace {

TEST(ErrorBoxText, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(ErrorBoxText("Disk full"), "Disk full.");
    EXPECT_EQ(ErrorBoxText("Disk full,"), "Disk full,");
    EXPECT_EQ(ErrorBoxText(gbk::Literal("文件")), gbk::Literal("文件."));
    EXPECT_EQ(ErrorBoxText(gbk::Literal("文件）")), gbk::Literal("文件）."));
    EXPECT_EQ(ErrorBoxText("code 5"), "code 5.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(ErrorBoxText, AddsNoStopAfterATextThatClosesItsSentence) {
    // "?" (0x3F) sorts after ".", and so do the lead bytes of the full-width marks.
    EXPECT_EQ(ErrorBoxText("Disk full?"), "Disk full?");
    EXPECT_EQ(ErrorBoxText("Disk full."), "Disk full.");
    EXPECT_EQ(ErrorBoxText("Disk full!"), "Disk full!");
    for (const char* text : {"磁盘已满！", "当文件已存在时，无法创建该文件。", "是否继续？"})
        EXPECT_EQ(ErrorBoxText(gbk::Literal(text)), gbk::Literal(text)) << text;
}

class ApplicationTest : public GuiTest {};

// A class the COM layer creates, to see whether COM is on for this thread.
HRESULT TryCreateShellLink() {
    IUnknown* object = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                      reinterpret_cast<void**>(&object));
    if (object)
        object->Release();
    return result;
}

TEST_F(ApplicationTest, COMIsOnFromInitializeUntilTheApplicationGoes) {
    ASSERT_EQ(TryCreateShellLink(), CO_E_NOTINITIALIZED);
    app->Initialize();
    app->Initialize(); // twice, as a program may: both are undone
    EXPECT_EQ(TryCreateShellLink(), S_OK);
    app.reset();
    EXPECT_EQ(TryCreateShellLink(), CO_E_NOTINITIALIZED);
}

// Code that touches widgets stops the program when it runs on any other thread than Qt's.
TEST_F(ApplicationTest, WidgetCodeOffTheWindowThreadStopsTheProgram) {
    RequireGuiThread("on the window thread");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(std::thread([] { RequireGuiThread("SetPosition"); }).join(),
                 "SetPosition called off the window thread");
}

TEST_F(ApplicationTest, AnErrorEscapingAHandlerIsShownAndTheLoopCarriesOn) {
    app->SetTitle(gbk::Literal("Talvimo安装向导"));
    TTimer failing(app.get());
    failing.SetInterval(1);
    int failures = 0;
    failing.OnTimer = [&](TObject*) {
        ++failures;
        failing.SetEnabled(false);
        throw Exception(gbk::Literal("无法打开文件"));
    };
    TTimer stopper(app.get());
    stopper.SetInterval(30);
    stopper.OnTimer = [&](TObject*) { app->Terminate(); };
    app->Run();
    EXPECT_EQ(failures, 1);
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, gbk::Literal("无法打开文件."));
    EXPECT_EQ(dialogs->messages[0].caption, gbk::Literal("Talvimo安装向导"));
    EXPECT_EQ(dialogs->messages[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_TRUE(app->Terminated());
}

TEST_F(ApplicationTest, TerminateFromAHandlerThatGoesOnWorkingEndsTheLoopAfterIt) {
    TTimer other(app.get());
    other.SetInterval(5);
    int otherTicks = 0;
    other.OnTimer = [&](TObject*) { ++otherTicks; };
    TTimer worker(app.get());
    worker.SetInterval(1);
    bool finished = false;
    int ticksDuringWork = 0;
    worker.OnTimer = [&](TObject*) {
        worker.SetEnabled(false);
        app->Terminate();
        // The handler goes on pumping messages, as the install sequence's waits do.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 60)
            app->ProcessMessages();
        ticksDuringWork = otherTicks;
        finished = true;
    };
    app->Run();
    EXPECT_TRUE(finished);
    EXPECT_GT(ticksDuringWork, 0) << "other handlers run while the terminating one pumps";
}

TEST_F(ApplicationTest, TerminateFromAHandlerThatReturnsEndsTheLoopAtOnce) {
    TTimer quick(app.get());
    quick.SetInterval(1);
    quick.OnTimer = [&](TObject*) { app->Terminate(); };
    TTimer late(app.get());
    late.SetInterval(200);
    bool lateFired = false;
    late.OnTimer = [&](TObject*) { lateFired = true; };
    QElapsedTimer clock;
    clock.start();
    app->Run();
    EXPECT_LT(clock.elapsed(), 150);
    EXPECT_FALSE(lateFired);
}

TEST_F(ApplicationTest, ATimerThatDisablesItselfFiresOnce) {
    TTimer once(app.get());
    once.SetInterval(1);
    int ticks = 0;
    once.OnTimer = [&](TObject*) {
        once.SetEnabled(false);
        ++ticks;
    };
    TTimer stopper(app.get());
    stopper.SetInterval(50);
    stopper.OnTimer = [&](TObject*) { app->Terminate(); };
    app->Run();
    EXPECT_EQ(ticks, 1);
}

TEST_F(ApplicationTest, MessageBoxesWithoutCaptionTakeTheTitle) {
    app->SetTitle("Setup");
    dialogs->answers.push_back(IDNO);
    EXPECT_EQ(app->MessageBox("Quit?", "", MB_YESNO), IDNO);
    EXPECT_EQ(app->MessageBox("Done", "Own", MB_OK), IDOK);
    EXPECT_EQ(dialogs->messages[0].caption, "Setup");
    EXPECT_EQ(dialogs->messages[1].caption, "Own");
}

TEST_F(ApplicationTest, TheQtMessageBoxIsModalChineseAndTimersGoOnWhileItIsOpen) {
    app->SetDialogs(std::make_unique<QtDialogService>());
    TTestForm* form = MakeForm("object F: TTestForm\nend");
    form->Show();
    TTimer ticker(app.get());
    ticker.SetInterval(5);
    int ticks = 0;
    ticker.OnTimer = [&](TObject*) { ++ticks; };
    int ticksWhileOpen = -1;
    bool blocked = false;
    QString caption, yes, no;
    QTimer::singleShot(100, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        yes = box->button(QMessageBox::Yes)->text();
        no = box->button(QMessageBox::No)->text();
        blocked = box->windowModality() == Qt::ApplicationModal;
        ticksWhileOpen = ticks;
        box->button(QMessageBox::No)->click();
    });
    app->SetTitle("Setup");
    EXPECT_EQ(app->MessageBox("Quit?", "", MB_YESNO | MB_ICONEXCLAMATION), IDNO);
    EXPECT_GT(ticksWhileOpen, 3);
    EXPECT_TRUE(blocked);
    EXPECT_EQ(caption, "Setup");
    // The buttons speak Chinese, as the program does.
    EXPECT_EQ(yes, QString::fromUtf8("是(&Y)"));
    EXPECT_EQ(no, QString::fromUtf8("否(&N)"));
}

TEST_F(ApplicationTest, AFormWithoutStoredDescriptionIsNotCreated) {
    TTestForm* form = nullptr;
    try {
        app->CreateForm(form);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Resource TTESTFORM not found");
    }
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(app->MainForm(), nullptr);
    EXPECT_EQ(app->ComponentCount(), 0);
}

} // namespace
