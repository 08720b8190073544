// The finish window: a background picture that drags the window and one picture-button that
// registers the product's plug-in, starts the product and ends the installer.
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
    void Image2Click(TObject* Sender);
};

extern TForm3* Form3;
