// The finish window: a background picture that drags the window and one picture-button.
#pragma once

#include "rtl/Form.h"
#include "rtl/Image.h"

class TForm3 : public TForm {
public:
    DECLARE_CLASS_INFO
    using TForm::TForm;

    TImage* Image1 = nullptr;
    TImage* Image2 = nullptr;

    // The install folder, copied from the progress window just before this window shows.
    AnsiString InstallDir;

    void FormCreate(TObject* Sender);
    void Image1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
};

extern TForm3* Form3;
