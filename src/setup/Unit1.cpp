#include "Unit1.h"

#include "rtl/Application.h"

#include <cmath>

TForm1* Form1 = nullptr;

void TForm1::FormCreate(TObject* Sender) {
    (void)Sender;
    SetWidth(588);
    SetHeight(400);
    ImageClose->SetBounds(Image1->Width() - 15, 5, 11, 11);
    ImageMin->SetBounds(ImageClose->Left() - 15, 10, 10, 2);
    // Centred in floating point, halves going to the even neighbour: 195.5 gives 196.
    Image2->SetBounds(static_cast<int>(std::nearbyint((Width() - 197) / 2.0)), Image2->Top(), 197,
                      47);
    Edit1->SetBounds(Image2->Left() - 20, Edit1->Top(), Image2->Width() + 40, Edit1->Height());
    Button1->SetTop(Edit1->Top());
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

const TClassInfo& TForm1::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TForm1, TForm>("TForm1")
                                       .Field("Image1", &TForm1::Image1)
                                       .Field("ImageClose", &TForm1::ImageClose)
                                       .Field("ImageMin", &TForm1::ImageMin)
                                       .Field("Image2", &TForm1::Image2)
                                       .Field("Edit1", &TForm1::Edit1)
                                       .Field("Button1", &TForm1::Button1)
                                       .Method("FormCreate", &TForm1::FormCreate)
                                       .Method("Image1MouseDown", &TForm1::Image1MouseDown)
                                       .Method("FormMouseDown", &TForm1::FormMouseDown)
                                       .Method("ImageCloseClick", &TForm1::ImageCloseClick)
                                       .Method("ImageMinClick", &TForm1::ImageMinClick);
    return info;
}
