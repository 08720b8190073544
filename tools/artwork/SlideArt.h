#pragma once

#include "Typography.h"

#include <QPainter>
#include <QRectF>

// The illustrations on the right of the progress window's slides, one per player feature.
// Each draws inside `area` with shapes only.
void DrawPictureQualityArt(QPainter& painter, const Typography& type, const QRectF& area);
void DrawInstantPlayArt(QPainter& painter, const Typography& type, const QRectF& area);
void DrawFormatsArt(QPainter& painter, const Typography& type, const QRectF& area);
void DrawSubtitlesArt(QPainter& painter, const Typography& type, const QRectF& area);
void DrawMiniWindowArt(QPainter& painter, const Typography& type, const QRectF& area);
