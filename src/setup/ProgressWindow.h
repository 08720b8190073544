// The progress window: a slideshow over its whole surface, a status line and a progress bar,
// minimise and close picture-buttons; it takes the install state the options window fills and
// runs the install sequence from its one-shot start timer.
#pragma once

#include "InstallState.h"

#include "rtl/Form.h"
#include "rtl/Image.h"
#include "rtl/Label.h"
#include "rtl/ProgressBar.h"
#include "rtl/Timer.h"
#include "sevenzip/SevenZipInterfaces.h"

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

    // The install state as the window shows it ("1" or "0" for the options), filled from the
    // value TakeInstallState is given.
    AnsiString DesktopShortcutOption;
    AnsiString QuickLaunchOption;
    AnsiString AutoStartOption;
    AnsiString InstallDir;
    // Set by the command line's /SILENT: at the end the window closes as the finish button
    // would close the finish window, starting the product only when StartProductWhenDone.
    bool FinishWithoutWindow = false;
    bool StartProductWhenDone = false;
    // The sequence ran to its end.
    bool Completed = false;

    void FormCreate(TObject* Sender);
    // Names for the screen reader and the key Escape; FormCreate calls it.
    void MakeReachableToEveryone();
    void Timer1Timer(TObject* Sender);
    void ImageClose11Click(TObject* Sender);
    void ImageMinClick(TObject* Sender);
    void Image6MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void TimerStartDownloadTimer(TObject* Sender);

    // The install this window is to run: kept for the sequence and copied into the four fields.
    void TakeInstallState(const TInstallState& state);
    // The install sequence (InstallSequence.h) shown in this window, then the finish window in
    // its place. A missing payload is a message box and the end of the program, and so is a
    // cancelled install, without the box; extras that could not be made are one message.
    void RunInstall();
    // Paints the image strip: done blue columns, then remaining gray ones, stretched to the
    // strip's width.
    void DrawProgressImage(int done, int remaining);

private:
    void ShowFailedExtras();

    TInstallState install_;
};

extern TForm2* Form2;
// The slide shown last: 1 to 4, or 0 once Image5 has been shown.
extern int SlideIndex;

// The extraction's progress callback: the total becomes Form2's ProgressBar1 maximum, the
// amount done its position, each taken as the low 32 bits. Always S_OK.
HRESULT ExtractProgress(void* sender, bool isTotal, Int64 value);
