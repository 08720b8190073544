#include "FinishWindow.h"

#include "InstallSequence.h"

#include "rtl/Application.h"

#include "winapi/Gbk.h"

TForm3* Form3 = nullptr;

void TForm3::FormCreate(TObject* Sender) {
    (void)Sender;
    SetWidth(588);
    SetHeight(358);
    // The screen reader hears the step; Return finishes.
    SetAccessibleName(Application->Title() + gbk::Literal(" - 安装完成"));
    Image2->SetAccessibleName(gbk::Literal("完成安装"));
    SetDefaultControl(Image2);
    // The install is done, so closing the window (the window manager's close, Alt+F4, Escape)
    // finishes it as the button does, product start included: the only way out stays one.
    SetCancelControl(Image2);
}

void TForm3::Image1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                             int Y) {
    (void)Sender, (void)Button, (void)X, (void)Y;
    BeginWindowDrag(this, Shift);
}

void TForm3::Image2Click(TObject* Sender) {
    (void)Sender;
    // A start that cannot happen is said; the install itself is done, so the installer ends
    // normally either way.
    for (const AnsiString& problem : FinishInstall(InstallDir, true))
        Application->MessageBox(problem, "", MB_OK);
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
