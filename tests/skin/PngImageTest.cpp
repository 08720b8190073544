// Decoding and drawing PNG pictures, and the disabled look.
#include "SkinTestWindow.h"

#include "skin/bsPngImage.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

TbsPngImage Png(const QImage& image) {
    TbsPngImage png;
    png.LoadFromData(PngFile(image));
    return png;
}

} // namespace

TEST(PngImage, RgbaPicturesBlendOverWhatLiesBeneath) {
    QImage source(3, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(200, 100, 0, 128));
    source.setPixel(1, 0, qRgba(10, 20, 30, 0));
    source.setPixel(2, 0, qRgba(10, 20, 30, 255));
    TbsPngImage png = Png(source);
    ASSERT_FALSE(png.Empty());
    EXPECT_EQ(png.ColorType(), 6);
    EXPECT_EQ(png.TransparencyMode(), TbsPngImage::Transparency::AlphaChannel);
    EXPECT_EQ(png.Data(), PngFile(source));

    QImage dest = White(3, 1);
    png.Draw(dest, QRect(0, 0, 3, 1));
    EXPECT_EQ(dest.pixel(0, 0), qRgb(227, 177, 127));
    EXPECT_EQ(dest.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(dest.pixel(2, 0), qRgb(10, 20, 30));
}

TEST(PngImage, DisabledLookHalvesAlpha) {
    QImage source(2, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(0, 0, 0, 255));
    source.setPixel(1, 0, qRgba(0, 0, 0, 1));
    TbsPngImage faded = Png(source).Faded();
    EXPECT_EQ(qAlpha(faded.Pixels().pixel(0, 0)), 128);
    EXPECT_EQ(qAlpha(faded.Pixels().pixel(1, 0)), 0);
    QImage dest = White(2, 1);
    faded.Draw(dest, QRect(0, 0, 2, 1));
    EXPECT_EQ(dest.pixel(0, 0), qRgb(127, 127, 127));
    EXPECT_EQ(dest.pixel(1, 0), qRgb(255, 255, 255));

    // An opaque RGB picture gets alpha 255 faded to 128; a grey one gets 127.
    QImage rgb(1, 1, QImage::Format_RGB32);
    rgb.fill(qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(Png(rgb).Faded().Pixels().pixel(0, 0)), 128);
    QImage grey(1, 1, QImage::Format_Grayscale8);
    grey.fill(0);
    TbsPngImage greyPng = Png(grey);
    EXPECT_EQ(greyPng.ColorType(), 0);
    EXPECT_EQ(qAlpha(greyPng.Faded().Pixels().pixel(0, 0)), 127);
}

TEST(PngImage, DataThatIsNoPngGivesAnEmptyPicture) {
    auto bytes = PngFile(White(2, 2));
    TbsPngImage png;
    auto noSignature = bytes;
    noSignature[1] = 'X';
    png.LoadFromData(noSignature);
    EXPECT_TRUE(png.Empty());

    auto noHeader = bytes;
    std::memcpy(noHeader.data() + 12, "IDAT", 4);
    png.LoadFromData(noHeader);
    EXPECT_TRUE(png.Empty());

    auto cut = bytes;
    cut.resize(40);
    png.LoadFromData(cut);
    EXPECT_TRUE(png.Empty());

    QImage dest = White(2, 2);
    png.Draw(dest, QRect(0, 0, 2, 2));
    EXPECT_EQ(dest, White(2, 2));
}

TEST(PngImage, OpaquePicturesAreStretchedByNearestNeighbour) {
    QImage source(2, 1, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(1, 1, 1));
    source.setPixel(1, 0, qRgb(2, 2, 2));
    TbsPngImage png = Png(source);
    EXPECT_EQ(png.TransparencyMode(), TbsPngImage::Transparency::None);
    QImage dest = White(4, 2);
    png.Draw(dest, QRect(0, 0, 4, 2));
    EXPECT_EQ(dest.pixel(1, 1), qRgb(1, 1, 1));
    EXPECT_EQ(dest.pixel(2, 0), qRgb(2, 2, 2));
}
