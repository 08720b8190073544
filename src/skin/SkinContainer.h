// The inflated stored skin: version, the main, inactive and mask pictures (each behind a
// flag byte), the numbered pictures and the ini text.
#pragma once

#include <QImage>

#include <cstdint>
#include <span>
#include <vector>

struct SkinContainer {
    static constexpr std::int32_t kWrittenVersion = 3;
    // Containers of this version or later are not read.
    static constexpr std::int32_t kFirstUnknownVersion = 4;

    std::int32_t Version = kWrittenVersion;
    QImage Picture, InactivePicture, MaskPicture; // null when absent
    std::vector<QImage> ActivePictures;
    std::vector<std::uint8_t> IniText;
};

// Reads an inflated container. A version of 4 or more gives only the version (nothing else
// is read). A truncated container raises EReadError, a bad picture EInvalidGraphic.
SkinContainer ReadSkinContainer(std::span<const std::uint8_t> bytes);

// One picture as stored in the container: its BMP file bytes, or empty for "no picture".
using StoredPicture = std::vector<std::uint8_t>;

// Writes a version 3 container from BMP files as they are and the ini text.
std::vector<std::uint8_t> WriteSkinContainer(const StoredPicture& picture,
                                             const StoredPicture& inactive,
                                             const StoredPicture& mask,
                                             const std::vector<StoredPicture>& pictures,
                                             std::span<const std::uint8_t> iniText);
