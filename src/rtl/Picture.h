// A picture held by a control: decoded once into 32-bit premultiplied ARGB, drawn at natural
// size. Stored descriptions give it as a PNG file (property "Data"); a picture read from one
// may have a twin for scaled screens (PictureTwin.h), which it keeps until it is changed.
#pragma once

#include "Classes.h"
#include "PictureTwin.h"

#include <QImage>
#include <functional>

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

class TPicture : public TPersistent {
public:
    DECLARE_CLASS_INFO
    TPicture() = default;

    // Decodes a PNG file; raises EInvalidGraphic "Picture data is not a PNG image" otherwise.
    void SetData(const TBytes& png);
    void SetImage(const QImage& image);
    void Clear();
    void Assign(const TPersistent* source) override;

    const QImage& Image() const { return image_; }
    // What to paint on a surface of device pixel ratio scale: the twin when there is a fitting
    // one, else Image().
    const QImage& ImageForScale(qreal scale) const { return twin_.ForScale(image_, scale); }
    // Names the twin of the picture as it is now; any change to the picture drops it.
    void SetTwin(PictureTwin twin) { twin_ = std::move(twin); }
    // For drawing into the picture (which drops the twin); call Changed() afterwards.
    QImage& MutableImage();
    bool Empty() const { return image_.isNull(); }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    void Changed();

    std::function<void()> OnChange;
    // Called before the image is replaced (so painters on it can end first).
    std::function<void()> OnChanging;

private:
    QImage image_;
    PictureTwin twin_;
};

// Decodes PNG bytes as the picture holds them; a null image when they are not a PNG file.
QImage DecodePng(std::span<const std::uint8_t> png);
