#pragma once

#include "Typography.h"

#include <QImage>

// The options window: a 588 x 600 background (banner over the top 285 rows, plain light area
// below where the controls sit) and the 197 x 47 install button, drawn at `scale`.
QImage DrawOptionsBackground(const Typography& type, qreal scale);
QImage DrawInstallButton(const Typography& type, qreal scale);
