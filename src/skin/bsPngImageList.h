// The PNG image list: numbered PNG pictures of one nominal size, drawn with per-pixel alpha,
// normally or faded for the disabled look. The platform list underneath holds one blank
// placeholder per picture, so its Count always equals the number of pictures. On a scaled
// screen an item read from the description is drawn from its twin,
// "<owner class>.<list name>.<item index>@2X" (rtl/PictureTwin.h), until the items change.
#pragma once

#include "skin/CustomImageList.h"
#include "skin/bsPngImage.h"

#include "rtl/PictureTwin.h"

#include <map>
#include <memory>

class TbsPngImageItem : public TCollectionItem {
public:
    DECLARE_CLASS_INFO
    TbsPngImageItem();
    ~TbsPngImageItem() override;

    TbsPngImage* PngImage() const { return pngImage_.get(); }
    // Copies the picture and tells the collection that the item changed.
    void SetPngImage(const TbsPngImage& value);
    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& value) { name_ = value; }
    AnsiString DisplayName() const override;

protected:
    void Added() override;

private:
    std::unique_ptr<TbsPngImage> pngImage_;
    AnsiString name_;
};

class TbsPngImageItems : public TCollection {
public:
    explicit TbsPngImageItems(TPersistent* owner);
    TbsPngImageItem* Item(int index) const;
};

class TbsPngImageList : public TCustomImageList {
public:
    DECLARE_CLASS_INFO
    explicit TbsPngImageList(TComponent* owner);
    ~TbsPngImageList() override;

    TbsPngImageItems* PngImages() const { return pngImages_.get(); }
    // Copies the items of another collection.
    void SetPngImages(const TbsPngImageItems& value);
    int PngWidth() const { return Width(); }
    int PngHeight() const { return Height(); }
    // A new value empties the platform list and, unless loading, deletes every picture.
    void SetPngWidth(int value);
    void SetPngHeight(int value);
    // Names the twins of the items as read.
    void Loaded() override;

protected:
    void DoDraw(int index, TCanvas& canvas, int x, int y, bool enabled) override;

private:
    friend class TbsPngImageItem;
    // The item's picture, or its twin when scale wants one and it fits.
    const TbsPngImage& ItemForScale(int index, qreal scale);
    void ItemAdded(int index);
    void ItemsUpdated();
    void ResizeTo(int width, int height);

    std::unique_ptr<TbsPngImageItems> pngImages_;
    int knownItems_ = 0;
    std::vector<PictureTwin> twins_;
    std::map<int, TbsPngImage> decodedTwins_;
};

// PNG pictures of individual sizes; the windows keep none, the view can show them.
class TbsPngImageStorage : public TComponent {
public:
    DECLARE_CLASS_INFO
    explicit TbsPngImageStorage(TComponent* owner);
    ~TbsPngImageStorage() override;

    TbsPngImageItems* PngImages() const { return pngImages_.get(); }
    int Count() const { return pngImages_->Count(); }

private:
    std::unique_ptr<TbsPngImageItems> pngImages_;
};
