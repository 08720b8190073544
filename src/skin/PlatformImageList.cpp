#include "skin/PlatformImageList.h"

#include "rtl/SysUtils.h"
#include "skin/BmpImage.h"
#include "skin/ByteReader.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr std::uint16_t kMagic = 0x4C49; // "IL"
constexpr std::uint16_t kVersion = 0x0101;
constexpr int kImagesPerRow = 4;

void PutUInt16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

int RowsFor(int capacity) {
    return std::max(1, (capacity + kImagesPerRow - 1) / kImagesPerRow);
}

} // namespace

PlatformImageList::PlatformImageList(int width, int height, int initial, int grow,
                                     std::uint16_t flags)
    : width_(std::max(width, 1)), height_(std::max(height, 1)), capacity_(std::max(initial, 1)),
      grow_(std::max(grow, 1)), flags_(flags) {}

void PlatformImageList::MakeRoomFor(int count) {
    // The list keeps one free slot; when an addition would use it, the capacity grows.
    if (GetImageCount() + count >= capacity_)
        capacity_ += std::max(count, grow_) + 1;
}

QImage PlatformImageList::Fit(const QImage& image, QImage::Format format, bool white) const {
    QImage fitted(width_, height_, format);
    fitted.fill(white ? Qt::white : Qt::black);
    if (!image.isNull()) {
        QPainter painter(&fitted);
        painter.drawImage(0, 0, image);
    }
    return fitted;
}

int PlatformImageList::Add(const QImage& image, const QImage& mask) {
    return Insert(GetImageCount(), image, mask);
}

int PlatformImageList::Insert(int index, const QImage& image, const QImage& mask) {
    if (index < 0 || index > GetImageCount())
        return -1;
    MakeRoomFor(1);
    images_.insert(images_.begin() + index,
                   Fit(image.convertToFormat(QImage::Format_RGB32), QImage::Format_RGB32, false));
    masks_.insert(masks_.begin() + index,
                  Fit(mask.isNull() ? mask : mask.convertToFormat(QImage::Format_RGB32),
                      QImage::Format_RGB32, false));
    return index;
}

bool PlatformImageList::Remove(int index) {
    if (index == -1) {
        images_.clear();
        masks_.clear();
        return true;
    }
    if (index < 0 || index >= GetImageCount())
        return false;
    images_.erase(images_.begin() + index);
    masks_.erase(masks_.begin() + index);
    return true;
}

std::vector<std::uint8_t> PlatformImageList::Write() const {
    std::vector<std::uint8_t> out;
    PutUInt16(out, kMagic);
    PutUInt16(out, kVersion);
    PutUInt16(out, static_cast<std::uint32_t>(GetImageCount()));
    PutUInt16(out, static_cast<std::uint32_t>(capacity_));
    PutUInt16(out, static_cast<std::uint32_t>(grow_));
    PutUInt16(out, static_cast<std::uint32_t>(width_));
    PutUInt16(out, static_cast<std::uint32_t>(height_));
    PutUInt16(out, kNoBackground & 0xFFFF);
    PutUInt16(out, kNoBackground >> 16);
    PutUInt16(out, flags_);
    for (int i = 0; i < 4; ++i)
        PutUInt16(out, 0xFFFF);

    QImage colour(kImagesPerRow * width_, RowsFor(capacity_) * height_, QImage::Format_RGB32);
    QImage mask(colour.size(), QImage::Format_RGB32);
    colour.fill(Qt::black);
    mask.fill(Qt::black);
    {
        QPainter colourPainter(&colour);
        QPainter maskPainter(&mask);
        for (int i = 0; i < GetImageCount(); ++i) {
            QPoint at((i % kImagesPerRow) * width_, (i / kImagesPerRow) * height_);
            colourPainter.drawImage(at, images_[i]);
            maskPainter.drawImage(at, masks_[i]);
        }
    }
    auto colourBmp = EncodeBmp(colour, 32);
    auto maskBmp = EncodeBmp(mask, 1);
    out.insert(out.end(), colourBmp.begin(), colourBmp.end());
    out.insert(out.end(), maskBmp.begin(), maskBmp.end());
    return out;
}

std::optional<PlatformImageList> PlatformImageList::Read(std::span<const std::uint8_t> bytes) {
    try {
        ByteReader reader(bytes);
        if (reader.ReadUInt16() != kMagic || reader.ReadUInt16() != kVersion)
            return std::nullopt;
        int count = reader.ReadUInt16();
        int capacity = reader.ReadUInt16();
        int grow = reader.ReadUInt16();
        int width = reader.ReadUInt16();
        int height = reader.ReadUInt16();
        reader.ReadUInt32(); // background colour
        std::uint16_t flags = reader.ReadUInt16();
        reader.ReadBytes(8); // overlay indices
        if (width == 0 || height == 0 || count > capacity)
            return std::nullopt;
        QImage colour = ReadBmp(reader);
        QImage mask = ReadBmp(reader);
        int rows = (count + kImagesPerRow - 1) / kImagesPerRow;
        if (colour.width() < kImagesPerRow * width || colour.height() < rows * height ||
            mask.size() != colour.size())
            return std::nullopt;

        PlatformImageList list(width, height, capacity, grow, flags);
        for (int i = 0; i < count; ++i) {
            QRect piece((i % kImagesPerRow) * width, (i / kImagesPerRow) * height, width, height);
            list.images_.push_back(colour.copy(piece));
            list.masks_.push_back(mask.copy(piece));
        }
        return list;
    } catch (const Exception&) {
        return std::nullopt;
    }
}
