#include "StandardClasses.h"

#include "Button.h"
#include "CustomControl.h"
#include "Edit.h"
#include "Form.h"
#include "Image.h"
#include "Label.h"
#include "ProgressBar.h"
#include "Timer.h"

void RegisterStandardClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const TClassInfo* info :
         {&TPersistent::StaticClassInfo(), &TComponent::StaticClassInfo(),
          &TCollection::StaticClassInfo(), &TCollectionItem::StaticClassInfo(),
          &TFont::StaticClassInfo(), &TPicture::StaticClassInfo(), &TControl::StaticClassInfo(),
          &TGraphicControl::StaticClassInfo(), &TWinControl::StaticClassInfo(),
          &TCustomControl::StaticClassInfo(), &TCustomForm::StaticClassInfo(),
          &TForm::StaticClassInfo(), &TImage::StaticClassInfo(), &TCustomLabel::StaticClassInfo(),
          &TLabel::StaticClassInfo(), &TTimer::StaticClassInfo(), &TProgressBar::StaticClassInfo(),
          &TEdit::StaticClassInfo(), &TButton::StaticClassInfo()})
        RegisterClass(*info);
}
