// A picture held by a control: decoded into 32-bit premultiplied ARGB, drawn at natural size.
// Stored descriptions give it as a PNG file (property "Data"). The file's structure is checked
// when it is set, but its pixels are decoded only when the image is first asked for (usually
// its first paint), so pictures of windows not yet shown cost nothing at start-up. A picture
// read from a description may have a twin for scaled screens (PictureTwin.h), which it keeps
// until it is changed.
#pragma once

#include "Classes.h"
#include "PictureTwin.h"

#include <QImage>
#include <QSize>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <span>

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

class TPicture : public TPersistent {
public:
    DECLARE_CLASS_INFO
    TPicture() = default;

    // Takes a PNG file whose structure is sound; raises EInvalidGraphic "Picture data is not a
    // PNG image" otherwise.
    void SetData(const TBytes& png);
    void SetImage(const QImage& image);
    void Clear();
    // A picture not decoded yet is shared, not decoded: it is decoded once for both.
    void Assign(const TPersistent* source) override;

    // Starts decoding on a thread of its own what a surface of device pixel ratio scale will
    // paint, for a picture about to be drawn while other start-up work runs: the twin when the
    // scale wants one and the picture has one, else the picture. The first use waits for it.
    void DecodeAhead(qreal scale = 1);
    const QImage& Image() const;
    // What to paint on a surface of device pixel ratio scale: the twin when there is a fitting
    // one (the picture itself is then not decoded), else Image().
    const QImage& ImageForScale(qreal scale) const;
    // Names the twin of the picture as it is now; any change to the picture drops it.
    void SetTwin(PictureTwin twin) { twin_ = std::move(twin); }
    // For drawing into the picture (which drops the twin); call Changed() afterwards.
    QImage& MutableImage();
    bool Empty() const { return !pending_ && image_.isNull(); }
    int Width() const { return pending_ ? pending_->size.width() : image_.width(); }
    int Height() const { return pending_ ? pending_->size.height() : image_.height(); }
    void Changed();

    std::function<void()> OnChange;
    // Called before the image is replaced (so painters on it can end first).
    std::function<void()> OnChanging;

private:
    // PNG bytes waiting for their first use, their decoding ahead when it was started, and
    // their image once decoded. A decoding thread holds the bytes it reads.
    struct PendingPng {
        std::shared_ptr<const TBytes> png;
        QSize size;
        std::future<QImage> decoding;
        std::optional<QImage> decoded;
    };

    void Replace(const QImage& image, std::shared_ptr<PendingPng> pending);

    mutable QImage image_;
    mutable std::shared_ptr<PendingPng> pending_;
    PictureTwin twin_;
};
