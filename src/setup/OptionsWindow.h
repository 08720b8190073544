// The options window: the application's main window. Frameless, dragged by its background
// picture or its bare surface, closed and minimised by two picture-buttons. It shows the
// one-click install button, the agreement box and the custom-options toggle, which grows the
// window to reveal the install folder, its browse button and the three integration options.
// The install action creates the folder, writes the payload into it and hands over to Form2.
#pragma once

#include "InstallState.h"

#include "rtl/Button.h"
#include "rtl/Edit.h"
#include "rtl/Form.h"
#include "rtl/Image.h"
#include "skin/bsPngImageList.h"
#include "skin/bsPngImageView.h"
#include "skin/bsSkinCtrls.h"
#include "skin/bsSkinData.h"
#include "skin/bsSkinExCtrls.h"

#include <string>

class TForm1 : public TForm {
public:
    DECLARE_CLASS_INFO
    using TForm::TForm;

    // The stored description's names: Image1 is the background picture, Image2 the install
    // button; check box 1 is the agreement, 2 auto-start, 3 quick launch, 4 the desktop
    // shortcut; link label 1 opens the licence, link label 2 and bsPngImageView1 are the
    // custom-options link and toggle; Edit1 and Button1 the install folder and its browse button.
    TImage* Image1 = nullptr;
    TImage* ImageClose = nullptr;
    TImage* ImageMin = nullptr;
    TImage* Image2 = nullptr;
    TbsSkinCheckRadioBox* bsSkinCheckRadioBox1 = nullptr;
    TbsSkinLinkLabel* bsSkinLinkLabel1 = nullptr;
    TbsPngImageView* bsPngImageView1 = nullptr;
    TbsSkinLinkLabel* bsSkinLinkLabel2 = nullptr;
    TEdit* Edit1 = nullptr;
    TButton* Button1 = nullptr;
    TbsSkinCheckRadioBox* bsSkinCheckRadioBox4 = nullptr;
    TbsSkinCheckRadioBox* bsSkinCheckRadioBox3 = nullptr;
    TbsSkinCheckRadioBox* bsSkinCheckRadioBox2 = nullptr;
    TbsSkinData* bsSkinData1 = nullptr;
    TbsCompressedStoredSkin* bsCompressedStoredSkin1 = nullptr;
    TbsPngImageList* bsPngImageList1 = nullptr;

    void FormCreate(TObject* Sender);
    // Names for the screen reader and the keys Return and Escape; FormCreate calls it.
    void MakeReachableToEveryone();
    void Image1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void FormMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ImageCloseClick(TObject* Sender);
    void ImageMinClick(TObject* Sender);
    void bsPngImageView1Click(TObject* Sender);
    void bsPngImageView1MouseEnter(TObject* Sender);
    void Button1Click(TObject* Sender);
    // The licence link: shows the product's licence to read.
    void bsSkinLinkLabel1Click(TObject* Sender);
    // The install button: refused until the agreement box is ticked.
    void Image2Click(TObject* Sender);
};

extern TForm1* Form1;

// The folder picker, captioned with caption. It opens on folder when that names an existing
// folder (folder is emptied otherwise), else on root when given. True, with the chosen path in
// folder, when the user confirms a folder; false when the picker is cancelled.
bool BrowseForDirectory(const AnsiString& caption, const std::wstring& root, AnsiString& folder);
