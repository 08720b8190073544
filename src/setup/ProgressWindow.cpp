#include "ProgressWindow.h"

#include "DesktopLaunchers.h"

#include "FinishWindow.h"
#include "InstalledItems.h"
#include "ProcessClosing.h"
#include "ProductInfo.h"
#include "ShellIntegration.h"

#include "rtl/Application.h"
#include "rtl/FileUtils.h"
#include "rtl/SysErrorMessage.h"
#include "sevenzip/sevenzip.h"

#include "winapi/Gbk.h"
#include "winapi/kernel32.h"
#include "winapi/shell32.h"

#include <cstdint>

TForm2* Form2 = nullptr;
int SlideIndex = 0;

namespace {

const AnsiString kProductProcesses = "qzmini.exe|mervo.exe|p2ptrans.exe|qztrans.exe|mervotips.exe";
constexpr int kClosingPasses = 21;
constexpr DWORD kPauseAfterClosing = 1000;
constexpr DWORD kSettlingWait = 3000;
const std::wstring kArchivePassword = L"qhtrwel$$";

AnsiString GbkText(const char* utf8) {
    return *gbk::FromUtf8(utf8);
}

bool IsExistingFile(const AnsiString& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

AnsiString MissingArchiveMessage() {
    return GbkText("安装包有误，找不到离线文件，建议去官方网站( ") + ProductWebAddress() +
           GbkText(" )下载安装包");
}

AnsiString NothingUnpackedMessage(const AnsiString& archive) {
    return GbkText("未能解压安装包“") + archive +
           GbkText("”：安装包已不存在，或无法创建安装文件夹");
}

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
    if (Application->MessageBox(GbkText("正在安装Talvimo播放器，确定要退出吗？"), GbkText("警告"),
                                MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
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

void TForm2::RunInstall() {
    const AnsiString archive = InstallDir + kPayloadArchiveName;
    const AnsiString mainProgram = InstallDir + kMainProgramName;
    const AnsiString uninstaller = InstallDir + kUninstallerName;

    // 1. Without the payload there is nothing to install.
    if (!IsExistingFile(archive)) {
        Application->MessageBox(MissingArchiveMessage(), "", MB_OK);
        Application->Terminate();
        return;
    }
    // 2. Close running product processes, pass after pass, until none is left to close.
    for (int pass = 0; pass < kClosingPasses; ++pass) {
        Label1->SetCaption(GbkText("正在关闭Talvimo播放器主程序..."));
        if (KillProcessesByName(kProductProcesses) == 0)
            break;
        WaitPumping(kPauseAfterClosing);
    }
    // 3. Let the closed processes release their files.
    WaitPumping(kSettlingWait);
    // 4. The status text shows before the extraction, which pumps nothing.
    Label1->SetCaption(GbkText("正在释放文件..."));
    Application->ProcessMessages();
    // 5. Unpack. Nothing unpacked (the archive gone since the check, or the folder no longer
    // creatable) stops here like any other error, rather than deleting the archive and
    // reporting an install of files that are not there.
    if (ExtractArchive(archive, InstallDir) == 0)
        throw Exception(NothingUnpackedMessage(archive));
    // 6.
    Label1->SetCaption(GbkText("完成:100% ."));
    // 7. The archive has served its purpose; a failure to delete it is harmless.
    DeleteFileA(archive.c_str());
    // 8. Also creates the Start-menu folder "Talvimo" that step 9 saves into.
    CreateProductShortcuts();
    // 9.
    CreateShortcut(uninstaller, CSIDL_PROGRAMS, L"Talvimo\\卸载");
    // 10. The start-with-Windows value follows the user's choice: an unticked box writes no
    // value and removes one an earlier install left behind.
    SetAutoRun(mainProgram + " Minimize", AutoStartOption == "1");
    // 11.
    WriteUninstallEntry(uninstaller, mainProgram);
    // 12. The finish window takes this window's place.
    Form3->InstallDir = InstallDir;
    Form3->SetTop(Top());
    Form3->SetLeft(Left());
    Form3->Show();
    Hide();
}

void TForm2::CreateProductShortcuts() {
    const AnsiString target = InstallDir + kMainProgramName;
    TShellLink link;
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(ExtractFilePath(target).c_str());
    link->SetDescription(kProductName);
    link->SetIconLocation(target.c_str(), 0);

    const AnsiString linkName = AnsiString(kProductName) + ".lnk";
    if (DesktopShortcutOption == "1") {
        link.Save(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + linkName);
        CreateLaunchersFor(CSIDL_DESKTOPDIRECTORY, kProductName, target, kProductName, target);
    }
    // The Quick Launch folder is not created: without it that link is not made.
    const AnsiString quickLaunch =
        SpecialFolder(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer\\Quick Launch\\";
    if (QuickLaunchOption == "1" && DirectoryExists(quickLaunch))
        link.Save(quickLaunch + linkName);

    const AnsiString programs = SpecialFolder(CSIDL_PROGRAMS);
    const AnsiString productFolder = programs + "\\" + kProductName + "\\";
    if (!DirectoryExists(productFolder) && !CreateDirectoryA(productFolder.c_str(), nullptr))
        throw Exception(*gbk::FromUtf8("无法创建文件夹 ") + productFolder + ": " +
                        SysErrorMessage(GetLastError()));
    // Recorded even when an earlier install made it: the uninstaller removes it only empty.
    InstalledItems().AddFolder(productFolder);
    link.Save(productFolder + linkName);
    const AnsiString menuName = AnsiString(kProductName) + "\\" + kProductName;
    CreateLaunchersFor(CSIDL_PROGRAMS, menuName, target, kProductName, target);
}

int ExtractArchive(const AnsiString& archivePath, const AnsiString& destDir) {
    if (!IsExistingFile(archivePath))
        return 0;
    // The reader (and with it the library) is released on every way out, errors included.
    ComPtr<I7zArchiveReader> reader =
        CreateInArchive(CLSID_CFormat7z, destDir + kArchiveLibraryName);
    reader->SetPassword(kArchivePassword);
    reader->SetProgressCallback(nullptr, ExtractProgress);
    reader->OpenFile(archivePath);
    if (!ForceDirectories(destDir))
        return 0;
    reader->ExtractTo(destDir);
    return 1;
}

HRESULT ExtractProgress(void* sender, bool isTotal, Int64 value) {
    (void)sender;
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
