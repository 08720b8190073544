#include "Picture.h"

#include "TypeInfo.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <system_error>

namespace {

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// PNG keeps lengths and sizes below 2^31.
constexpr std::uint32_t kMaxPngNumber = 0x7fffffffu;

std::uint32_t BigEndian32(const unsigned char* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

// The bit depths each colour type allows.
bool IsValidDepth(unsigned colourType, unsigned depth) {
    switch (colourType) {
    case 0: // grey
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: // palette
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2: // RGB
    case 4: // grey and alpha
    case 6: // RGBA
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

} // namespace

QImage DecodePng(std::span<const std::uint8_t> png) {
    QImage image;
    if (!image.loadFromData(png.data(), static_cast<int>(png.size()), "PNG"))
        return QImage();
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

std::optional<QSize> CheckPngStructure(const TBytes& png) {
    if (png.size() < sizeof kPngSignature ||
        std::memcmp(png.data(), kPngSignature, sizeof kPngSignature) != 0)
        return std::nullopt;
    std::optional<QSize> size;
    bool hasImageData = false;
    size_t at = sizeof kPngSignature;
    while (png.size() - at >= 12) {
        const unsigned char* chunk = png.data() + at;
        const std::uint32_t length = BigEndian32(chunk);
        if (length > kMaxPngNumber || length > png.size() - at - 12)
            return std::nullopt;
        const unsigned char* type = chunk + 4;
        const unsigned char* data = chunk + 8;
        const uLong crc = crc32(crc32(0, nullptr, 0), type, 4 + length);
        if (crc != BigEndian32(data + length))
            return std::nullopt;
        const bool isHeader = std::memcmp(type, "IHDR", 4) == 0;
        if (isHeader != !size)
            return std::nullopt; // the header comes first and only once
        if (isHeader) {
            const std::uint32_t width = BigEndian32(data), height = BigEndian32(data + 4);
            if (length != 13 || width == 0 || height == 0 || width > kMaxPngNumber ||
                height > kMaxPngNumber || !IsValidDepth(data[9], data[8]))
                return std::nullopt;
            size = QSize(static_cast<int>(width), static_cast<int>(height));
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            hasImageData = true;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            return hasImageData ? size : std::nullopt;
        }
        at += 12 + length;
    }
    return std::nullopt; // cut short before its end chunk
}

void TPicture::SetData(const TBytes& png) {
    const std::optional<QSize> size = CheckPngStructure(png);
    if (!size)
        throw EInvalidGraphic("Picture data is not a PNG image");
    auto pending = std::make_shared<PendingPng>();
    pending->png = png;
    pending->size = *size;
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

void TPicture::DecodeAhead() {
    if (!pending_ || pending_->decoded || pending_->decoding.valid())
        return;
    const TBytes* png = &pending_->png;
    try {
        pending_->decoding = std::async(std::launch::async, [png] { return DecodePng(*png); });
    } catch (const std::system_error&) {
        // No thread to be had: the picture is decoded when first drawn, as any other.
    }
}

const QImage& TPicture::Image() const {
    if (pending_) {
        if (!pending_->decoded) {
            pending_->decoded =
                pending_->decoding.valid() ? pending_->decoding.get() : DecodePng(pending_->png);
            pending_->png = TBytes(); // the bytes have served their purpose
        }
        image_ = *pending_->decoded;
        pending_.reset();
    }
    return image_;
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
