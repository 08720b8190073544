#include "skin/bsPngImageView.h"

#include "skin/Raster.h"

#include "rtl/WinControl.h"

TbsPngImageView::TbsPngImageView(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle().Exclude(csOpaque).Include(csReplicatable));
    SetInitialBounds(0, 0, 50, 50);
}

const TClassInfo& TbsPngImageView::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TbsPngImageView, TGraphicControl>("TbsPngImageView")
            .Property("DoubleBuffered", &TbsPngImageView::SetDoubleBuffered)
            .Property("ReflectionEffect", &TbsPngImageView::SetReflectionEffect)
            .Property("AutoSize", &TbsPngImageView::SetAutoSize)
            .Reference("PngImageList", &TbsPngImageView::SetPngImageList)
            .Reference("PngImageStorage", &TbsPngImageView::SetPngImageStorage)
            .Property("ImageIndex", &TbsPngImageView::SetImageIndex)
            .Property("Center", &TbsPngImageView::SetCenter)
            .Event("OnMouseEnter", &TbsPngImageView::OnMouseEnter)
            .Event("OnMouseLeave", &TbsPngImageView::OnMouseLeave);
    return info;
}

void TbsPngImageView::SetDoubleBuffered(bool value) {
    doubleBuffered_ = value;
    SetControlStyle(value ? ControlStyle().Include(csOpaque) : ControlStyle().Exclude(csOpaque));
}

void TbsPngImageView::SetReflectionEffect(bool value) {
    if (value == reflectionEffect_)
        return;
    reflectionEffect_ = value;
    if (value)
        BuildReflection();
    else
        reflection_.reset();
    ApplyAutoSize();
    Repaint();
}

void TbsPngImageView::SetAutoSize(bool value) {
    if (value == autoSize_)
        return;
    autoSize_ = value;
    ApplyAutoSize();
}

void TbsPngImageView::SetPngImageList(TbsPngImageList* value) {
    if (pngImageList_ != nullptr)
        pngImageList_->RemoveFreeNotification(this);
    pngImageList_ = value;
    if (value != nullptr)
        value->FreeNotification(this);
}

void TbsPngImageView::SetPngImageStorage(TbsPngImageStorage* value) {
    if (pngImageStorage_ != nullptr)
        pngImageStorage_->RemoveFreeNotification(this);
    pngImageStorage_ = value;
    if (value != nullptr)
        value->FreeNotification(this);
}

void TbsPngImageView::SetImageIndex(int value) {
    if (value >= -1)
        imageIndex_ = value;
    if (pngImageList_ == nullptr && pngImageStorage_ == nullptr)
        return;
    if (reflectionEffect_)
        BuildReflection();
    if (autoSize_)
        ApplyAutoSize();
    // The parent paints its background and the controls beneath first, so the new picture
    // is blended over them and never over the previous picture.
    if (Parent() != nullptr && !ComponentState().Contains(csLoading))
        Parent()->RepaintRect(BoundsRect());
}

void TbsPngImageView::SetCenter(bool value) {
    if (value == center_)
        return;
    center_ = value;
    Repaint();
}

const TbsPngImage* TbsPngImageView::StoragePicture() const {
    if (pngImageStorage_ == nullptr || imageIndex_ < 0 || imageIndex_ >= pngImageStorage_->Count())
        return nullptr;
    return pngImageStorage_->PngImages()->Item(imageIndex_)->PngImage();
}

void TbsPngImageView::ApplyAutoSize() {
    if (!autoSize_)
        return;
    int width = 0, height = 0;
    if (const TbsPngImage* picture = StoragePicture()) {
        width = picture->Width();
        height = picture->Height();
    } else if (pngImageList_ != nullptr) {
        width = pngImageList_->PngWidth();
        height = pngImageList_->PngHeight();
    } else {
        return;
    }
    if (reflectionEffect_)
        height += height / 2 + 5;
    SetBounds(Left(), Top(), width, height);
}

