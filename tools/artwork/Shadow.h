#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>

// Paints a soft drop shadow of `shape`: the shape filled with `colour`, moved by `offset` and
// blurred by about `radius` pixels (three box blurs approximate a Gaussian), at the device
// pixel ratio of the painter's picture.
void DrawSoftShadow(QPainter& painter, const QPainterPath& shape, QPointF offset, int radius,
                    const QColor& colour);
