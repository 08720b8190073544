// The product's icon file: a standard ICO directory whose every image is a PNG of its size, as
// the desktop launchers take them out.
#include "ProductIcon.h"

#include <gtest/gtest.h>

#include <QBuffer>

namespace {

uint32_t readLittleEndian(const QByteArray& bytes, qsizetype offset, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes.at(offset + i));
    return value;
}

} // namespace

TEST(ProductIcon, EverySizeIsAPngImageInAStandardIcoDirectory) {
    std::vector<QImage> images;
    for (const int size : kProductIconSizes)
        images.push_back(DrawProductIcon(size));
    const QByteArray ico = BuildIcoFile(images);
    ASSERT_GE(ico.size(), 6);
    EXPECT_EQ(readLittleEndian(ico, 0, 2), 0u);
    EXPECT_EQ(readLittleEndian(ico, 2, 2), 1u);
    ASSERT_EQ(readLittleEndian(ico, 4, 2), images.size());
    uint32_t expectedOffset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const qsizetype entry = 6 + 16 * static_cast<qsizetype>(i);
        const int size = kProductIconSizes[i];
        EXPECT_EQ(readLittleEndian(ico, entry, 1), static_cast<uint32_t>(size % 256)) << size;
        EXPECT_EQ(readLittleEndian(ico, entry + 6, 2), 32u) << size;
        const uint32_t length = readLittleEndian(ico, entry + 8, 4);
        const uint32_t offset = readLittleEndian(ico, entry + 12, 4);
        EXPECT_EQ(offset, expectedOffset) << size;
        expectedOffset = offset + length;
        ASSERT_LE(expectedOffset, static_cast<uint32_t>(ico.size())) << size;
        const QByteArray png = ico.mid(offset, length);
        EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n")) << size;
        const QImage decoded = QImage::fromData(png, "PNG");
        EXPECT_EQ(decoded.size(), QSize(size, size));
        // The mark is drawn: the centre is opaque, the corner transparent.
        EXPECT_EQ(qAlpha(decoded.pixel(size / 2, size / 2)), 255) << size;
        EXPECT_EQ(qAlpha(decoded.pixel(0, 0)), 0) << size;
    }
    EXPECT_EQ(expectedOffset, static_cast<uint32_t>(ico.size()));
}

TEST(ProductIcon, AnImageLargerThanAnIcoEntryCanHoldIsRefused) {
    try {
        BuildIcoFile({QImage(512, 512, QImage::Format_ARGB32)});
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "cannot store an icon image of 512 px");
    }
}
