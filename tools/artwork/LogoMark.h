#pragma once

#include "Typography.h"

#include <QPainter>
#include <QRectF>

// The product's mark: a white rounded tile holding two overlapping play triangles, a light
// cyan one behind a deep blue one, which reads as "play" with a sense of motion.
void DrawLogoMark(QPainter& painter, const QRectF& tile, bool withShadow);

// The product name as set in every window: "Talvimo" heavy, "播放器" lighter, side by side and
// centred on `centreX` (or starting at it, for Qt::AlignLeft).
void DrawWordmark(QPainter& painter, const Typography& type, qreal centreX, qreal baseline,
                  qreal pixelSize, Qt::Alignment horizontal = Qt::AlignHCenter);
