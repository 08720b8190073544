#include "skin/BmpImage.h"

#include "skin/SkinErrors.h"

#include <bit>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
// Pictures larger than this are refused rather than allocated.
constexpr std::int64_t kMaxPixels = std::int64_t(1) << 26;

struct BmpHeader {
    std::int32_t width = 0;
    std::int32_t height = 0; // negative: rows top-down
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[3] = {0, 0, 0};
    bool core = false;
};

BmpHeader ReadInfoHeader(ByteReader& reader) {
    BmpHeader header;
    std::uint32_t size = reader.ReadUInt32();
    if (size == kCoreHeaderSize) {
        header.core = true;
        header.width = reader.ReadUInt16();
        header.height = reader.ReadUInt16();
        if (reader.ReadUInt16() != 1)
            throw EInvalidGraphic(kInvalidBitmap);
        header.bitCount = reader.ReadUInt16();
        return header;
    }
    if (size < kInfoHeaderSize)
        throw EInvalidGraphic(kInvalidBitmap);
    header.width = reader.ReadInt32();
    header.height = reader.ReadInt32();
    if (reader.ReadUInt16() != 1)
        throw EInvalidGraphic(kInvalidBitmap);
    header.bitCount = reader.ReadUInt16();
    header.compression = reader.ReadUInt32();
    reader.ReadBytes(12); // image size, resolution
    header.colorsUsed = reader.ReadUInt32();
    reader.ReadUInt32(); // important colours
    // Version 4 and 5 headers carry the masks inside; a plain info header puts them after.
    if (header.compression == kBiBitfields) {
        for (auto& mask : header.masks)
            mask = reader.ReadUInt32();
        if (size > kInfoHeaderSize)
            reader.ReadBytes(size - kInfoHeaderSize - 12);
    } else if (size > kInfoHeaderSize) {
        reader.ReadBytes(size - kInfoHeaderSize);
    }
    return header;
}

void Validate(const BmpHeader& h) {
    bool depthOk = h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8 || h.bitCount == 16 ||
                   h.bitCount == 24 || h.bitCount == 32;
    bool compressionOk = h.compression == kBiRgb ||
                         (h.compression == kBiBitfields && (h.bitCount == 16 || h.bitCount == 32));
    std::int64_t rows = h.height < 0 ? -std::int64_t(h.height) : h.height;
    if (!depthOk || !compressionOk || h.width <= 0 || rows == 0 || h.width * rows > kMaxPixels)
        throw EInvalidGraphic(kInvalidBitmap);
    if (h.compression == kBiBitfields && (h.masks[0] == 0 || h.masks[1] == 0 || h.masks[2] == 0))
        throw EInvalidGraphic(kInvalidBitmap);
}

std::vector<QRgb> ReadColorTable(ByteReader& reader, const BmpHeader& h) {
    std::vector<QRgb> table;
    if (h.bitCount > 8)
        return table;
    std::uint32_t count = h.colorsUsed != 0 ? h.colorsUsed : (1u << h.bitCount);
    if (count > 256)
        throw EInvalidGraphic(kInvalidBitmap);
    std::size_t entry = h.core ? 3 : 4;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto e = reader.ReadBytes(entry);
        table.push_back(qRgb(e[2], e[1], e[0]));
    }
    return table;
}

// Scales a masked field of a 16- or 32-bit pixel to 8 bits.
int MaskedChannel(std::uint32_t pixel, std::uint32_t mask) {
    int shift = std::countr_zero(mask);
    int bits = std::popcount(mask);
    std::uint32_t value = (pixel & mask) >> shift;
    std::uint32_t max = (bits >= 32) ? 0xFFFFFFFFu : ((1u << bits) - 1);
    return static_cast<int>((value * 255 + max / 2) / max);
}

QRgb PixelAt(std::span<const std::uint8_t> row, int x, const BmpHeader& h,
             const std::vector<QRgb>& table) {
    auto indexed = [&](std::uint32_t index) {
        if (index >= table.size())
            throw EInvalidGraphic(kInvalidBitmap);
        return table[index];
    };
    switch (h.bitCount) {
    case 1:
        return indexed((row[x / 8] >> (7 - x % 8)) & 1);
    case 4:
        return indexed((row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F);
    case 8:
        return indexed(row[x]);
    case 16: {
        std::uint32_t p = row[2 * x] | (row[2 * x + 1] << 8);
        if (h.compression == kBiBitfields)
            return qRgb(MaskedChannel(p, h.masks[0]), MaskedChannel(p, h.masks[1]),
                        MaskedChannel(p, h.masks[2]));
        return qRgb(MaskedChannel(p, 0x7C00), MaskedChannel(p, 0x03E0), MaskedChannel(p, 0x001F));
    }
    case 24:
        return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default: {
        const std::uint8_t* q = &row[4 * static_cast<std::size_t>(x)];
        std::uint32_t p = q[0] | (q[1] << 8) | (q[2] << 16) | (std::uint32_t(q[3]) << 24);
        if (h.compression == kBiBitfields)
            return qRgb(MaskedChannel(p, h.masks[0]), MaskedChannel(p, h.masks[1]),
                        MaskedChannel(p, h.masks[2]));
        return qRgb(q[2], q[1], q[0]);
    }
    }
}

// One row into 32-bit pixels. The common uncompressed depths run as plain loops; the rest go
// pixel by pixel through PixelAt.
void DecodeRow(std::span<const std::uint8_t> row, QRgb* line, const BmpHeader& h,
               const std::vector<QRgb>& table) {
    const std::uint8_t* p = row.data();
    if (h.compression == kBiRgb && h.bitCount == 24) {
        for (int x = 0; x < h.width; ++x, p += 3)
            line[x] = qRgb(p[2], p[1], p[0]);
    } else if (h.compression == kBiRgb && h.bitCount == 32) {
        for (int x = 0; x < h.width; ++x, p += 4)
            line[x] = qRgb(p[2], p[1], p[0]);
    } else if (h.bitCount == 8 && table.size() == 256) {
        for (int x = 0; x < h.width; ++x)
            line[x] = table[p[x]]; // every byte indexes the full table
    } else {
        for (int x = 0; x < h.width; ++x)
            line[x] = PixelAt(row, x, h, table);
    }
}

std::size_t RowStride(int width, int bitCount) {
    return ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
}

void PutUInt16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutUInt32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutUInt16(out, v & 0xFFFF);
    PutUInt16(out, v >> 16);
}

} // namespace

