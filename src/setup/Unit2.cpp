#include "Unit2.h"

#include "rtl/Application.h"

#include <Gbk.h>

TForm2* Form2 = nullptr;
int SlideIndex = 0;

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

void TForm2::ImageClose11Click(TObject* Sender) {
    (void)Sender;
    static const AnsiString text = *gbk::FromUtf8("正在安装Talvimo播放器，确定要退出吗？");
    static const AnsiString caption = *gbk::FromUtf8("警告");
    if (Application->MessageBox(text, caption, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
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

const TClassInfo& TForm2::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TForm2, TForm>("TForm2")
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
                                       .Method("Image6MouseDown", &TForm2::Image6MouseDown);
    return info;
}
