#pragma once

#include "Typography.h"

#include <QPainter>
#include <QRectF>

// The illustrations on the right of the progress window's slides, one per player feature.
// Each draws inside `area` with shapes only.
void drawPictureQualityArt(QPainter& painter, const Typography& type, const QRectF& area);
void drawInstantPlayArt(QPainter& painter, const Typography& type, const QRectF& area);
void drawFormatsArt(QPainter& painter, const Typography& type, const QRectF& area);
void drawSubtitlesArt(QPainter& painter, const Typography& type, const QRectF& area);
void drawMiniWindowArt(QPainter& painter, const Typography& type, const QRectF& area);
