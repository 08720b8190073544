#include "Picture.h"

#include "PngFile.h"
#include "TypeInfo.h"

#include <system_error>

void TPicture::SetData(const TBytes& png) {
    const std::optional<PngLayout> layout = ReadPngLayout(png);
    if (!layout)
        throw EInvalidGraphic("Picture data is not a PNG image");
    auto pending = std::make_shared<PendingPng>();
    pending->png = std::make_shared<const TBytes>(png);
    pending->size = layout->size;
    Replace(QImage(), std::move(pending));
}

void TPicture::SetImage(const QImage& image) {
    Replace(image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied),
            nullptr);
}

void TPicture::Replace(const QImage& image, std::shared_ptr<PendingPng> pending) {
    if (OnChanging)
        OnChanging();
    image_ = image;
    pending_ = std::move(pending);
    twin_ = PictureTwin();
    Changed();
}

void TPicture::DecodeAhead(qreal scale) {
    if (WantsTwin(scale) && twin_.Named()) {
        twin_.DecodeAhead();
        return;
    }
    if (!pending_ || pending_->decoded || pending_->decoding.valid())
        return;
    // The thread shares the bytes, so they live as long as it needs them whatever becomes
    // of the picture meanwhile.
    std::shared_ptr<const TBytes> png = pending_->png;
    try {
        pending_->decoding =
            std::async(std::launch::async, [png = std::move(png)] { return DecodePng(*png); });
    } catch (const std::system_error&) {
        // No thread to be had: the picture is decoded when first drawn, as any other.
    }
}

const QImage& TPicture::Image() const {
    if (pending_) {
        if (!pending_->decoded) {
            pending_->decoded =
                pending_->decoding.valid() ? pending_->decoding.get() : DecodePng(*pending_->png);
            pending_->png.reset(); // the bytes have served their purpose
        }
        image_ = *pending_->decoded;
        pending_.reset();
    }
    return image_;
}

const QImage& TPicture::ImageForScale(qreal scale) const {
    if (const QImage* twin = twin_.Fitting(QSize(Width(), Height()), scale))
        return *twin;
    return Image();
}

QImage& TPicture::MutableImage() {
    Image();
    twin_ = PictureTwin();
    return image_;
}

void TPicture::Clear() {
    SetImage(QImage());
}

void TPicture::Assign(const TPersistent* source) {
    if (!source) {
        Clear();
        return;
    }
    auto* picture = dynamic_cast<const TPicture*>(source);
    if (!picture) {
        TPersistent::Assign(source);
        return;
    }
    PictureTwin twin = picture->twin_;
    Replace(picture->image_, picture->pending_);
    twin_ = std::move(twin);
}

void TPicture::Changed() {
    if (OnChange)
        OnChange();
}

const TClassInfo& TPicture::StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Define<TPicture, TPersistent>("TPicture").Property("Data", &TPicture::SetData);
    return info;
}
