// The player's feature pictures: the feature band of a slide, scaled to the player's size and
// opaque, so a 24-bit bitmap resource holds it without losing anything.
#include "FeatureBitmap.h"

#include <gtest/gtest.h>

#include <QPainter>

TEST(FeatureBitmap, TakesTheSlidesFeatureBandAtThePlayersSize) {
    // A slide whose title bar, band and wave are three colours, the band half transparent.
    QImage slide(588, 358, QImage::Format_ARGB32);
    slide.fill(Qt::red);
    QPainter painter(&slide);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(kFeatureBand, QColor(0, 0, 255, 128));
    painter.fillRect(QRect(0, kFeatureBand.bottom() + 1, 588, 358), Qt::green);
    painter.end();

    const QImage feature = FeatureBitmap(slide);
    EXPECT_EQ(feature.size(), kFeatureSize);
    EXPECT_FALSE(feature.hasAlphaChannel());
    // Only the band: no title bar above it, no wave below it, at the edges as in the middle.
    for (const QPoint point : {QPoint(0, 0), QPoint(kFeatureSize.width() - 1, 0), QPoint(200, 80),
                               QPoint(0, kFeatureSize.height() - 1)}) {
        const QColor colour = feature.pixelColor(point);
        EXPECT_LT(colour.red(), 8) << point.x() << "," << point.y();
        EXPECT_LT(colour.green(), 8) << point.x() << "," << point.y();
        EXPECT_GT(colour.blue(), 100) << point.x() << "," << point.y();
    }
}

TEST(FeatureBitmap, APictureThatIsNoSlideIsRefused) {
    try {
        FeatureBitmap(QImage(1176, 716, QImage::Format_ARGB32));
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "a slide is 588 x 358 pixels, not 1176 x 716");
    }
}
