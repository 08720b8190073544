// The stored skin and the skin data component of the skin engine.
//
// TbsCompressedStoredSkin carries one skin, zlib-compressed, in a window's stored description
// ("CompressedData"). TbsSkinData unpacks it when linked, parses it and answers the skinned
// controls: which control record has a name (case-sensitive), which picture has an index.
// The skin-change messages of the engine have no receiver in this program and are not sent.
//
// On a scaled screen a numbered picture of a skin loaded from a stored skin is painted from its
// twin, "<owner class>.<stored skin name>.<picture file name>@2X" (rtl/PictureTwin.h), e.g.
// TFORM1.BSCOMPRESSEDSTOREDSKIN1.PICTURE4.BMP@2X; the records' rectangles stay in 1x pixels.
#pragma once

#include "skin/SkinContent.h"

#include "rtl/PictureTwin.h"

#include "rtl/Classes.h"
#include "rtl/TypeInfo.h"

class TbsCompressedStoredSkin : public TComponent {
public:
    DECLARE_CLASS_INFO
    explicit TbsCompressedStoredSkin(TComponent* owner) : TComponent(owner) {}

    const AnsiString& Description() const { return description_; }
    void SetDescription(const AnsiString& value) { description_ = value; }
    const AnsiString& FileName() const { return fileName_; }
    void SetFileName(const AnsiString& value) { fileName_ = value; }
    const AnsiString& CompressedFileName() const { return compressedFileName_; }
    void SetCompressedFileName(const AnsiString& value) { compressedFileName_ = value; }

    // The compressed skin as the stored description holds it.
    const TBytes& CompressedData() const { return compressedData_; }
    void SetCompressedData(TBytes value) { compressedData_ = std::move(value); }
    bool Empty() const { return compressedData_.empty(); }

private:
    AnsiString description_, fileName_, compressedFileName_;
    TBytes compressedData_;
};

// Replacement texts for the engine's dialogs; the windows keep none.
class TbsResourceStrData : public TComponent {
public:
    DECLARE_CLASS_INFO
    explicit TbsResourceStrData(TComponent* owner) : TComponent(owner) {}
};

// One skin of a TbsCompressedSkinList.
class TbsCompressedSkinItem : public TCollectionItem {
public:
    DECLARE_CLASS_INFO
    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& value) { name_ = value; }
    const TBytes& CompressedData() const { return compressedData_; }
    void SetCompressedData(TBytes value) { compressedData_ = std::move(value); }

private:
    AnsiString name_;
    TBytes compressedData_;
};

// A list of stored skins, chosen by TbsSkinData's SkinIndex.
class TbsCompressedSkinList : public TComponent {
public:
    DECLARE_CLASS_INFO
    explicit TbsCompressedSkinList(TComponent* owner);
    ~TbsCompressedSkinList() override;

    TCollection* Skins() const { return skins_.get(); }
    int Count() const { return skins_->Count(); }
    TbsCompressedSkinItem* Skin(int index) const;

private:
    std::unique_ptr<TCollection> skins_;
};

class TbsSkinData : public TComponent {
public:
    DECLARE_CLASS_INFO
    explicit TbsSkinData(TComponent* owner) : TComponent(owner) {}

    bool SkinnableForm() const { return skinnableForm_; }
    void SetSkinnableForm(bool value) { skinnableForm_ = value; }
    bool EnableSkinEffects() const { return enableSkinEffects_; }
    void SetEnableSkinEffects(bool value) { enableSkinEffects_ = value; }
    bool ShowButtonGlowFrames() const { return showButtonGlowFrames_; }
    void SetShowButtonGlowFrames(bool value) { showButtonGlowFrames_ = value; }
    bool ShowCaptionButtonGlowFrames() const { return showCaptionButtonGlowFrames_; }
    void SetShowCaptionButtonGlowFrames(bool value) { showCaptionButtonGlowFrames_ = value; }

    TbsCompressedStoredSkin* CompressedStoredSkin() const { return compressedStoredSkin_; }
    // Stores the reference and loads that skin at once.
    void SetCompressedStoredSkin(TbsCompressedStoredSkin* value);
    TbsResourceStrData* ResourceStrData() const { return resourceStrData_; }
    void SetResourceStrData(TbsResourceStrData* value);
    TbsCompressedSkinList* SkinList() const { return skinList_; }
    // Stores the list and loads the skin at SkinIndex when the list has one there.
    void SetSkinList(TbsCompressedSkinList* value);
    int SkinIndex() const { return skinIndex_; }
    // Without a list only stores; with one, ignores an index out of range and loads a valid one.
    void SetSkinIndex(int value);

    // Loads a compressed skin block (Algorithm of the stored skin): an empty block changes
    // nothing; a container version the engine does not read leaves the skin Empty. Errors of
    // the block propagate.
    void LoadCompressedSkin(const TBytes& block);

    bool Empty() const { return empty_; }
    // Position of the first control record named exactly name, or -1.
    int GetControlIndex(const AnsiString& name) const { return content_.GetControlIndex(name); }
    TbsDataSkinControl* CtrlList(int index) const { return content_.CtrlList.at(index).get(); }
    int CtrlCount() const { return static_cast<int>(content_.CtrlList.size()); }
    // The numbered picture at index, or nullptr when there is none.
    const QImage* ActivePicture(int index) const;
    int ActivePictureCount() const { return static_cast<int>(content_.ActivePictures.size()); }
    // What to paint for picture, one of the numbered pictures, on a surface of device pixel
    // ratio scale: its twin when there is a fitting one, else picture.
    const QImage& PictureForScale(const QImage& picture, qreal scale) const;
    const TbsSkinColors& SkinColors() const { return content_.SkinColors; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool skinnableForm_ = true;
    bool enableSkinEffects_ = true;
    bool showButtonGlowFrames_ = true;
    bool showCaptionButtonGlowFrames_ = true;
    TbsCompressedStoredSkin* compressedStoredSkin_ = nullptr;
    TbsResourceStrData* resourceStrData_ = nullptr;
    TbsCompressedSkinList* skinList_ = nullptr;
    int skinIndex_ = 0;
    bool empty_ = true;
    SkinContent content_;
    std::vector<PictureTwin> twins_; // of the numbered pictures, by index
};
