// The player's feature pictures, made from the setup's progress slides: each slide's feature
// band (tag, headline, two lines and the illustration), without the setup's title bar above and
// the wave below, scaled for the player's window and flattened to an opaque picture that a
// Windows bitmap resource (24-bit BMP) holds.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// Where the feature band lies on a 588 x 358 slide, and the picture's size in the player.
inline constexpr QRect kFeatureBand{0, 44, 588, 230};
inline constexpr QSize kFeatureSize{412, 161};

// Throws std::runtime_error for a picture that is not a slide's size.
QImage FeatureBitmap(const QImage& slide);
