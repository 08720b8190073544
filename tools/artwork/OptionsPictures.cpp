#include "OptionsPictures.h"

#include "Banner.h"
#include "Controls.h"
#include "Header.h"
#include "LogoMark.h"
#include "Palette.h"

#include <QPainter>

QImage drawOptionsBackground(const Typography& type) {
    const QSize size(588, 600);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBannerPicture(painter, size, 285, brandTone());
    drawWindowHeader(painter, type);

    const qreal centre = size.width() / 2.0;
    drawLogoMark(painter, QRectF(centre - 39, 54, 78, 78), true);
    drawWordmark(painter, type, centre, 190, 34);
    const TextStyle tagline{15, 0.2, 1.5, palette::withAlpha(Qt::white, 215)};
    type.draw(painter, QStringLiteral("高清画质 · 秒开流畅 · 全格式支持"), centre, 224, tagline,
              Qt::AlignHCenter);

    // Captions for the custom options, which appear when the window grows to 550 rows. They sit
    // left of the folder box (176, 400, 25 high) and of the first row of check boxes (456).
    const TextStyle caption{13, 0.15, 0.5, palette::textGrey};
    type.draw(painter, QStringLiteral("安装位置"), 164, 417, caption, Qt::AlignRight);
    type.draw(painter, QStringLiteral("附加选项"), 164, 473, caption, Qt::AlignRight);
    painter.end();
    return image.convertToFormat(QImage::Format_RGBA8888);
}

QImage drawInstallButton(const Typography& type) {
    return drawPillButton(type, QSize(197, 47), QStringLiteral("一键安装"), 20);
}
