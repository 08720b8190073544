#pragma once

#include <QColor>
#include <QPainter>

// Colours of one banner: its gradient runs from `light` at the top left to `deep` at the bottom
// right, with a glow of `glow` in the top-left corner.
struct BannerTone {
    QColor light;
    QColor deep;
    QColor glow;
};

BannerTone BrandTone();

// Fills the whole picture with the light area colour, then paints the banner over its top
// `height` rows: the gradient, soft decorative circles kept away from the top-right corner
// (where the window glyphs sit), and a gentle wave as its lower edge that never passes
// `height`, so every row from `height` down stays plain.
void PaintBannerPicture(QPainter& painter, QSize picture, int height, const BannerTone& tone);
