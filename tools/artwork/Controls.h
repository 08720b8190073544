#pragma once

#include "Typography.h"

#include <QImage>
#include <QSize>
#include <QString>

// Pictures of the small controls every window shares. All come back as non-premultiplied
// 8-bit RGBA images of exactly the requested size.

// The call-to-action button: a blue pill with a darker rim along its foot and a white label.
QImage DrawPillButton(const Typography& type, QSize size, const QString& label, qreal labelSize);

// The window glyphs, light grey so they read on the blue banners: an 11 x 11 cross and a
// 10 x 2 bar.
QImage DrawCloseGlyph();
QImage DrawMinimizeGlyph();

// The 20 x 17 custom-options toggle: a disc, grey or (under the pointer) green, holding a
// white chevron pointing down (collapsed) or up (expanded).
QImage DrawToggle(bool pointsUp, bool highlighted);

// A 1 x 3 column of one opaque colour, the unit the progress strip is built from.
QImage DrawStripColumn(const QColor& colour);
