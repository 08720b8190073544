#include "Controls.h"

#include "Palette.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QImage BlankPicture(QSize size, qreal scale) {
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    return image;
}

namespace {

QImage Finished(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGBA8888);
}

} // namespace

QImage DrawPillButton(const Typography& type, QSize size, const QString& label, qreal labelSize,
                      qreal scale) {
    QImage image = BlankPicture(size, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal rim = 2;
    const QRectF outer(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
    const QRectF body = outer.adjusted(0, 0, 0, -rim);
    const qreal radius = body.height() / 2;

    QPainterPath foot;
    foot.addRoundedRect(outer, radius, radius);
    painter.fillPath(foot, QColor(14, 72, 170));

    QPainterPath face;
    face.addRoundedRect(body, radius, radius);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, QColor(58, 172, 250));
    fill.setColorAt(0.5, palette::brandBlue.lighter(108));
    fill.setColorAt(1, QColor(22, 104, 214));
    painter.fillPath(face, fill);

    // Light catching the upper edge.
    QLinearGradient sheen(body.topLeft(), QPointF(body.left(), body.center().y()));
    sheen.setColorAt(0, palette::WithAlpha(Qt::white, 70));
    sheen.setColorAt(1, palette::WithAlpha(Qt::white, 0));
    painter.fillPath(face, sheen);

    const TextStyle text{labelSize, labelSize * 0.045, labelSize * 0.18, Qt::white};
    type.DrawCentred(painter, label, body.translated(0, 0.5), text);
    painter.end();
    return Finished(image);
}

QImage DrawCloseGlyph(qreal scale) {
    QImage image = BlankPicture(QSize(11, 11), scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette::glyph, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(1.5, 1.5), QPointF(9.5, 9.5));
    painter.drawLine(QPointF(9.5, 1.5), QPointF(1.5, 9.5));
    painter.end();
    return Finished(image);
}

QImage DrawMinimizeGlyph(qreal scale) {
    QImage image = BlankPicture(QSize(10, 2), scale);
    image.fill(palette::glyph);
    return Finished(image);
}

QImage DrawToggle(bool pointsUp, bool highlighted, qreal scale) {
    QImage image = BlankPicture(QSize(20, 17), scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(10, 8.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(highlighted ? palette::toggleGreen : palette::toggleGrey);
    painter.drawEllipse(centre, 7.6, 7.6);

    const qreal direction = pointsUp ? -1 : 1;
    QPainterPath chevron;
    chevron.moveTo(centre.x() - 3.4, centre.y() - 1.6 * direction);
    chevron.lineTo(centre.x(), centre.y() + 1.8 * direction);
    chevron.lineTo(centre.x() + 3.4, centre.y() - 1.6 * direction);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(chevron);
    painter.end();
    return Finished(image);
}

QImage DrawStripColumn(const QColor& colour, qreal scale) {
    QImage image = BlankPicture(QSize(1, 3), scale);
    image.fill(colour);
    return Finished(image);
}
