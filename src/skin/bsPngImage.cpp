#include "skin/bsPngImage.h"

#include "skin/Raster.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int kColorTypeGray = 0;
constexpr int kColorTypePalette = 3;

struct MemoryReader {
    std::span<const std::uint8_t> data;
    std::size_t position = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > reader->data.size() - reader->position)
        png_error(png, "read past end");
    std::memcpy(out, reader->data.data() + reader->position, count);
    reader->position += count;
}

// Damaged data ends the decoding quietly: the picture stays empty.
void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

// The signature and the first chunk's type, checked before the decoder sees the data.
bool StartsLikePng(std::span<const std::uint8_t> data) {
    return data.size() >= 16 && std::memcmp(data.data(), kSignature, 8) == 0 &&
           std::memcmp(data.data() + 12, "IHDR", 4) == 0;
}

struct Decoded {
    QImage pixels;
    std::vector<png_bytep> rows; // row pointers into pixels
    int colorType = 0;
    TbsPngImage::Transparency transparency = TbsPngImage::Transparency::None;
};

// All libpng work happens here, so that its longjmp crosses no C++ object with a destructor
// that must run: the image and its row pointers are made before setjmp.
bool Decode(png_structp png, png_infop info, MemoryReader& reader, Decoded& out) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    out.colorType = png_get_color_type(png, info);

    bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    out.transparency = (out.colorType & PNG_COLOR_MASK_ALPHA) != 0
                           ? TbsPngImage::Transparency::AlphaChannel
                       : hasTrns ? TbsPngImage::Transparency::TransparentColor
                                 : TbsPngImage::Transparency::None;
    if (hasTrns && out.colorType == kColorTypePalette) {
        png_bytep alphas = nullptr;
        int count = 0;
        png_get_tRNS(png, info, &alphas, &count, nullptr);
        for (int i = 0; i < count; ++i)
            if (alphas[i] != 0 && alphas[i] != 255)
                out.transparency = TbsPngImage::Transparency::AlphaChannel;
    }

    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    if (out.pixels.width() != static_cast<int>(width) ||
        out.pixels.height() != static_cast<int>(height))
        return false;
    png_read_image(png, out.rows.data());
    png_read_end(png, nullptr);
    return true;
}

// Width and height from the IHDR chunk, read directly so the image can be made first.
QSize HeaderSize(std::span<const std::uint8_t> data) {
    auto be32 = [&](std::size_t at) {
        return (std::uint32_t(data[at]) << 24) | (data[at + 1] << 16) | (data[at + 2] << 8) |
               data[at + 3];
    };
    if (data.size() < 24)
        return QSize();
    std::uint32_t width = be32(16), height = be32(20);
    if (width == 0 || height == 0 || width > 1u << 14 || height > 1u << 14 ||
        width * height > 1u << 24)
        return QSize();
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

} // namespace

void TbsPngImage::LoadFromData(std::span<const std::uint8_t> data) {
    data_.assign(data.begin(), data.end());
    pixels_ = QImage();
    colorType_ = 0;
    transparency_ = Transparency::None;
    if (!StartsLikePng(data))
        return;
    QSize size = HeaderSize(data);
    if (size.isEmpty())
        return;

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png == nullptr)
        return;
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{data, 0};
    Decoded decoded;
    decoded.pixels = QImage(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        decoded.rows.push_back(decoded.pixels.scanLine(y));
    bool ok = info != nullptr && Decode(png, info, reader, decoded);
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    if (!ok)
        return;
    pixels_ = std::move(decoded.pixels);
    colorType_ = decoded.colorType;
    transparency_ = decoded.transparency;
}

const TClassInfo& TbsPngImage::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TbsPngImage, TPersistent>("TbsPngImage")
                                       .Property("Data", &TbsPngImage::SetData);
    return info;
}

void TbsPngImage::Assign(const TPersistent* source) {
    if (auto* png = dynamic_cast<const TbsPngImage*>(source)) {
        *this = *png;
        return;
    }
    TPersistent::Assign(source);
}

void TbsPngImage::Draw(QImage& dest, const QRect& rect) const {
    if (Empty())
        return;
    raster::AlphaBlend(dest, rect, pixels_);
}

void TbsPngImage::Draw(TCanvas& canvas, const TRect& rect) const {
    if (Empty() || rect.IsEmpty())
        return;
    canvas.EndPaint();
    TPoint origin = canvas.Origin();
    QRect target(rect.Left + origin.X, rect.Top + origin.Y, rect.Width(), rect.Height());
    QRect clip = LogicalRect(*canvas.Target());
    if (auto c = canvas.ClipRect())
        clip &= QRect(c->Left + origin.X, c->Top + origin.Y, c->Width(), c->Height());
    raster::AlphaBlend(*canvas.Target(), target, pixels_, clip);
}

TbsPngImage TbsPngImage::Faded() const {
    TbsPngImage copy = *this;
    if (Empty())
        return copy;
    bool greyOrPalette = colorType_ == kColorTypeGray || colorType_ == kColorTypePalette;
    if (transparency_ != Transparency::AlphaChannel && greyOrPalette) {
        for (int y = 0; y < copy.pixels_.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(copy.pixels_.scanLine(y));
            for (int x = 0; x < copy.pixels_.width(); ++x)
                if (qAlpha(line[x]) != 0)
                    line[x] = (line[x] & 0x00FFFFFFu) | (127u << 24);
        }
    } else {
        raster::FadeAlpha(copy.pixels_);
    }
    copy.transparency_ = Transparency::AlphaChannel;
    return copy;
}
