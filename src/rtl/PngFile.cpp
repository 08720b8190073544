#include "PngFile.h"

#include "ZlibStream.h"

#include <QImageReader>
#include <libdeflate.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// PNG keeps lengths and sizes below 2^31.
constexpr std::uint32_t kMaxPngNumber = 0x7fffffffu;
constexpr unsigned kResolutionPerMeter = 1;

std::uint32_t BigEndian32(const unsigned char* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

// A chunk's checksum covers its type and data.
std::uint32_t ChunkCrc(const unsigned char* type, std::uint32_t length) {
    return libdeflate_crc32(0, type, 4 + std::size_t{length});
}

bool IsType(const unsigned char* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
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

int Paeth(int left, int above, int aboveLeft) {
    const int toLeft = std::abs(above - aboveLeft), toAbove = std::abs(left - aboveLeft),
              toAboveLeft = std::abs(left + above - 2 * aboveLeft);
    if (toAbove < toLeft)
        return toAboveLeft < toAbove ? aboveLeft : above;
    return toAboveLeft < toLeft ? aboveLeft : left;
}

// Adds the row above byte by byte, eight bytes at a time without carries between them.
void AddAbove(std::uint8_t* row, const std::uint8_t* above, std::size_t length) {
    constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7full, kHigh = 0x8080808080808080ull;
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint64_t a, b;
        std::memcpy(&a, row + i, 8);
        std::memcpy(&b, above + i, 8);
        const std::uint64_t sum = ((a & kLow7) + (b & kLow7)) ^ ((a ^ b) & kHigh);
        std::memcpy(row + i, &sum, 8);
    }
    for (; i < length; ++i)
        row[i] = static_cast<std::uint8_t>(row[i] + above[i]);
}

#if defined(__SSE2__)
// Rows of four-byte pixels (RGBA), a pixel per step: each pixel depends on the one to its left,
// so the lanes are one pixel's four bytes, widened to 16 bits for the sums and differences.
__m128i LoadPixel(const std::uint8_t* bytes) {
    std::int32_t pixel;
    std::memcpy(&pixel, bytes, 4);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(pixel), _mm_setzero_si128());
}

// Stores the low byte of each lane; returns the stored bytes widened again.
__m128i StorePixel(std::uint8_t* bytes, __m128i lanes) {
    const __m128i low = _mm_and_si128(lanes, _mm_set1_epi16(0xff));
    const std::int32_t pixel = _mm_cvtsi128_si32(_mm_packus_epi16(low, low));
    std::memcpy(bytes, &pixel, 4);
    return low;
}

__m128i Magnitude(__m128i lanes) {
    return _mm_max_epi16(lanes, _mm_sub_epi16(_mm_setzero_si128(), lanes));
}

void UndoSub4(std::uint8_t* row, std::size_t rowBytes) {
    __m128i left = _mm_setzero_si128();
    for (std::size_t i = 0; i < rowBytes; i += 4)
        left = StorePixel(row + i, _mm_add_epi16(LoadPixel(row + i), left));
}

void UndoAverage4(std::uint8_t* row, const std::uint8_t* above, std::size_t rowBytes) {
    __m128i left = _mm_setzero_si128();
    for (std::size_t i = 0; i < rowBytes; i += 4) {
        const __m128i mean = _mm_srli_epi16(_mm_add_epi16(left, LoadPixel(above + i)), 1);
        left = StorePixel(row + i, _mm_add_epi16(LoadPixel(row + i), mean));
    }
}

// Paeth's predictor lane by lane, with its order for ties: left, then above, then above-left.
void UndoPaeth4(std::uint8_t* row, const std::uint8_t* above, std::size_t rowBytes) {
    __m128i left = _mm_setzero_si128(), aboveLeft = _mm_setzero_si128();
    for (std::size_t i = 0; i < rowBytes; i += 4) {
        const __m128i up = LoadPixel(above + i);
        const __m128i toLeft = Magnitude(_mm_sub_epi16(up, aboveLeft));
        const __m128i toAbove = Magnitude(_mm_sub_epi16(left, aboveLeft));
        const __m128i toAboveLeft =
            Magnitude(_mm_add_epi16(_mm_sub_epi16(left, aboveLeft), _mm_sub_epi16(up, aboveLeft)));
        const __m128i least = _mm_min_epi16(_mm_min_epi16(toLeft, toAbove), toAboveLeft);
        const __m128i takeLeft = _mm_cmpeq_epi16(toLeft, least);
        const __m128i takeAbove = _mm_andnot_si128(takeLeft, _mm_cmpeq_epi16(toAbove, least));
        const __m128i takeAboveLeft =
            _mm_andnot_si128(_mm_or_si128(takeLeft, takeAbove), _mm_set1_epi16(-1));
        const __m128i prediction =
            _mm_or_si128(_mm_or_si128(_mm_and_si128(takeLeft, left), _mm_and_si128(takeAbove, up)),
                         _mm_and_si128(takeAboveLeft, aboveLeft));
        left = StorePixel(row + i, _mm_add_epi16(LoadPixel(row + i), prediction));
        aboveLeft = up;
    }
}
#endif

