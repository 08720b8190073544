#include "FinishWindow.h"

#include "ProductInfo.h"
#include "WineSupport.h"

#include "rtl/Application.h"

#include "rtl/SysErrorMessage.h"

#include "winapi/Gbk.h"
#include "winapi/shell32.h"

#include <cstdint>

TForm3* Form3 = nullptr;

AnsiString StartFailureMessage(const AnsiString& file, INT code) {
    // SE_ERR_NOASSOC shares its number with an unrelated system error, so it has its own text.
    // The system's texts end in their own full stop.
    const AnsiString reason = code == SE_ERR_NOASSOC ? *gbk::FromUtf8("没有可以运行它的程序。")
                                                     : SysErrorMessage(static_cast<DWORD>(code));
    return *gbk::FromUtf8("无法启动 ") + file + ": " + reason;
}

namespace {

// Starts file through the shell; a failure is shown to the user.
void StartShown(const AnsiString& file, const AnsiString& parameters) {
    const auto code = static_cast<INT>(reinterpret_cast<std::intptr_t>(
        ShellExecuteA(nullptr, "open", file.c_str(),
                      parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL)));
    if (code <= 32)
        Application->MessageBox(StartFailureMessage(file, code), "", MB_OK);
}

} // namespace

void TForm3::FormCreate(TObject* Sender) {
    (void)Sender;
    SetWidth(588);
    SetHeight(358);
}

void TForm3::Image1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                             int Y) {
    (void)Sender, (void)Button, (void)X, (void)Y;
    BeginWindowDrag(this, Shift);
}

void TForm3::Image2Click(TObject* Sender) {
    (void)Sender;
    // Without a Wine that runs the product nothing is started; the install itself is done, so
    // the installer ends normally either way. The starts are not waited for.
    const AnsiString product = InstallDir + kMainProgramName;
    if (const AnsiString missing = MissingWineMessage(product); !missing.empty()) {
        Application->MessageBox(missing, "", MB_OK);
        Application->Terminate();
        return;
    }
    StartShown("Regsvr32.exe", "/s \"" + InstallDir + kPlugInName + "\"");
    StartShown(product, AnsiString());
    Application->Terminate();
}

const TClassInfo& TForm3::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TForm3, TForm>("TForm3")
                                       .Field("Image1", &TForm3::Image1)
                                       .Field("Image2", &TForm3::Image2)
                                       .Method("FormCreate", &TForm3::FormCreate)
                                       .Method("Image1MouseDown", &TForm3::Image1MouseDown)
                                       .Method("Image2Click", &TForm3::Image2Click);
    return info;
}
