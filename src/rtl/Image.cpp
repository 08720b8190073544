#include "Image.h"

#include "Form.h"

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
    SetBounds(0, 0, 105, 105);
    picture_->OnChanging = [this] {
        if (pictureCanvas_)
            pictureCanvas_->EndPaint();
    };
    picture_->OnChange = [this] { PictureChanged(); };
}

TImage::~TImage() {
    pictureCanvas_.reset();
    picture_->OnChange = nullptr;
    picture_->OnChanging = nullptr;
}

void TImage::SetAutoSize(bool value) {
    autoSize_ = value;
    if (value)
        PictureChanged();
}

TCanvas* TImage::Canvas() {
    if (picture_->Empty()) {
        QImage blank(std::max(1, Width()), std::max(1, Height()),
                     QImage::Format_ARGB32_Premultiplied);
        blank.fill(Qt::white);
        picture_->SetImage(blank);
    }
    if (!pictureCanvas_)
        pictureCanvas_ = std::make_unique<TCanvas>(&picture_->MutableImage());
    Invalidate();
    return pictureCanvas_.get();
}

void TImage::PictureChanged() {
    if (autoSize_ && !picture_->Empty())
        SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
    // A picture read from a description keeps the twin named after this image.
    if (ComponentState().Contains(csLoading) && !picture_->Empty())
        picture_->SetTwin(PictureTwin(TwinResourceName(*this)));
    if (auto* form = dynamic_cast<TCustomForm*>(Owner());
        form && form->DecodeAheadScale() && Visible())
        picture_->DecodeAhead(*form->DecodeAheadScale());
    Invalidate();
}

void TImage::Paint() {
    if (pictureCanvas_)
        pictureCanvas_->EndPaint();
    TCanvas* canvas = TGraphicControl::Canvas();
    if (!picture_->Empty())
        canvas->Draw(0, 0, picture_->ImageForScale(canvas->Scale()));
}

const TClassInfo& TImage::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TImage, TGraphicControl>("TImage")
                                       .Object("Picture", &TImage::Picture)
                                       .Property("AutoSize", &TImage::SetAutoSize)
                                       .Property("Transparent", &TImage::SetTransparent);
    return info;
}