QImage DecodeBmp(std::span<const std::uint8_t> file) {
    ByteReader reader(file);
    auto fileHeader = reader.ReadBytes(kFileHeaderSize);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        throw EInvalidGraphic(kInvalidBitmap);
    std::uint32_t pixelOffset = fileHeader[10] | (fileHeader[11] << 8) | (fileHeader[12] << 16) |
                                (std::uint32_t(fileHeader[13]) << 24);
    BmpHeader h = ReadInfoHeader(reader);
    Validate(h);
    std::vector<QRgb> table = ReadColorTable(reader, h);

    // The pixel offset may leave a gap after the colour table; 0 means "right after it".
    std::size_t start = pixelOffset != 0 ? pixelOffset : reader.Position();
    if (start < reader.Position() || start > file.size())
        throw EInvalidGraphic(kInvalidBitmap);
    int rows = h.height < 0 ? -h.height : h.height;
    std::size_t stride = RowStride(h.width, h.bitCount);
    if ((file.size() - start) / stride < static_cast<std::size_t>(rows))
        throw EReadError(kStreamReadError);

    QImage image(h.width, rows, QImage::Format_RGB32);
    for (int y = 0; y < rows; ++y) {
        int fileRow = h.height < 0 ? y : rows - 1 - y;
        auto row = file.subspan(start + static_cast<std::size_t>(fileRow) * stride, stride);
        DecodeRow(row, reinterpret_cast<QRgb*>(image.scanLine(y)), h, table);
    }
    return image;
}

QImage ReadBmp(ByteReader& reader) {
    auto fileHeader = reader.Peek(kFileHeaderSize);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        throw EInvalidGraphic(kInvalidBitmap);
    std::uint32_t size = fileHeader[2] | (fileHeader[3] << 8) | (fileHeader[4] << 16) |
                         (std::uint32_t(fileHeader[5]) << 24);
    if (size < kFileHeaderSize + kCoreHeaderSize)
        throw EInvalidGraphic(kInvalidBitmap);
    return DecodeBmp(reader.ReadBytes(size));
}

std::vector<std::uint8_t> EncodeBmp(const QImage& image, int bitCount) {
    std::vector<QRgb> table;
    if (bitCount == 1)
        table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    else if (bitCount == 8)
        for (QRgb c : image.colorTable())
            table.push_back(c);
    QImage rgb = image.convertToFormat(QImage::Format_RGB32);

    std::size_t stride = RowStride(image.width(), bitCount);
    std::uint32_t offset =
        static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize + 4 * table.size());
    std::uint32_t total = offset + static_cast<std::uint32_t>(stride * image.height());

    std::vector<std::uint8_t> out;
    out.reserve(total);
    out.push_back('B');
    out.push_back('M');
    PutUInt32(out, total);
    PutUInt32(out, 0);
    PutUInt32(out, offset);
    PutUInt32(out, kInfoHeaderSize);
    PutUInt32(out, static_cast<std::uint32_t>(image.width()));
    PutUInt32(out, static_cast<std::uint32_t>(image.height()));
    PutUInt16(out, 1);
    PutUInt16(out, static_cast<std::uint32_t>(bitCount));
    PutUInt32(out, kBiRgb);
    PutUInt32(out, static_cast<std::uint32_t>(stride * image.height()));
    PutUInt32(out, 0);
    PutUInt32(out, 0);
    PutUInt32(out, static_cast<std::uint32_t>(table.size()));
    PutUInt32(out, 0);
    for (QRgb c : table) {
        out.push_back(static_cast<std::uint8_t>(qBlue(c)));
        out.push_back(static_cast<std::uint8_t>(qGreen(c)));
        out.push_back(static_cast<std::uint8_t>(qRed(c)));
        out.push_back(0);
    }
    for (int y = image.height() - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(stride, 0);
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            QRgb c = line[x];
            switch (bitCount) {
            case 1:
                if ((c & 0xFFFFFF) == 0xFFFFFF)
                    row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
                break;
            case 8:
                row[x] = static_cast<std::uint8_t>(image.pixelIndex(x, y));
                break;
            case 24:
                row[3 * x] = static_cast<std::uint8_t>(qBlue(c));
                row[3 * x + 1] = static_cast<std::uint8_t>(qGreen(c));
                row[3 * x + 2] = static_cast<std::uint8_t>(qRed(c));
                break;
            default:
                row[4 * x] = static_cast<std::uint8_t>(qBlue(c));
                row[4 * x + 1] = static_cast<std::uint8_t>(qGreen(c));
                row[4 * x + 2] = static_cast<std::uint8_t>(qRed(c));
                row[4 * x + 3] = 0;
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}
