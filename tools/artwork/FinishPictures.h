#pragma once

#include "Typography.h"

#include <QImage>

// The finish window: a 588 x 475 background (banner over the top 239 rows with the window
// marks painted in, plain light area below) and the 241 x 39 finish button, drawn at `scale`.
QImage DrawFinishBackground(const Typography& type, qreal scale);
QImage DrawFinishButton(const Typography& type, qreal scale);
