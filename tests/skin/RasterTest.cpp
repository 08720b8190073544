// The engine's pixel rules: blending, sampling, colour keys, fading and the focus dots.
#include "SkinTestWindow.h"

#include "skin/Raster.h"

#include <gtest/gtest.h>

TEST(Raster, AlphaBlendingFollowsTheRoundingOfTheFormula) {
    EXPECT_EQ(raster::BlendPixel(qRgb(200, 100, 0), 128, qRgb(255, 255, 255)), qRgb(227, 177, 127));
    EXPECT_EQ(raster::BlendPixel(qRgb(200, 100, 0), 0, qRgb(1, 2, 3)), qRgb(1, 2, 3));
    EXPECT_EQ(raster::BlendPixel(qRgb(200, 100, 0), 255, qRgb(1, 2, 3)), qRgb(200, 100, 0));
    // 254 is not a copy: (10 * 254 + 1 * 250 + 255) >> 8 = 11.
    EXPECT_EQ(raster::BlendChannel(10, 250, 254), 11);
}

TEST(Raster, BlendingIntoARectangleSamplesNearestAndClips) {
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(255, 0, 0, 255));
    picture.setPixel(1, 0, qRgba(0, 0, 255, 128));
    QImage dest(6, 2, QImage::Format_RGB32);
    dest.fill(qRgb(255, 255, 255));
    raster::AlphaBlend(dest, QRect(1, 0, 5, 3), picture); // 5 wide, 3 high, clipped at 2 rows
    // Columns 0..4 of the rectangle take source columns trunc(x / 2.5) = 0,0,0,1,1.
    EXPECT_EQ(dest.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(dest.pixel(3, 1), qRgb(255, 0, 0));
    EXPECT_EQ(dest.pixel(4, 0), qRgb(127, 127, 255));
    EXPECT_EQ(dest.pixel(5, 1), qRgb(127, 127, 255));
    EXPECT_EQ(raster::NearestSource(19, 20, 10), 9);
}

TEST(Raster, ColourKeyLeavesThatColourOut) {
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 255));
    image.setPixel(1, 0, qRgb(1, 2, 3));
    QImage dest(3, 3, QImage::Format_RGB32);
    dest.fill(qRgb(9, 9, 9));
    raster::CopyTransparent(dest, 1, 1, image, image.pixel(0, 1));
    EXPECT_EQ(dest.pixel(2, 1), qRgb(1, 2, 3));
    EXPECT_EQ(dest.pixel(1, 1), qRgb(9, 9, 9));
    EXPECT_EQ(dest.pixel(2, 2), qRgb(9, 9, 9));
}

TEST(Raster, FadingHalvesAlphaWithTiesToEven) {
    EXPECT_EQ(raster::FadeAlphaValue(255), 128);
    EXPECT_EQ(raster::FadeAlphaValue(1), 0);
    EXPECT_EQ(raster::FadeAlphaValue(3), 2);
    EXPECT_EQ(raster::FadeAlphaValue(5), 2);
    EXPECT_EQ(raster::FadeAlphaValue(0), 0);
    EXPECT_EQ(raster::FadeAlphaValue(128), 64);
}

namespace {

// The set pixels of an image, as a picture of '#' and '.' rows.
std::string Dots(const QImage& image) {
    std::string out;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            out += image.pixel(x, y) == qRgb(0, 0, 0) ? '#' : '.';
        out += '\n';
    }
    return out;
}

} // namespace

TEST(Raster, FocusDotsAlternateAroundTheRectangle) {
    // 6 x 4 pixels: reduced rectangle 5 x 3 (odd), so the top-left pixel is set.
    QImage odd = White(6, 4);
    raster::DrawFocusDots(odd, QRect(0, 0, 6, 4), qRgb(0, 0, 0));
    EXPECT_EQ(Dots(odd), "#.#.#.\n"
                         ".....#\n"
                         "#.....\n"
                         ".#.#.#\n");
    // 5 x 3 pixels: reduced rectangle 4 x 2 (both even), so the top-left pixel stays clear.
    QImage even = White(5, 3);
    raster::DrawFocusDots(even, QRect(0, 0, 5, 3), qRgb(0, 0, 0));
    EXPECT_EQ(Dots(even), ".#.#.\n"
                          "#...#\n"
                          ".#.#.\n");
}

TEST(Raster, MixWithWhiteRoundsHalvesToEven) {
    EXPECT_EQ(raster::MixWithWhite(qRgb(0, 1, 255)), qRgb(128, 128, 255));
    EXPECT_EQ(raster::MixWithWhite(qRgb(2, 100, 3)), qRgb(128, 178, 129));
}

