#include "Header.h"

#include "LogoMark.h"
#include "Palette.h"

void DrawWindowHeader(QPainter& painter, const Typography& type) {
    DrawLogoMark(painter, QRectF(14, 9, 18, 18), false);
    const TextStyle title{13, 0.25, 0.4, palette::WithAlpha(Qt::white, 225)};
    type.Draw(painter, QStringLiteral("Talvimo安装向导"), 39, 23, title);
}
