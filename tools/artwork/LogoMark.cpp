#include "LogoMark.h"

#include "Palette.h"
#include "Shadow.h"

#include <QLinearGradient>
#include <QPainterPath>

namespace {

QPainterPath RoundedTriangle(QPointF centre, qreal size, qreal rounding) {
    // Play triangle whose optical centre sits at `centre`, pointing right.
    const qreal half = size / 2;
    QPainterPath path;
    path.moveTo(centre.x() - half * 0.78, centre.y() - half);
    path.lineTo(centre.x() + half * 0.95, centre.y());
    path.lineTo(centre.x() - half * 0.78, centre.y() + half);
    path.closeSubpath();
    // Widening the outline with round joins softens the corners by `rounding`.
    QPainterPathStroker stroker;
    stroker.setWidth(rounding);
    stroker.setJoinStyle(Qt::RoundJoin);
    return path.united(stroker.createStroke(path)).simplified();
}

} // namespace

void DrawLogoMark(QPainter& painter, const QRectF& tile, bool withShadow) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = tile.width();
    QPainterPath shape;
    shape.addRoundedRect(tile, s * 0.27, s * 0.27);
    if (withShadow) {
        DrawSoftShadow(painter, shape, QPointF(0, s * 0.06), qMax(3, qRound(s * 0.12)),
                       QColor(8, 40, 110, 90));
    }
    QLinearGradient face(tile.topLeft(), tile.bottomLeft());
    face.setColorAt(0, Qt::white);
    face.setColorAt(1, QColor(232, 243, 253));
    painter.fillPath(shape, face);

    const QPointF centre = tile.center() + QPointF(s * 0.04, 0);
    const qreal size = s * 0.48;
    QPainterPath back = RoundedTriangle(centre - QPointF(s * 0.13, 0), size * 0.86, s * 0.07);
    QLinearGradient backFill(back.boundingRect().topLeft(), back.boundingRect().bottomRight());
    backFill.setColorAt(0, palette::lightCyan);
    backFill.setColorAt(1, palette::cyan);
    painter.fillPath(back, backFill);

    QPainterPath front = RoundedTriangle(centre + QPointF(s * 0.05, 0), size, s * 0.07);
    // A thin white gap between the triangles keeps them apart at small sizes.
    QPainterPathStroker gap;
    gap.setWidth(qMax(1.2, s * 0.05));
    gap.setJoinStyle(Qt::RoundJoin);
    painter.fillPath(gap.createStroke(front).united(front), QColor(244, 249, 254));
    QLinearGradient frontFill(front.boundingRect().topLeft(), front.boundingRect().bottomRight());
    frontFill.setColorAt(0, palette::skyBlue);
    frontFill.setColorAt(1, palette::deepBlue);
    painter.fillPath(front, frontFill);
    painter.restore();
}

void DrawWordmark(QPainter& painter, const Typography& type, qreal centreX, qreal baseline,
                  qreal pixelSize, Qt::Alignment horizontal) {
    const TextStyle latin{pixelSize, pixelSize * 0.055, pixelSize * 0.01, Qt::white};
    const TextStyle chinese{pixelSize * 0.92, pixelSize * 0.03, pixelSize * 0.04,
                            palette::WithAlpha(Qt::white, 235)};
    const QString name = QStringLiteral("Talvimo");
    const QString kind = QStringLiteral("播放器");
    const qreal gap = pixelSize * 0.16;
    const qreal total = type.Width(name, latin) + gap + type.Width(kind, chinese);
    const qreal left = (horizontal & Qt::AlignHCenter) ? centreX - total / 2 : centreX;
    type.Draw(painter, name, left, baseline, latin);
    type.Draw(painter, kind, left + type.Width(name, latin) + gap, baseline, chinese);
}