// The reflection: the lower half of the picture mirrored, fading out downwards.
void TbsPngImageView::BuildReflection() {
    reflection_.reset();
    QImage source;
    if (const TbsPngImage* picture = StoragePicture())
        source = picture->Pixels();
    else if (pngImageList_ != nullptr && imageIndex_ >= 0 &&
             imageIndex_ < pngImageList_->PngImages()->Count())
        source = pngImageList_->PngImages()->Item(imageIndex_)->PngImage()->Pixels();
    if (source.isNull())
        return;
    int half = source.height() / 2;
    QImage mirrored = source.mirrored(false, true).copy(0, 0, source.width(), half);
    mirrored = mirrored.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < mirrored.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(mirrored.scanLine(y));
        int scale = 96 * (mirrored.height() - y) / std::max(1, mirrored.height());
        for (int x = 0; x < mirrored.width(); ++x)
            line[x] =
                (line[x] & 0x00FFFFFFu) | (static_cast<QRgb>(qAlpha(line[x]) * scale / 255) << 24);
    }
    if (!Enabled())
        raster::FadeAlpha(mirrored);
    reflection_ = mirrored;
}

void TbsPngImageView::Paint() {
    TCanvas& canvas = *Canvas();
    if (!doubleBuffered_) {
        PaintPicture(canvas);
        return;
    }
    // Offscreen: start from what lies beneath, paint, and put the result back in one step.
    canvas.EndPaint();
    TPoint origin = canvas.Origin();
    QImage buffer = canvas.Target()->copy(
        raster::DeviceRect(*canvas.Target(), QRect(origin.X, origin.Y, Width(), Height())));
    buffer.setDevicePixelRatio(canvas.Scale());
    TCanvas offscreen(&buffer);
    PaintPicture(offscreen);
    offscreen.EndPaint();
    canvas.Draw(0, 0, buffer);
}

void TbsPngImageView::PaintPicture(TCanvas& canvas) {
    if (const TbsPngImage* picture = StoragePicture()) {
        int x = center_ ? Width() / 2 - picture->Width() / 2 : 0;
        int y = center_ ? Height() / 2 - picture->Height() / 2 : 0;
        TRect rect = Bounds(x, y, picture->Width(), picture->Height());
        if (Enabled())
            picture->Draw(canvas, rect);
        else
            picture->Faded().Draw(canvas, rect);
        if (reflection_)
            canvas.Draw(x, y + picture->Height(), *reflection_);
        return;
    }
    TbsPngImageList* list = pngImageList_;
    if (list == nullptr || list->Count() <= 0 || imageIndex_ < 0 || imageIndex_ >= list->Count() ||
        list->PngWidth() <= 0 || list->PngHeight() <= 0)
        return;
    int x = 0, y = 0;
    if (center_) {
        int h = list->PngHeight() + (reflection_ ? list->PngHeight() / 2 : 0);
        x = Width() / 2 - list->PngWidth() / 2;
        y = Height() / 2 - h / 2;
    }
    list->Draw(canvas, x, y, imageIndex_, Enabled());
    if (reflection_)
        canvas.Draw(x, y + list->PngHeight(), *reflection_);
}

void TbsPngImageView::MouseEnter() {
    TGraphicControl::MouseEnter();
    if (Enabled() && OnMouseEnter)
        OnMouseEnter(this);
}

void TbsPngImageView::MouseLeave() {
    TGraphicControl::MouseLeave();
    if (Enabled() && OnMouseLeave)
        OnMouseLeave(this);
}

void TbsPngImageView::EnabledChanged() {
    if (reflectionEffect_)
        BuildReflection();
    TGraphicControl::EnabledChanged();
}

void TbsPngImageView::Loaded() {
    TGraphicControl::Loaded();
    if (reflectionEffect_)
        BuildReflection();
    ApplyAutoSize();
}

void TbsPngImageView::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == pngImageList_)
        pngImageList_ = nullptr;
    if (component == pngImageStorage_)
        pngImageStorage_ = nullptr;
}
