// The options window: the application's main window. Frameless, dragged by its background
// picture or its bare surface, closed and minimised by two picture-buttons.
#pragma once

#include "rtl/Button.h"
#include "rtl/Edit.h"
#include "rtl/Form.h"
#include "rtl/Image.h"

class TForm1 : public TForm {
public:
    DECLARE_CLASS_INFO
    using TForm::TForm;

    TImage* Image1 = nullptr;
    TImage* ImageClose = nullptr;
    TImage* ImageMin = nullptr;
    TImage* Image2 = nullptr;
    TEdit* Edit1 = nullptr;
    TButton* Button1 = nullptr;

    void FormCreate(TObject* Sender);
    void Image1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void FormMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ImageCloseClick(TObject* Sender);
    void ImageMinClick(TObject* Sender);
};

extern TForm1* Form1;
