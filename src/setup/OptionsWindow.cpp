#include "OptionsWindow.h"

#include "InstallAction.h"
#include "IntegrityCheck.h"
#include "ProgressWindow.h"
#include "ResourceFiles.h"

#include "rtl/Application.h"
#include "rtl/FileUtils.h"
#include "winapi/kernel32.h"

#include "winapi/Gbk.h"

#include <cmath>

TForm1* Form1 = nullptr;

namespace {

constexpr int kCollapsedHeight = 400;
constexpr int kExpandedHeight = 550;

// Toggle pictures: grey and, under the pointer, green; chevron down (collapsed) or up.
constexpr int kCollapsedIndex = 0;
constexpr int kCollapsedHoverIndex = 1;
constexpr int kExpandedIndex = 2;
constexpr int kExpandedHoverIndex = 3;

// The product's licence, carried as resource LICENSE: UTF-8, perhaps with a byte-order mark.
constexpr char kLicenceResource[] = "LICENSE";

AnsiString LicenceText() {
    std::string_view text = ResourceBytes(kLicenceResource);
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    auto gbkText = gbk::FromUtf8(text);
    if (!gbkText)
        throw Exception(gbk::Literal("许可协议的文字无法显示"));
    return *gbkText;
}

// Sets the process error mode for its lifetime and restores the previous one.
class ErrorModeScope {
public:
    explicit ErrorModeScope(UINT mode) : previous_(SetErrorMode(mode)) {}
    ~ErrorModeScope() { SetErrorMode(previous_); }
    ErrorModeScope(const ErrorModeScope&) = delete;
    ErrorModeScope& operator=(const ErrorModeScope&) = delete;

private:
    UINT previous_;
};

} // namespace

void TForm1::FormCreate(TObject* Sender) {
    (void)Sender;
    SetWidth(588);
    SetHeight(kCollapsedHeight);
    ImageClose->SetBounds(Image1->Width() - 15, 5, 11, 11);
    ImageMin->SetBounds(ImageClose->Left() - 15, 10, 10, 2);
    // Centred in floating point, halves going to the even neighbour: 195.5 gives 196.
    Image2->SetBounds(static_cast<int>(std::nearbyint((Width() - 197) / 2.0)), Image2->Top(), 197,
                      47);
    Edit1->SetBounds(Image2->Left() - 20, Edit1->Top(), Image2->Width() + 40, Edit1->Height());
    Edit1->SetText(DefaultInstallDir());
    Button1->SetTop(Edit1->Top());
    bsSkinCheckRadioBox1->SetChecked(true);
    bsSkinCheckRadioBox2->SetChecked(true);
    bsSkinCheckRadioBox3->SetChecked(true);
    bsSkinCheckRadioBox4->SetChecked(true);
    MakeReachableToEveryone();
}

// The keyboard and the screen reader: the picture-buttons are named by the words they show,
// Return installs and Escape closes, Alt with a letter reaches each control (the letters after
// the English words, as a Windows dialog picks them), and the window's name says its step. The
// folder box gets no letter: it is disabled, the user browses.
void TForm1::MakeReachableToEveryone() {
    SetAccessibleName(Application->Title() + gbk::Literal(" - 安装选项"));
    ImageMin->SetAccessibleName(gbk::Literal("最小化"));
    ImageClose->SetAccessibleName(gbk::Literal("关闭"));
    Image2->SetAccessibleName(gbk::Literal("一键安装"));
    bsPngImageView1->SetAccessibleName(gbk::Literal("展开自定义选项"));
    Edit1->SetAccessibleName(gbk::Literal("安装位置"));
    Image2->SetAccessKey('I');
    bsSkinCheckRadioBox1->SetAccessKey('A');
    bsSkinLinkLabel1->SetAccessKey('L');
    // The arrow and the link beside it do the same.
    bsPngImageView1->SetAccessKey('C');
    bsSkinLinkLabel2->SetAccessKey('C');
    Button1->SetAccessKey('B');
    bsSkinCheckRadioBox4->SetAccessKey('D');
    bsSkinCheckRadioBox3->SetAccessKey('Q');
    bsSkinCheckRadioBox2->SetAccessKey('S');
    SetDefaultControl(Image2);
    SetCancelControl(ImageClose);
}

void TForm1::Image1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                             int Y) {
    (void)Sender, (void)Button, (void)X, (void)Y;
    BeginWindowDrag(this, Shift);
}

void TForm1::FormMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
    (void)Sender, (void)Button, (void)X, (void)Y;
    BeginWindowDrag(this, Shift);
}

void TForm1::ImageCloseClick(TObject* Sender) {
    (void)Sender;
    Application->Terminate();
}

void TForm1::ImageMinClick(TObject* Sender) {
    (void)Sender;
    Application->Minimize();
}

// Expands or collapses the window at its bottom edge; the agreement row follows that edge.
void TForm1::bsPngImageView1Click(TObject* Sender) {
    (void)Sender;
    int index = bsPngImageView1->ImageIndex();
    int next;
    if (index == kCollapsedIndex || index == kCollapsedHoverIndex) {
        SetHeight(kExpandedHeight);
        next = kExpandedIndex;
    } else {
        SetHeight(kCollapsedHeight);
        next = kCollapsedIndex;
    }
    const int h = Height();
    bsSkinCheckRadioBox1->SetTop(h - 30);
    bsSkinLinkLabel1->SetTop(h - 25);
    bsPngImageView1->SetTop(h - 25);
    bsSkinLinkLabel2->SetTop(h - 25);
    bsPngImageView1->SetImageIndex(next);
    bsPngImageView1->SetAccessibleName(next == kExpandedIndex ? gbk::Literal("收起自定义选项")
                                                              : gbk::Literal("展开自定义选项"));
}