// On a destination of device pixel ratio 2 the rules hold in logical pixels: every logical
// pixel is a 2 x 2 block of device pixels.
namespace {

QImage ScaledWhite(int width, int height, qreal scale) {
    QImage image = White(qRound(width * scale), qRound(height * scale));
    image.setDevicePixelRatio(scale);
    return image;
}

// The image with every 2 x 2 block read as one pixel, or a null image when a block is uneven.
QImage Blocks(const QImage& image) {
    QImage logical(image.width() / 2, image.height() / 2, QImage::Format_RGB32);
    for (int y = 0; y < logical.height(); ++y)
        for (int x = 0; x < logical.width(); ++x) {
            QRgb pixel = image.pixel(2 * x, 2 * y);
            if (image.pixel(2 * x + 1, 2 * y) != pixel || image.pixel(2 * x, 2 * y + 1) != pixel ||
                image.pixel(2 * x + 1, 2 * y + 1) != pixel)
                return QImage();
            logical.setPixel(x, y, pixel);
        }
    return logical;
}

} // namespace

TEST(ScaledRaster, A1xPictureCoversTheDevicePixelsOfItsLogicalPlaceAsAt1x) {
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(255, 0, 0, 255));
    picture.setPixel(1, 0, qRgba(0, 0, 255, 128));
    QImage once = White(6, 2);
    raster::AlphaBlend(once, QRect(1, 0, 5, 3), picture, QRect(0, 0, 5, 2));
    QImage twice = ScaledWhite(6, 2, 2);
    raster::AlphaBlend(twice, QRect(1, 0, 5, 3), picture, QRect(0, 0, 5, 2));
    EXPECT_EQ(Blocks(twice), once.convertToFormat(QImage::Format_RGB32));

    QImage key(2, 2, QImage::Format_RGB32);
    key.fill(qRgb(255, 0, 255));
    key.setPixel(1, 0, qRgb(1, 2, 3));
    QImage keyedOnce = White(4, 4), keyedTwice = ScaledWhite(4, 4, 2);
    raster::CopyTransparent(keyedOnce, 1, 1, key, qRgb(255, 0, 255));
    raster::CopyTransparent(keyedTwice, 1, 1, key, qRgb(255, 0, 255));
    EXPECT_EQ(Blocks(keyedTwice), keyedOnce.convertToFormat(QImage::Format_RGB32));

    QImage dotsOnce = White(6, 4), dotsTwice = ScaledWhite(6, 4, 2);
    raster::DrawFocusDots(dotsOnce, QRect(0, 0, 6, 4), qRgb(0, 0, 0));
    raster::DrawFocusDots(dotsTwice, QRect(0, 0, 6, 4), qRgb(0, 0, 0));
    EXPECT_EQ(Dots(Blocks(dotsTwice)), Dots(dotsOnce));
}

TEST(ScaledRaster, ATwinFillsItsLogicalPlacePixelForPixel) {
    // A 2 x 2 twin of a 1 x 1 picture: each device pixel its own colour, at logical (1, 1).
    QImage twin(2, 2, QImage::Format_ARGB32);
    twin.setPixel(0, 0, qRgba(255, 0, 0, 255));
    twin.setPixel(1, 0, qRgba(0, 255, 0, 255));
    twin.setPixel(0, 1, qRgba(0, 0, 255, 255));
    twin.setPixel(1, 1, qRgba(255, 0, 255, 255)); // the key colour
    twin.setDevicePixelRatio(2);
    QImage blended = ScaledWhite(3, 3, 2);
    raster::AlphaBlend(blended, QRect(1, 1, 1, 1), twin);
    QImage keyed = ScaledWhite(3, 3, 2);
    raster::CopyTransparent(keyed, 1, 1, twin, qRgb(255, 0, 255));
    for (const QImage* dest : {&blended, &keyed}) {
        EXPECT_EQ(dest->pixel(2, 2), qRgb(255, 0, 0));
        EXPECT_EQ(dest->pixel(3, 2), qRgb(0, 255, 0));
        EXPECT_EQ(dest->pixel(2, 3), qRgb(0, 0, 255));
        EXPECT_EQ(dest->pixel(1, 2), qRgb(255, 255, 255)) << "left of its place";
        EXPECT_EQ(dest->pixel(4, 4), qRgb(255, 255, 255)) << "below and right of its place";
    }
    EXPECT_EQ(blended.pixel(3, 3), qRgb(255, 0, 255));
    EXPECT_EQ(keyed.pixel(3, 3), qRgb(255, 255, 255)) << "the key colour is left out";
}

TEST(ScaledRaster, LogicalRectanglesMapToWholeDevicePixelsAtOneAndAHalf) {
    QImage dest = ScaledWhite(10, 10, 1.5);
    EXPECT_EQ(raster::DeviceRect(dest, QRect(0, 0, 11, 11)), QRect(0, 0, 17, 17));
    // Neighbours share no device pixel and leave none out.
    EXPECT_EQ(raster::DeviceRect(dest, QRect(1, 0, 1, 1)), QRect(2, 0, 1, 2));
    EXPECT_EQ(raster::DeviceRect(dest, QRect(2, 0, 1, 1)), QRect(3, 0, 2, 2));
}