// Undoes one row's filter in place, for pixels of any size. False on an unknown filter.
bool UndoFilter(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* above,
                std::size_t rowBytes, std::size_t pixelBytes) {
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (std::size_t i = pixelBytes; i < rowBytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + row[i - pixelBytes]);
        return true;
    case 2:
        AddAbove(row, above, rowBytes);
        return true;
    case 3:
        for (std::size_t i = 0; i < pixelBytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + (above[i] >> 1));
        for (std::size_t i = pixelBytes; i < rowBytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - pixelBytes] + above[i]) >> 1));
        return true;
    case 4:
        for (std::size_t i = 0; i < pixelBytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + above[i]);
        for (std::size_t i = pixelBytes; i < rowBytes; ++i)
            row[i] = static_cast<std::uint8_t>(
                row[i] + Paeth(row[i - pixelBytes], above[i], above[i - pixelBytes]));
        return true;
    default:
        return false;
    }
}

// The vector path for a row of RGBA pixels; false when it takes no such row (or there is none).
bool UndoRgbaFilter(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* above,
                    std::size_t rowBytes, std::size_t pixelBytes) {
#if defined(__SSE2__)
    if (pixelBytes != 4)
        return false;
    switch (filter) {
    case 1:
        UndoSub4(row, rowBytes);
        return true;
    case 3:
        UndoAverage4(row, above, rowBytes);
        return true;
    case 4:
        UndoPaeth4(row, above, rowBytes);
        return true;
    default:
        return false;
    }
#else
    (void)filter, (void)row, (void)above, (void)rowBytes, (void)pixelBytes;
    return false;
#endif
}

// Undoes the row filters in place: each row is a filter byte and rowBytes bytes. False on an
// unknown filter.
bool Unfilter(std::uint8_t* rows, std::size_t rowBytes, int height, std::size_t pixelBytes) {
    const std::vector<std::uint8_t> zeros(rowBytes); // the row above the first
    const std::uint8_t* above = zeros.data();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* filter = rows + static_cast<std::size_t>(y) * (rowBytes + 1);
        std::uint8_t* row = filter + 1;
        if (!UndoRgbaFilter(*filter, row, above, rowBytes, pixelBytes) &&
            !UndoFilter(*filter, row, above, rowBytes, pixelBytes))
            return false;
        above = row;
    }
    return true;
}

void ToPremultiplied(const std::uint8_t* row, QRgb* line, int width, bool alpha) {
    if (!alpha) {
        for (int x = 0; x < width; ++x, row += 3)
            line[x] = qRgb(row[0], row[1], row[2]);
        return;
    }
    for (int x = 0; x < width; ++x, row += 4) {
        const QRgb pixel = qRgba(row[0], row[1], row[2], row[3]);
        line[x] = row[3] == 255 ? pixel : qPremultiply(pixel);
    }
}

