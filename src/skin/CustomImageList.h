// TCustomImageList: the image list component the PNG image list builds on. It owns a platform
// image list of images of its nominal size (16 x 16 by default) and stores that list in its
// stored description as "Bitmap", in ImageList_Write's form.
#pragma once

#include "skin/PlatformImageList.h"

#include "rtl/Canvas.h"
#include "rtl/Classes.h"
#include "rtl/TypeInfo.h"

#include <optional>

class TCustomImageList : public TComponent {
public:
    DECLARE_CLASS_INFO
    static constexpr int kDefaultSize = 16;
    static constexpr int kAllocBy = 4;

    explicit TCustomImageList(TComponent* owner);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // A new size empties the platform list (nothing happens when the size is unchanged).
    void SetWidth(int value) { SetSize(value, height_); }
    void SetHeight(int value) { SetSize(width_, value); }

    // Images in the platform list; 0 while it does not exist.
    int Count() const { return list_ ? list_->GetImageCount() : 0; }
    const PlatformImageList* Handle() const { return list_ ? &*list_ : nullptr; }

    // The stored form: written from the platform list, read to replace it.
    TBytes Bitmap() const;
    // Raises EReadError "Failed to read ImageList data" for data that is no stored list.
    void SetBitmap(TBytes data);

    // Draws image index at (x, y); does nothing while the platform list does not exist.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);

protected:
    virtual void SizeChanged() {}
    // The drawing step of a list kind; the platform list exists when it is called.
    virtual void DoDraw(int index, TCanvas& canvas, int x, int y, bool enabled);
    PlatformImageList& List();

private:
    void SetSize(int width, int height);

    int width_ = kDefaultSize;
    int height_ = kDefaultSize;
    std::optional<PlatformImageList> list_;
};
