// The progress window: a slideshow over its whole surface, a status line and a progress bar,
// minimise and close picture-buttons; it holds the install state the options window fills.
#pragma once

#include "rtl/Form.h"
#include "rtl/Image.h"
#include "rtl/Label.h"
#include "rtl/ProgressBar.h"
#include "rtl/Timer.h"

class TForm2 : public TForm {
public:
    DECLARE_CLASS_INFO
    using TForm::TForm;

    TImage* Image1 = nullptr;
    TImage* Image2 = nullptr;
    TImage* Image3 = nullptr;
    TImage* Image4 = nullptr;
    TImage* Image5 = nullptr;
    TImage* Image6 = nullptr;
    TImage* ImageProgressbar = nullptr;
    TImage* ImageTemp = nullptr;
    TImage* ImageProgressGray = nullptr;
    TImage* ImageProgressBlue = nullptr;
    TLabel* Label1 = nullptr;
    TImage* ImageMin = nullptr;
    TImage* ImageClose = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TTimer* Timer1 = nullptr;
    TTimer* TimerStartDownload = nullptr;

    // Install state, written by the options window's install action.
    AnsiString DesktopShortcutOption;
    AnsiString QuickLaunchOption;
    AnsiString AutoStartOption;
    AnsiString InstallDir;

    void FormCreate(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    void ImageClose11Click(TObject* Sender);
    void ImageMinClick(TObject* Sender);
    void Image6MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
};

extern TForm2* Form2;
// The slide shown last: 1 to 4, or 0 once Image5 has been shown.
extern int SlideIndex;
