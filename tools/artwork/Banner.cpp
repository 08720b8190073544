#include "Banner.h"

#include "Palette.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

BannerTone BrandTone() {
    return {palette::skyBlue, palette::deepBlue, palette::lightCyan};
}

namespace {

// The lower edge of the banner: starts `rise` above the bottom on the left, dips towards the
// bottom and rises again, so the light area flows into the banner.
QPainterPath BannerShape(qreal width, qreal height, qreal rise) {
    QPainterPath shape;
    shape.moveTo(0, 0);
    shape.lineTo(width, 0);
    shape.lineTo(width, height - rise * 0.9);
    shape.cubicTo(width * 0.68, height - rise * 1.9, width * 0.38, height + rise * 0.35, 0,
                  height - rise * 0.55);
    shape.closeSubpath();
    return shape;
}

void PaintDecorations(QPainter& painter, qreal width, qreal height) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::WithAlpha(Qt::white, 14));
    painter.drawEllipse(QPointF(width * 0.93, height * 0.78), height * 0.55, height * 0.55);
    painter.setBrush(palette::WithAlpha(Qt::white, 10));
    painter.drawEllipse(QPointF(width * 0.04, height * 0.95), height * 0.42, height * 0.42);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette::WithAlpha(Qt::white, 22), 1.2));
    painter.drawEllipse(QPointF(width * 0.16, height * 0.22), height * 0.30, height * 0.30);
}

} // namespace

void PaintBannerPicture(QPainter& painter, QSize picture, int height, const BannerTone& tone) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRect(QPoint(0, 0), picture), palette::lightArea);

    const qreal width = picture.width();
    const qreal rise = qMin<qreal>(22, height * 0.09);
    const QPainterPath shape = BannerShape(width, height, rise);
    painter.setClipPath(shape);

    QLinearGradient base(0, 0, width * 0.55, height * 1.1);
    base.setColorAt(0, tone.light);
    base.setColorAt(1, tone.deep);
    painter.fillRect(QRectF(0, 0, width, height), base);

    QRadialGradient glow(QPointF(width * 0.08, -height * 0.1), height * 1.2);
    glow.setColorAt(0, palette::WithAlpha(tone.glow, 120));
    glow.setColorAt(1, palette::WithAlpha(tone.glow, 0));
    painter.fillRect(QRectF(0, 0, width, height), glow);

    PaintDecorations(painter, width, height);

    // A translucent second wave just above the edge gives the banner's foot some depth.
    QPainterPath foot;
    foot.moveTo(0, height - rise * 1.7);
    foot.cubicTo(width * 0.3, height - rise * 2.6, width * 0.62, height - rise * 0.2, width,
                 height - rise * 2.2);
    foot.lineTo(width, height);
    foot.lineTo(0, height);
    foot.closeSubpath();
    painter.fillPath(foot, palette::WithAlpha(Qt::white, 26));
    painter.restore();
}
