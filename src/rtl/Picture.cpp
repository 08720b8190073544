#include "Picture.h"

#include "TypeInfo.h"

QImage DecodePng(std::span<const std::uint8_t> png) {
    QImage image;
    if (!image.loadFromData(png.data(), static_cast<int>(png.size()), "PNG"))
        return QImage();
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void TPicture::SetData(const TBytes& png) {
    QImage image = DecodePng(png);
    if (image.isNull())
        throw EInvalidGraphic("Picture data is not a PNG image");
    SetImage(image);
}

void TPicture::SetImage(const QImage& image) {
    if (OnChanging)
        OnChanging();
    image_ = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    twin_ = PictureTwin();
    Changed();
}

QImage& TPicture::MutableImage() {
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
    SetImage(picture->image_);
    twin_ = picture->twin_;
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
