#include "skin/bsSkinData.h"

#include "skin/ZlibBlock.h"

#include <algorithm>

// --- TbsCompressedStoredSkin --------------------------------------------------------------

const TClassInfo& TbsCompressedStoredSkin::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsCompressedStoredSkin, TComponent>("TbsCompressedStoredSkin")
            .Property("Description", &TbsCompressedStoredSkin::SetDescription)
            .Property("FileName", &TbsCompressedStoredSkin::SetFileName)
            .Property("CompressedFileName", &TbsCompressedStoredSkin::SetCompressedFileName)
            .Property("CompressedData", &TbsCompressedStoredSkin::SetCompressedData);
    return info;
}

const TClassInfo& TbsResourceStrData::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsResourceStrData, TComponent>("TbsResourceStrData");
    return info;
}

// --- TbsCompressedSkinList ----------------------------------------------------------------

const TClassInfo& TbsCompressedSkinItem::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsCompressedSkinItem, TCollectionItem>("TbsCompressedSkinItem")
            .Property("Name", &TbsCompressedSkinItem::SetName)
            .Property("CompressedData", &TbsCompressedSkinItem::SetCompressedData);
    return info;
}

TbsCompressedSkinList::TbsCompressedSkinList(TComponent* owner)
    : TComponent(owner), skins_(std::make_unique<TCollection>(
                             this, [] { return std::make_unique<TbsCompressedSkinItem>(); })) {}

TbsCompressedSkinList::~TbsCompressedSkinList() = default;

TbsCompressedSkinItem* TbsCompressedSkinList::Skin(int index) const {
    return static_cast<TbsCompressedSkinItem*>(skins_->Items(index));
}

const TClassInfo& TbsCompressedSkinList::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsCompressedSkinList, TComponent>("TbsCompressedSkinList")
            .Collection<TbsCompressedSkinItem>("Skins", &TbsCompressedSkinList::Skins);
    return info;
}

// --- TbsSkinData --------------------------------------------------------------------------

const TClassInfo& TbsSkinData::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsSkinData, TComponent>("TbsSkinData")
            .Property("SkinnableForm", &TbsSkinData::SetSkinnableForm)
            .Property("EnableSkinEffects", &TbsSkinData::SetEnableSkinEffects)
            .Property("ShowButtonGlowFrames", &TbsSkinData::SetShowButtonGlowFrames)
            .Property("ShowCaptionButtonGlowFrames", &TbsSkinData::SetShowCaptionButtonGlowFrames)
            .Reference("CompressedStoredSkin", &TbsSkinData::SetCompressedStoredSkin)
            .Reference("ResourceStrData", &TbsSkinData::SetResourceStrData)
            .Reference("SkinList", &TbsSkinData::SetSkinList)
            .Property("SkinIndex", &TbsSkinData::SetSkinIndex);
    return info;
}

void TbsSkinData::SetCompressedStoredSkin(TbsCompressedStoredSkin* value) {
    if (compressedStoredSkin_ != nullptr)
        compressedStoredSkin_->RemoveFreeNotification(this);
    compressedStoredSkin_ = value;
    if (value == nullptr)
        return;
    value->FreeNotification(this);
    LoadCompressedSkin(value->CompressedData());
    if (empty_)
        return;
    for (const AnsiString& file : content_.PictureNames.ActivePictures)
        twins_.emplace_back(TwinResourceName(*value, file));
}

void TbsSkinData::SetResourceStrData(TbsResourceStrData* value) {
    if (resourceStrData_ != nullptr)
        resourceStrData_->RemoveFreeNotification(this);
    resourceStrData_ = value;
    if (value != nullptr)
        value->FreeNotification(this);
}

void TbsSkinData::SetSkinList(TbsCompressedSkinList* value) {
    if (skinList_ != nullptr)
        skinList_->RemoveFreeNotification(this);
    skinList_ = value;
    if (value == nullptr)
        return;
    value->FreeNotification(this);
    if (skinIndex_ >= 0 && skinIndex_ < value->Count())
        LoadCompressedSkin(value->Skin(skinIndex_)->CompressedData());
}

void TbsSkinData::SetSkinIndex(int value) {
    if (value == skinIndex_)
        return;
    if (skinList_ == nullptr) {
        skinIndex_ = value;
        return;
    }
    if (value < 0 || value >= skinList_->Count())
        return;
    skinIndex_ = value;
    LoadCompressedSkin(skinList_->Skin(value)->CompressedData());
}

void TbsSkinData::LoadCompressedSkin(const TBytes& block) {
    if (block.empty())
        return;
    empty_ = true;
    content_.Clear();
    twins_.clear();
    std::vector<std::uint8_t> container = InflateBlock(block);
    if (!content_.Load(container))
        return;
    empty_ = false;
}

const QImage* TbsSkinData::ActivePicture(int index) const {
    if (index < 0 || index >= ActivePictureCount())
        return nullptr;
    return &content_.ActivePictures[static_cast<std::size_t>(index)];
}

const QImage& TbsSkinData::PictureForScale(const QImage& picture, qreal scale) const {
    const std::size_t count = std::min(twins_.size(), content_.ActivePictures.size());
    for (std::size_t index = 0; index < count; ++index)
        if (&content_.ActivePictures[index] == &picture)
            return twins_[index].ForScale(picture, scale);
    return picture;
}

void TbsSkinData::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == compressedStoredSkin_)
        compressedStoredSkin_ = nullptr;
    if (component == resourceStrData_)
        resourceStrData_ = nullptr;
    if (component == skinList_)
        skinList_ = nullptr;
}
