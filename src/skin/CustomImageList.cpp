#include "skin/CustomImageList.h"

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {
    list_.emplace(width_, height_, kAllocBy, kAllocBy);
}

const TClassInfo& TCustomImageList::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TCustomImageList, TComponent>("TCustomImageList")
            .Property("Bitmap", &TCustomImageList::SetBitmap);
    return info;
}

PlatformImageList& TCustomImageList::List() {
    if (!list_)
        list_.emplace(width_, height_, kAllocBy, kAllocBy);
    return *list_;
}

void TCustomImageList::SetSize(int width, int height) {
    if (width == width_ && height == height_)
        return;
    width_ = width;
    height_ = height;
    list_.emplace(width_, height_, kAllocBy, kAllocBy);
    SizeChanged();
}

TBytes TCustomImageList::Bitmap() const {
    return list_ ? list_->Write() : PlatformImageList(width_, height_, kAllocBy, kAllocBy).Write();
}

void TCustomImageList::SetBitmap(TBytes data) {
    std::optional<PlatformImageList> read = PlatformImageList::Read(data);
    if (!read)
        throw EReadError("Failed to read ImageList data");
    list_ = std::move(read);
    width_ = list_->Width();
    height_ = list_->Height();
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) {
    if (!list_)
        return;
    DoDraw(index, canvas, x, y, enabled);
}

void TCustomImageList::DoDraw(int index, TCanvas& canvas, int x, int y, bool) {
    if (index < 0 || index >= list_->GetImageCount())
        return;
    canvas.Draw(x, y, list_->Image(index));
}
