#include "IconFile.h"

#include "PngFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPixmap>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

std::uint32_t ReadLittleEndian(std::span<const std::uint8_t> bytes, size_t at, size_t width) {
    std::uint32_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

// The images of a file whose every entry is a PNG file; nothing for any other file.
std::optional<std::vector<QImage>> PngImagesOf(std::span<const std::uint8_t> ico) {
    constexpr size_t kHeader = 6, kEntry = 16;
    static constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (ico.size() < kHeader || ReadLittleEndian(ico, 0, 2) != 0 ||
        ReadLittleEndian(ico, 2, 2) != 1)
        return std::nullopt;
    const size_t count = ReadLittleEndian(ico, 4, 2);
    if (count == 0 || ico.size() < kHeader + count * kEntry)
        return std::nullopt;
    std::vector<QImage> images;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = kHeader + i * kEntry;
        const size_t size = ReadLittleEndian(ico, entry + 8, 4);
        const size_t offset = ReadLittleEndian(ico, entry + 12, 4);
        if (offset > ico.size() || size > ico.size() - offset || size < sizeof kPngSignature)
            return std::nullopt;
        const auto data = ico.subspan(offset, size);
        if (!std::equal(std::begin(kPngSignature), std::end(kPngSignature), data.begin()))
            return std::nullopt;
        QImage image = DecodePng(data);
        if (image.isNull())
            return std::nullopt;
        images.push_back(std::move(image));
    }
    return images;
}

std::vector<QImage> ImagesThroughQt(std::span<const std::uint8_t> ico) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(ico.data()),
                                              static_cast<qsizetype>(ico.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    std::vector<QImage> images;
    for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i)
        if (QImage image = reader.read(); !image.isNull())
            images.push_back(std::move(image));
    return images;
}

} // namespace

std::vector<QImage> ReadIconImages(std::span<const std::uint8_t> ico) {
    if (std::optional<std::vector<QImage>> images = PngImagesOf(ico))
        return std::move(*images);
    return ImagesThroughQt(ico);
}

QIcon IconOfImages(const std::vector<QImage>& images) {
    QIcon icon;
    for (const QImage& image : images)
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}
