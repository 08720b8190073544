#include "FeatureBitmap.h"

#include <stdexcept>

QImage FeatureBitmap(const QImage& slide) {
    if (slide.size() != QSize(588, 358))
        throw std::runtime_error("a slide is 588 x 358 pixels, not " +
                                 std::to_string(slide.width()) + " x " +
                                 std::to_string(slide.height()));
    return slide.copy(kFeatureBand)
        .scaled(kFeatureSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB888);
}
