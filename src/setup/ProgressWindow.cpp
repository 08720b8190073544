#include "ProgressWindow.h"

#include "DisplayCheck.h"
#include "FinishWindow.h"
#include "InstallSequence.h"
#include "InstallTransaction.h"
#include "ProcessClosing.h"

#include "rtl/Application.h"

#include "winapi/Gbk.h"

#include <cstdint>

TForm2* Form2 = nullptr;
int SlideIndex = 0;

namespace {

// The sequence as this window shows it: the status line, the bar, and waits that keep the
// window answering.
class TWindowObserver final : public IInstallObserver {
public:
    explicit TWindowObserver(TForm2& form) : form_(form) {}
    void Status(const AnsiString& text) override {
        CancelWithoutDisplay();
        form_.Label1->SetCaption(text);
    }
    void Progress(bool isTotal, Int64 value) override {
        CancelWithoutDisplay();
        ExtractProgress(&form_, isTotal, value);
    }
    void Wait(DWORD milliseconds) override { WaitPumping(milliseconds); }
    void ProcessMessages() override { Application->ProcessMessages(); }
    void Note(const AnsiString&) override {}

private:
    // Without its display the window is gone for the user: the install is cancelled.
    static void CancelWithoutDisplay() {
        if (DisplayConnectionLost())
            InstallTransaction().RequestCancel();
    }

    TForm2& form_;
};

} // namespace

void TForm2::FormCreate(TObject* Sender) {
    (void)Sender;
    SetWidth(588);
    SetHeight(358);
    SlideIndex = 1;
    Image6->Picture()->Assign(Image1->Picture());
    Image6->SetAlign(alClient);
    ImageClose->SetLeft(Image6->Width() - 15);
    ImageClose->SetTop(5);
    ImageMin->SetLeft(ImageClose->Left() - 25);
    ImageMin->SetTop(10);
    ImageProgressbar->SetBounds(20, 338, 548, 3);
    ProgressBar1->SetBounds(20, 338, 548, 7);
    Label1->SetTop(ImageProgressbar->Top() - 18);
    Label1->SetLeft(ImageProgressbar->Width() - 460);
    DrawProgressImage(0, 100);
    MakeReachableToEveryone();
}

// The screen reader hears the step, the progress and each new status line; Escape and a
// close request from the window manager ask, as the close picture-button does.
void TForm2::MakeReachableToEveryone() {
    SetAccessibleName(Application->Title() + gbk::Literal(" - 正在安装"));
    ImageMin->SetAccessibleName(gbk::Literal("最小化"));
    ImageClose->SetAccessibleName(gbk::Literal("关闭"));
    ProgressBar1->SetAccessibleName(gbk::Literal("安装进度"));
    Label1->SetAccessibleRole(TAccessibleRole::StatusLine);
    SetCancelControl(ImageClose);
}

void TForm2::Timer1Timer(TObject* Sender) {
    (void)Sender;
    ++SlideIndex;
    TImage* slides[] = {Image1, Image2, Image3, Image4, Image5};
    if (SlideIndex >= 1 && SlideIndex <= 5)
        Image6->Picture()->Assign(slides[SlideIndex - 1]->Picture());
    if (SlideIndex == 5)
        SlideIndex = 0;
}

void TForm2::DrawProgressImage(int done, int remaining) {
    const int columns = done + remaining;
    ImageTemp->SetWidth(columns);
    ImageTemp->SetHeight(3);
    // A fresh scratch picture of the new size: the canvas of an empty picture takes the
    // control's size.
    ImageTemp->Picture()->Clear();
    TCanvas* temp = ImageTemp->Canvas();
    for (int i = 0; i < columns; ++i)
        temp->Draw(i, 0, (i < done ? ImageProgressBlue : ImageProgressGray)->Picture()->Image());
    temp->EndPaint();
    const QImage bitmap = ImageTemp->Picture()->Image().copy();
    TCanvas* strip = ImageProgressbar->Canvas();
    strip->StretchDraw(Rect(0, 0, ImageProgressbar->Width(), 3), bitmap);
    strip->EndPaint();
}

