// The progress window: a slideshow over its whole surface, a status line and a progress bar,
// minimise and close picture-buttons; it holds the install state the options window fills and
// runs the install sequence from its one-shot start timer.
#pragma once

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
    void TimerStartDownloadTimer(TObject* Sender);

    // The whole install: payload check, closing product processes, extraction, shortcuts and
    // registry entries, then the finish window in this window's place.
    void RunInstall();
    // Links to InstallDir + "mervo.exe": on the desktop and in the quick-launch folder when their
    // option is exactly "1", and always in the Start-menu folder "Talvimo" (created when
    // missing; a failure to create it raises). A link that cannot be saved is silently not made.
    void CreateProductShortcuts();
    // Paints the image strip: done blue columns, then remaining gray ones, stretched to the
    // strip's width.
    void DrawProgressImage(int done, int remaining);
};

extern TForm2* Form2;
// The slide shown last: 1 to 4, or 0 once Image5 has been shown.
extern int SlideIndex;

// Unpacks the archive at archivePath into destDir (ending in a backslash) with the 7-Zip
// library destDir + "7z.dll". 1 when the extraction ran; 0 when the archive is not an existing
// file or destDir cannot be created. Errors of the binding pass on to the caller.
int ExtractArchive(const AnsiString& archivePath, const AnsiString& destDir);

// The extraction's progress callback: the total becomes Form2's ProgressBar1 maximum, the
// amount done its position, each taken as the low 32 bits. Always S_OK.
HRESULT ExtractProgress(void* sender, bool isTotal, Int64 value);
