#include "FinishPictures.h"

#include "Banner.h"
#include "Controls.h"
#include "Header.h"
#include "LogoMark.h"
#include "Palette.h"
#include "Shadow.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// A green disc with a white tick, pinned to the mark's lower-right corner.
void DrawDoneBadge(QPainter& painter, QPointF centre, qreal radius) {
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    DrawSoftShadow(painter, disc, QPointF(0, 1.5), 4, QColor(8, 40, 110, 80));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, radius + 2.5, radius + 2.5);
    painter.setBrush(palette::toggleGreen);
    painter.drawEllipse(centre, radius, radius);
    QPainterPath tick;
    tick.moveTo(centre + QPointF(-radius * 0.45, radius * 0.02));
    tick.lineTo(centre + QPointF(-radius * 0.1, radius * 0.36));
    tick.lineTo(centre + QPointF(radius * 0.48, -radius * 0.3));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, radius * 0.24, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(tick);
}

} // namespace

QImage DrawFinishBackground(const Typography& type, qreal scale) {
    const QSize size(588, 475);
    QImage image = BlankPicture(size, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintBannerPicture(painter, size, 239, BrandTone());
    DrawWindowHeader(painter, type);
    // The window has no controls behind these marks; they match the other windows' glyphs.
    painter.drawImage(QPoint(539, 13), DrawMinimizeGlyph(scale));
    painter.drawImage(QPoint(566, 9), DrawCloseGlyph(scale));

    const qreal centre = size.width() / 2.0;
    const QRectF tile(centre - 35, 40, 70, 70);
    DrawLogoMark(painter, tile, true);
    DrawDoneBadge(painter, tile.bottomRight() - QPointF(4, 4), 11);
    const TextStyle headline{28, 1.0, 3, Qt::white};
    type.Draw(painter, QStringLiteral("安装完成"), centre, 158, headline, Qt::AlignHCenter);
    const TextStyle subline{15, 0.2, 0.8, palette::WithAlpha(Qt::white, 215)};
    type.Draw(painter, QStringLiteral("Talvimo播放器已成功安装到您的电脑"), centre, 190, subline,
              Qt::AlignHCenter);

    const TextStyle hint{13, 0.15, 0.6, palette::textGrey};
    type.Draw(painter, QStringLiteral("点击下方按钮，立即开启高清观影之旅"), centre, 274, hint,
              Qt::AlignHCenter);
    painter.end();
    return image.convertToFormat(QImage::Format_RGBA8888);
}

QImage DrawFinishButton(const Typography& type, qreal scale) {
    return DrawPillButton(type, QSize(241, 39), QStringLiteral("完成安装"), 18, scale);
}