void TForm2::ImageClose11Click(TObject* Sender) {
    (void)Sender;
    if (Application->MessageBox(gbk::Literal("正在安装Talvimo播放器，确定要退出吗？"),
                                gbk::Literal("警告"), MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        Application->Terminate();
}

void TForm2::ImageMinClick(TObject* Sender) {
    (void)Sender;
    Application->Minimize();
}

void TForm2::Image6MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                             int Y) {
    (void)Sender, (void)Button, (void)X, (void)Y;
    BeginWindowDrag(this, Shift);
}

void TForm2::TimerStartDownloadTimer(TObject* Sender) {
    (void)Sender;
    // Disabled first: the waits below pump messages, and the sequence must run only once.
    TimerStartDownload->SetEnabled(false);
    Label1->SetCaption("...");
    RunInstall();
}

void TForm2::TakeInstallState(const TInstallState& state) {
    install_ = state;
    DesktopShortcutOption = OptionString(state.desktopShortcut);
    QuickLaunchOption = OptionString(state.quickLaunch);
    AutoStartOption = OptionString(state.autoStart);
    InstallDir = state.installDir;
}

void TForm2::RunInstall() {
    TWindowObserver observer(*this);
    try {
        RunInstallSequence(install_, observer);
    } catch (const EPayloadMissing& missing) {
        Application->MessageBox(missing.Message(), "", MB_OK);
        Application->Terminate();
        return;
    } catch (const ECancelled&) {
        // Asked for by the user or a signal: everything is undone, nothing more to say.
        Application->Terminate();
        return;
    }
    ShowFailedExtras();
    if (FinishWithoutWindow) {
        // Run without the finish window: it ends as its button would.
        for (const AnsiString& problem : FinishInstall(InstallDir, StartProductWhenDone))
            Application->MessageBox(problem, "", MB_OK);
        Completed = true;
        Application->Terminate();
        return;
    }
    Completed = true;
    // The finish window takes this window's place.
    Form3->InstallDir = InstallDir;
    Form3->SetTop(Top());
    Form3->SetLeft(Left());
    Form3->Show();
    Hide();
}

// One message for all the extras that could not be made; the install itself is complete.
void TForm2::ShowFailedExtras() {
    const std::vector<AnsiString>& failed = InstallTransaction().FailedExtras();
    if (failed.empty())
        return;
    AnsiString text = gbk::Literal("安装已完成，但以下项目未能创建：");
    for (const AnsiString& problem : failed)
        text += "\n" + problem;
    Application->MessageBox(text, "", MB_OK | MB_ICONEXCLAMATION);
}

HRESULT ExtractProgress(void* sender, bool isTotal, Int64 value) {
    (void)sender;
    // The archive library calls this during the extraction; only the window thread may touch
    // the bar.
    RequireGuiThread("ExtractProgress");
    // The bar's range is 32-bit; the payload's total is far below 2^31.
    const auto low = static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
    if (isTotal)
        Form2->ProgressBar1->SetMax(low);
    else
        Form2->ProgressBar1->SetPosition(low);
    return S_OK;
}

const TClassInfo& TForm2::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TForm2, TForm>("TForm2")
            .Field("Image1", &TForm2::Image1)
            .Field("Image2", &TForm2::Image2)
            .Field("Image3", &TForm2::Image3)
            .Field("Image4", &TForm2::Image4)
            .Field("Image5", &TForm2::Image5)
            .Field("Image6", &TForm2::Image6)
            .Field("ImageProgressbar", &TForm2::ImageProgressbar)
            .Field("ImageTemp", &TForm2::ImageTemp)
            .Field("ImageProgressGray", &TForm2::ImageProgressGray)
            .Field("ImageProgressBlue", &TForm2::ImageProgressBlue)
            .Field("Label1", &TForm2::Label1)
            .Field("ImageMin", &TForm2::ImageMin)
            .Field("ImageClose", &TForm2::ImageClose)
            .Field("ProgressBar1", &TForm2::ProgressBar1)
            .Field("Timer1", &TForm2::Timer1)
            .Field("TimerStartDownload", &TForm2::TimerStartDownload)
            .Method("FormCreate", &TForm2::FormCreate)
            .Method("Timer1Timer", &TForm2::Timer1Timer)
            .Method("ImageClose11Click", &TForm2::ImageClose11Click)
            .Method("ImageMinClick", &TForm2::ImageMinClick)
            .Method("Image6MouseDown", &TForm2::Image6MouseDown)
            .Method("TimerStartDownloadTimer", &TForm2::TimerStartDownloadTimer);
    return info;
}
