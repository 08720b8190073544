// TbsPngImage: one decoded PNG picture that draws itself into a rectangle of a 32-bit image
// with its transparency, and can give a faded copy for the disabled look.
#pragma once

#include "rtl/Canvas.h"
#include "rtl/Classes.h"
#include "rtl/TypeInfo.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <span>
#include <vector>

class TbsPngImage : public TPersistent {
public:
    DECLARE_CLASS_INFO

    // How the picture's transparency is carried.
    enum class Transparency {
        None,             // opaque
        TransparentColor, // one colour (or palette entries) fully transparent
        AlphaChannel,     // per-pixel alpha
    };

    // Decodes a complete PNG file. Data that does not start with the PNG signature and an
    // IHDR chunk, or that the decoder rejects, leaves the picture empty.
    void LoadFromData(std::span<const std::uint8_t> data);
    // The stored description's "Data": the complete PNG file.
    void SetData(TBytes data) { LoadFromData(data); }
    void Assign(const TPersistent* source) override;

    bool Empty() const { return pixels_.isNull(); }
    int Width() const { return pixels_.width(); }
    int Height() const { return pixels_.height(); }
    int ColorType() const { return colorType_; }
    Transparency TransparencyMode() const { return transparency_; }
    // The file exactly as loaded: what the stored description writes back.
    const std::vector<std::uint8_t>& Data() const { return data_; }
    // Pixels as Format_ARGB32: alpha 255 where opaque, 0 where transparent.
    const QImage& Pixels() const { return pixels_; }
    // Marks the pixels as drawn at scale device pixels per pixel (2 for a twin), which drawing
    // honours: the picture keeps its logical size.
    void SetScale(qreal scale) { pixels_.setDevicePixelRatio(scale); }

    // Draws into the rectangle of dest: blended by alpha, with the transparent colour left
    // out, or copied, sampled by nearest neighbour when the sizes differ.
    void Draw(QImage& dest, const QRect& rect) const;
    // The same on a canvas, rect in the canvas's (logical) coordinates, within its clip; on a
    // scaled canvas the picture fills the rectangle's device pixels.
    void Draw(TCanvas& canvas, const TRect& rect) const;

    // The disabled look: a copy whose alpha is faded (see raster::FadeAlpha); grey-scale and
    // palette pictures without alpha get alpha 127 instead.
    TbsPngImage Faded() const;

private:
    std::vector<std::uint8_t> data_;
    QImage pixels_;
    int colorType_ = 0;
    Transparency transparency_ = Transparency::None;
};