// The green picture stays until the next click: nothing undoes it when the pointer leaves.
void TForm1::bsPngImageView1MouseEnter(TObject* Sender) {
    (void)Sender;
    if (bsPngImageView1->ImageIndex() == kCollapsedIndex)
        bsPngImageView1->SetImageIndex(kCollapsedHoverIndex);
    if (bsPngImageView1->ImageIndex() == kExpandedIndex)
        bsPngImageView1->SetImageIndex(kExpandedHoverIndex);
}

void TForm1::Button1Click(TObject* Sender) {
    (void)Sender;
    static const AnsiString caption = gbk::Literal("指定目录");
    AnsiString folder;
    BrowseForDirectory(caption, std::wstring(), folder);
    if (!folder.empty())
        Edit1->SetText(IncludeTrailingBackslash(folder) + "MERVO\\");
}

void TForm1::bsSkinLinkLabel1Click(TObject* Sender) {
    (void)Sender;
    Application->Dialogs().ShowText(LicenceText(), Application->Title());
}

void TForm1::Image2Click(TObject* Sender) {
    (void)Sender;
    if (!bsSkinCheckRadioBox1->Checked()) {
        Application->MessageBox(gbk::Literal("请先阅读并同意许可协议"), AnsiString(), MB_OK);
        return;
    }
    const TInstallState state{IncludeTrailingBackslash(Edit1->Text()),
                              bsSkinCheckRadioBox4->Checked(), bsSkinCheckRadioBox3->Checked(),
                              bsSkinCheckRadioBox2->Checked()};
    try {
        PerformInstallAction(state);
    } catch (const EInstallRunning& e) {
        Application->MessageBox(e.Message(), AnsiString(), MB_OK | MB_ICONEXCLAMATION);
        Application->Terminate();
        return;
    } catch (const EDamagedSetup& e) {
        EndForDamagedSetup(e.Message());
    } catch (const EForeignFolder& e) {
        // Another folder, or another user's run, may do: stay here.
        Application->MessageBox(e.Message(), AnsiString(), MB_OK | MB_ICONERROR);
        return;
    } catch (const Exception& e) {
        // Without the folder and both payload files whole the install cannot go on: stay here
        // with the error.
        Application->MessageBox(e.Message(), AnsiString(), MB_OK);
        return;
    }
    Form2->Show();
    Hide();
    Form2->TakeInstallState(state);
    Form2->TimerStartDownload->SetEnabled(true);
}

bool BrowseForDirectory(const AnsiString& caption, const std::wstring& root, AnsiString& folder) {
    if (!DirectoryExists(folder))
        folder.clear();
    AnsiString start = folder;
    if (start.empty() && !root.empty())
        start = gbk::FromWide(root).value_or(AnsiString());
    std::optional<AnsiString> chosen;
    {
        // No "insert a disk" prompts while the picker looks at removable drives.
        ErrorModeScope errorMode(SEM_FAILCRITICALERRORS);
        chosen = Application->Dialogs().BrowseForFolder(caption, start);
    }
    if (!chosen)
        return false;
    folder = *chosen;
    return true;
}

const TClassInfo& TForm1::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TForm1, TForm>("TForm1")
            .Field("Image1", &TForm1::Image1)
            .Field("ImageClose", &TForm1::ImageClose)
            .Field("ImageMin", &TForm1::ImageMin)
            .Field("Image2", &TForm1::Image2)
            .Field("bsSkinCheckRadioBox1", &TForm1::bsSkinCheckRadioBox1)
            .Field("bsSkinLinkLabel1", &TForm1::bsSkinLinkLabel1)
            .Field("bsPngImageView1", &TForm1::bsPngImageView1)
            .Field("bsSkinLinkLabel2", &TForm1::bsSkinLinkLabel2)
            .Field("Edit1", &TForm1::Edit1)
            .Field("Button1", &TForm1::Button1)
            .Field("bsSkinCheckRadioBox4", &TForm1::bsSkinCheckRadioBox4)
            .Field("bsSkinCheckRadioBox3", &TForm1::bsSkinCheckRadioBox3)
            .Field("bsSkinCheckRadioBox2", &TForm1::bsSkinCheckRadioBox2)
            .Field("bsSkinData1", &TForm1::bsSkinData1)
            .Field("bsCompressedStoredSkin1", &TForm1::bsCompressedStoredSkin1)
            .Field("bsPngImageList1", &TForm1::bsPngImageList1)
            .Method("FormCreate", &TForm1::FormCreate)
            .Method("Image1MouseDown", &TForm1::Image1MouseDown)
            .Method("FormMouseDown", &TForm1::FormMouseDown)
            .Method("ImageCloseClick", &TForm1::ImageCloseClick)
            .Method("ImageMinClick", &TForm1::ImageMinClick)
            .Method("bsPngImageView1Click", &TForm1::bsPngImageView1Click)
            .Method("bsPngImageView1MouseEnter", &TForm1::bsPngImageView1MouseEnter)
            .Method("Button1Click", &TForm1::Button1Click)
            .Method("bsSkinLinkLabel1Click", &TForm1::bsSkinLinkLabel1Click)
            .Method("Image2Click", &TForm1::Image2Click);
    return info;
}
