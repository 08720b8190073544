#pragma once

#include "Typography.h"

#include <QImage>
#include <QSize>
#include <QString>

// Pictures of the small controls every window shares. All come back as non-premultiplied
// 8-bit RGBA images of exactly the requested size, drawn at `scale` device pixels per pixel
// (1 or 2; the image's device pixel ratio says which).

// A transparent picture of `size` at `scale`, to paint on with logical coordinates.
QImage BlankPicture(QSize size, qreal scale);

// The call-to-action button: a blue pill with a darker rim along its foot and a white label.
QImage DrawPillButton(const Typography& type, QSize size, const QString& label, qreal labelSize,
                      qreal scale);

// The window glyphs, light grey so they read on the blue banners: an 11 x 11 cross and a
// 10 x 2 bar.
QImage DrawCloseGlyph(qreal scale);
QImage DrawMinimizeGlyph(qreal scale);

// The 20 x 17 custom-options toggle: a disc, grey or (under the pointer) green, holding a
// white chevron pointing down (collapsed) or up (expanded).
QImage DrawToggle(bool pointsUp, bool highlighted, qreal scale);

// A 1 x 3 column of one opaque colour, the unit the progress strip is built from.
QImage DrawStripColumn(const QColor& colour, qreal scale);
