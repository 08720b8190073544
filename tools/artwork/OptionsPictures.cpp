#include "OptionsPictures.h"

#include "Banner.h"
#include "Controls.h"
#include "Header.h"
#include "LogoMark.h"
#include "Palette.h"

#include <QPainter>

QImage DrawOptionsBackground(const Typography& type, qreal scale) {
    const QSize size(588, 600);
    QImage image = BlankPicture(size, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintBannerPicture(painter, size, 285, BrandTone());
    DrawWindowHeader(painter, type);

    const qreal centre = size.width() / 2.0;
    DrawLogoMark(painter, QRectF(centre - 39, 54, 78, 78), true);
    DrawWordmark(painter, type, centre, 190, 34);
    const TextStyle tagline{15, 0.2, 1.5, palette::WithAlpha(Qt::white, 215)};
    type.Draw(painter, QStringLiteral("高清画质 · 秒开流畅 · 全格式支持"), centre, 224, tagline,
              Qt::AlignHCenter);

    // Captions for the custom options, which appear when the window grows to 550 rows. They sit
    // left of the folder box (176, 400, 25 high) and of the first row of check boxes (456).
    const TextStyle caption{13, 0.15, 0.5, palette::textGrey};
    type.Draw(painter, QStringLiteral("安装位置"), 164, 417, caption, Qt::AlignRight);
    type.Draw(painter, QStringLiteral("附加选项"), 164, 473, caption, Qt::AlignRight);
    painter.end();
    return image.convertToFormat(QImage::Format_RGBA8888);
}

QImage DrawInstallButton(const Typography& type, qreal scale) {
    return DrawPillButton(type, QSize(197, 47), QStringLiteral("一键安装"), 20, scale);
}
