#include "skin/SkinClasses.h"

#include "skin/bsPngImageList.h"
#include "skin/bsPngImageView.h"
#include "skin/bsSkinCtrls.h"
#include "skin/bsSkinData.h"
#include "skin/bsSkinExCtrls.h"

void RegisterSkinClasses() {
    static const bool registered = [] {
        for (const TClassInfo* info : {
                 &TbsCompressedStoredSkin::StaticClassInfo(),
                 &TbsResourceStrData::StaticClassInfo(),
                 &TbsCompressedSkinList::StaticClassInfo(),
                 &TbsCompressedSkinItem::StaticClassInfo(),
                 &TbsSkinData::StaticClassInfo(),
                 &TbsSkinCheckRadioBox::StaticClassInfo(),
                 &TbsSkinLinkLabel::StaticClassInfo(),
                 &TbsPngImage::StaticClassInfo(),
                 &TbsPngImageItem::StaticClassInfo(),
                 &TbsPngImageList::StaticClassInfo(),
                 &TbsPngImageStorage::StaticClassInfo(),
                 &TbsPngImageView::StaticClassInfo(),
             })
            RegisterClass(*info);
        return true;
    }();
    (void)registered;
}
