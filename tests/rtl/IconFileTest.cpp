#include "GuiTest.h"

#include "rtl/IconFile.h"

#include "support/QtTestApplication.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

QImage Drawn(int side) {
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setBrush(QColor(200, 40, 30, 180));
    painter.drawEllipse(1, 1, side - 2, side - 2);
    return image;
}

QByteArray PngOf(const QImage& image) {
    const TBytes bytes = PngBytes(image);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

void PutLittleEndian(QByteArray& bytes, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes.append(static_cast<char>(value >> (8 * i)));
}

// An icon file whose entries are the given PNG files, as icon editors write large sizes.
QByteArray IconOfPngs(const std::vector<QByteArray>& pngs) {
    QByteArray ico;
    PutLittleEndian(ico, 0, 2);
    PutLittleEndian(ico, 1, 2);
    PutLittleEndian(ico, static_cast<std::uint32_t>(pngs.size()), 2);
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(pngs.size());
    for (const QByteArray& png : pngs) {
        const QImage image = QImage::fromData(png, "PNG");
        ico.append(static_cast<char>(image.width() & 0xff));
        ico.append(static_cast<char>(image.height() & 0xff));
        PutLittleEndian(ico, 0, 2);
        PutLittleEndian(ico, 1, 2);
        PutLittleEndian(ico, 32, 2);
        PutLittleEndian(ico, static_cast<std::uint32_t>(png.size()), 4);
        PutLittleEndian(ico, offset, 4);
        offset += static_cast<std::uint32_t>(png.size());
    }
    for (const QByteArray& png : pngs)
        ico.append(png);
    return ico;
}

QIcon Read(const QByteArray& ico) {
    return IconOfImages(ReadIconImages(
        {reinterpret_cast<const std::uint8_t*>(ico.constData()), static_cast<size_t>(ico.size())}));
}

// What Qt's own ICO reader makes of the file, image by image.
std::vector<QImage> QtImages(const QByteArray& ico) {
    QByteArray data = ico;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    std::vector<QImage> images;
    for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i)
        images.push_back(reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied));
    return images;
}

} // namespace

// Every image of the file is a size of the icon, with the pixels Qt's reader gives, whether the
// entries are PNG files (the fast way) or bitmaps (Qt's reader).
TEST(IconFile, EveryImageBecomesASizeWithQtsPixels) {
    testing_support::EnsureQtApplication();
    const QByteArray pngIcon = IconOfPngs({PngOf(Drawn(16)), PngOf(Drawn(48)), PngOf(Drawn(256))});
    QByteArray bitmapIcon;
    {
        QBuffer buffer(&bitmapIcon);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(QImageWriter(&buffer, "ico").write(Drawn(32)));
    }
    for (const QByteArray& ico : {pngIcon, bitmapIcon}) {
        const std::vector<QImage> expected = QtImages(ico);
        ASSERT_FALSE(expected.empty());
        const QIcon icon = Read(ico);
        ASSERT_EQ(icon.availableSizes().size(), static_cast<qsizetype>(expected.size()));
        for (const QImage& image : expected) {
            const QImage read = icon.pixmap(image.size())
                                    .toImage()
                                    .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            EXPECT_EQ(read, image) << image.width();
        }
    }
}

// A file cut short, or whose entry points past its end, gives no icon rather than a read past
// the bytes.
TEST(IconFile, ADamagedFileGivesNoIcon) {
    testing_support::EnsureQtApplication();
    const QByteArray whole = IconOfPngs({PngOf(Drawn(16))});
    QByteArray pastTheEnd = whole;
    pastTheEnd[6 + 12] = static_cast<char>(0xf0); // the entry's offset
    for (const QByteArray& ico : {whole.left(5), whole.left(20), pastTheEnd, QByteArray()})
        EXPECT_TRUE(Read(ico).isNull()) << ico.size();
}