QImage DecodeWithQt(std::span<const std::uint8_t> png) {
    QImage image;
    if (!image.loadFromData(png.data(), static_cast<int>(png.size()), "PNG"))
        return QImage();
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

std::optional<QImage> DecodePlainPng(const PngLayout& layout) {
    if (layout.bitDepth != 8 || (layout.colourType != 2 && layout.colourType != 6) ||
        layout.interlaced || !layout.plainChunks)
        return std::nullopt;
    const auto width = static_cast<std::size_t>(layout.size.width());
    const auto height = static_cast<std::size_t>(layout.size.height());
    // Qt's reader refuses images over its allocation limit; so does this one.
    const int limit = QImageReader::allocationLimit();
    if (limit > 0 && width * height * 4 > (static_cast<std::size_t>(limit) << 20))
        return std::nullopt;
    const std::size_t pixelBytes = layout.colourType == 6 ? 4 : 3;
    const std::size_t rowBytes = width * pixelBytes;
    if (height > SIZE_MAX / (rowBytes + 1))
        return std::nullopt;
    const std::size_t filteredBytes = (rowBytes + 1) * height;

    std::vector<std::uint8_t> joined;
    std::span<const std::uint8_t> stream = layout.imageData.front();
    if (layout.imageData.size() > 1) {
        for (std::span<const std::uint8_t> part : layout.imageData)
            joined.insert(joined.end(), part.begin(), part.end());
        stream = joined;
    }
    std::unique_ptr<std::uint8_t[]> rows(new (std::nothrow) std::uint8_t[filteredBytes]);
    std::size_t produced = 0;
    if (!rows ||
        InflateZlib(stream, {rows.get(), filteredBytes}, produced) != TInflateResult::Done ||
        produced != filteredBytes ||
        !Unfilter(rows.get(), rowBytes, layout.size.height(), pixelBytes))
        return std::nullopt;

    QImage image(layout.size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    for (int y = 0; y < layout.size.height(); ++y)
        ToPremultiplied(rows.get() + static_cast<std::size_t>(y) * (rowBytes + 1) + 1,
                        reinterpret_cast<QRgb*>(image.scanLine(y)), layout.size.width(),
                        pixelBytes == 4);
    if (layout.dotsPerMeterX > 0)
        image.setDotsPerMeterX(layout.dotsPerMeterX);
    if (layout.dotsPerMeterY > 0)
        image.setDotsPerMeterY(layout.dotsPerMeterY);
    return image;
}

std::optional<PngLayout> ReadPngLayout(std::span<const std::uint8_t> png) {
    if (png.size() < sizeof kPngSignature ||
        std::memcmp(png.data(), kPngSignature, sizeof kPngSignature) != 0)
        return std::nullopt;
    PngLayout layout;
    bool hasHeader = false, imageDataEnded = false, hasPhysicalSize = false;
    std::size_t at = sizeof kPngSignature;
    while (png.size() - at >= 12) {
        const unsigned char* chunk = png.data() + at;
        const std::uint32_t length = BigEndian32(chunk);
        if (length > kMaxPngNumber || length > png.size() - at - 12)
            return std::nullopt;
        const unsigned char* type = chunk + 4;
        const unsigned char* data = chunk + 8;
        if (ChunkCrc(type, length) != BigEndian32(data + length))
            return std::nullopt;
        const bool isHeader = IsType(type, "IHDR");
        if (isHeader == hasHeader)
            return std::nullopt; // the header comes first and only once
        const bool isImageData = IsType(type, "IDAT");
        if (!isImageData && !layout.imageData.empty())
            imageDataEnded = true;
        if (isHeader) {
            const std::uint32_t width = BigEndian32(data), height = BigEndian32(data + 4);
            if (length != 13 || width == 0 || height == 0 || width > kMaxPngNumber ||
                height > kMaxPngNumber || !IsValidDepth(data[9], data[8]))
                return std::nullopt;
            hasHeader = true;
            layout.size = QSize(static_cast<int>(width), static_cast<int>(height));
            layout.bitDepth = data[8];
            layout.colourType = data[9];
            layout.interlaced = data[12] != 0;
            layout.plainChunks = data[10] == 0 && data[11] == 0;
        } else if (isImageData) {
            if (imageDataEnded)
                layout.plainChunks = false;
            layout.imageData.emplace_back(data, length);
        } else if (IsType(type, "IEND")) {
            if (layout.imageData.empty())
                return std::nullopt;
            return layout;
        } else if (IsType(type, "pHYs") && length == 9 && layout.imageData.empty() &&
                   !hasPhysicalSize) {
            hasPhysicalSize = true;
            if (data[8] == kResolutionPerMeter) {
                layout.dotsPerMeterX = static_cast<int>(BigEndian32(data));
                layout.dotsPerMeterY = static_cast<int>(BigEndian32(data + 4));
            }
        } else {
            layout.plainChunks = false;
        }
        at += 12 + length;
    }
    return std::nullopt; // cut short before its end chunk
}

QImage DecodePng(std::span<const std::uint8_t> png) {
    if (const std::optional<PngLayout> layout = ReadPngLayout(png))
        if (std::optional<QImage> image = DecodePlainPng(*layout))
            return *std::move(image);
    return DecodeWithQt(png);
}
