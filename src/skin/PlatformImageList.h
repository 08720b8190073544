// The platform image list behind the framework's image list: equal-sized images with masks,
// a capacity that grows in steps, and the serialised form that ImageList_Write produces and
// ImageList_Read takes (header "IL", a 32-bit colour bitmap with four images per row and a
// 1-bit mask bitmap).
#pragma once

#include <QImage>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class PlatformImageList {
public:
    // Mask and colour-device-dependent colour, as the framework creates its lists.
    static constexpr std::uint16_t kDefaultFlags = 0x10FF;
    static constexpr std::uint32_t kNoBackground = 0xFFFFFFFF;

    // An empty list of images of width x height; initial is the first capacity and grow the
    // step the capacity grows by.
    PlatformImageList(int width, int height, int initial, int grow,
                      std::uint16_t flags = kDefaultFlags);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int GetImageCount() const { return static_cast<int>(images_.size()); }
    int Capacity() const { return capacity_; }
    int Grow() const { return grow_; }
    std::uint16_t Flags() const { return flags_; }
    const QImage& Image(int index) const { return images_.at(index); }
    const QImage& Mask(int index) const { return masks_.at(index); }

    // Appends an image (resized to the list's size) and returns its index.
    int Add(const QImage& image, const QImage& mask = QImage());
    // Inserts at index (0..count) and returns it; out of range gives -1.
    int Insert(int index, const QImage& image, const QImage& mask = QImage());
    // Removes one image; -1 removes all. False for an index out of range.
    bool Remove(int index);

    // ImageList_Write's stored form.
    std::vector<std::uint8_t> Write() const;
    // ImageList_Read: nullopt when the bytes are no stored image list.
    static std::optional<PlatformImageList> Read(std::span<const std::uint8_t> bytes);

private:
    void MakeRoomFor(int count);
    QImage Fit(const QImage& image, QImage::Format format, bool white) const;

    int width_, height_, capacity_, grow_;
    std::uint16_t flags_;
    std::vector<QImage> images_; // Format_RGB32
    std::vector<QImage> masks_;  // Format_RGB32, white where transparent
};
