// PNG files as pictures hold them: the structure check made when a picture is set, and the
// decoding into 32-bit premultiplied ARGB made at its first use.
//
// The artwork is 8-bit RGB or RGBA without interlacing. Such a file is inflated in one call
// through libdeflate and unfiltered here, which takes about half the time of Qt's reader
// (zlib in small steps, then a conversion pass). Any other kind of file, and any file the fast
// way cannot finish, goes through Qt's reader, so every file decodes to what Qt gives.
#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct PngLayout {
    QSize size;
    int bitDepth = 0;
    int colourType = 0;
    bool interlaced = false;
    // Only the header, one run of image data, the end and at most a physical size: no palette,
    // transparency, colour space or text, which Qt's reader handles.
    bool plainChunks = true;
    int dotsPerMeterX = 0, dotsPerMeterY = 0; // 0 when the file gives none
    std::vector<std::span<const std::uint8_t>> imageData;
};

// The layout of a whole, sound file: the signature, a valid header first, every chunk within
// the file with a matching checksum, image data, and the end chunk. Nothing otherwise.
std::optional<PngLayout> ReadPngLayout(std::span<const std::uint8_t> png);

// The fast way: the pixels of an 8-bit RGB or RGBA file of plain chunks without interlacing;
// nothing for any other file, or when its image data is damaged.
std::optional<QImage> DecodePlainPng(const PngLayout& layout);

// The file's pixels, premultiplied: the fast way where it applies, else Qt's reader; a null
// image when they cannot be decoded.
QImage DecodePng(std::span<const std::uint8_t> png);
