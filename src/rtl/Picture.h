// A picture held by a control: decoded once into 32-bit premultiplied ARGB, drawn at natural
// size. Stored descriptions give it as a PNG file (property "Data").
#pragma once

#include "Classes.h"

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
    // For drawing into the picture; call Changed() afterwards.
    QImage& MutableImage() { return image_; }
    bool Empty() const { return image_.isNull(); }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    void Changed();

    std::function<void()> OnChange;
    // Called before the image is replaced (so painters on it can end first).
    std::function<void()> OnChanging;

private:
    QImage image_;
};

// Decodes PNG bytes as the picture holds them; a null image when they are not a PNG file.
QImage DecodePng(const TBytes& png);
