#include "SlideArt.h"

#include "LogoMark.h"
#include "Palette.h"
#include "Shadow.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

namespace {

const QColor shadowColour(6, 30, 90, 95);

QPainterPath Rounded(const QRectF& rect, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// A screen with a white bezel; returns the inner picture area for the caller to fill.
QRectF DrawMonitor(QPainter& painter, const QRectF& frame) {
    const QPainterPath body = Rounded(frame, 10);
    DrawSoftShadow(painter, body, QPointF(0, 6), 12, shadowColour);
    const QRectF neck(frame.center().x() - 16, frame.bottom(), 32, 16);
    painter.fillRect(neck, QColor(214, 228, 245));
    painter.fillPath(Rounded(QRectF(neck.center().x() - 48, neck.bottom(), 96, 6), 3),
                     QColor(236, 244, 252));
    painter.fillPath(body, Qt::white);
    return frame.adjusted(7, 7, -7, -7);
}

void DrawPlayTriangle(QPainter& painter, QPointF centre, qreal size, const QBrush& brush) {
    QPainterPath path;
    path.moveTo(centre + QPointF(-size * 0.38, -size * 0.5));
    path.lineTo(centre + QPointF(size * 0.5, 0));
    path.lineTo(centre + QPointF(-size * 0.38, size * 0.5));
    path.closeSubpath();
    painter.save();
    painter.setPen(QPen(brush, size * 0.14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(brush);
    painter.drawPath(path);
    painter.restore();
}

void DrawBadge(QPainter& painter, const Typography& type, const QRectF& box, const QString& text,
               const QColor& fill, const QColor& ink, qreal textSize) {
    const QPainterPath pill = Rounded(box, box.height() / 2);
    DrawSoftShadow(painter, pill, QPointF(0, 2), 5, shadowColour);
    painter.fillPath(pill, fill);
    type.DrawCentred(painter, text, box, TextStyle{textSize, textSize * 0.06, 0.5, ink});
}

} // namespace

void DrawPictureQualityArt(QPainter& painter, const Typography& type, const QRectF& area) {
    const QRectF frame(area.left() + 6, area.top() + 20, area.width() - 12, 152);
    const QRectF screen = DrawMonitor(painter, frame);
    painter.save();
    painter.setClipPath(Rounded(screen, 5));
    QLinearGradient sky(screen.topLeft(), screen.bottomLeft());
    sky.setColorAt(0, QColor(124, 206, 255));
    sky.setColorAt(1, QColor(214, 240, 255));
    painter.fillRect(screen, sky);
    QRadialGradient sun(screen.topLeft() + QPointF(screen.width() * 0.72, 38), 30);
    sun.setColorAt(0, QColor(255, 236, 160));
    sun.setColorAt(0.55, QColor(255, 214, 110));
    sun.setColorAt(1, QColor(255, 214, 110, 0));
    painter.fillRect(screen, sun);
    QPainterPath far;
    far.moveTo(screen.bottomLeft() + QPointF(0, -46));
    far.lineTo(screen.left() + screen.width() * 0.28, screen.bottom() - 92);
    far.lineTo(screen.left() + screen.width() * 0.5, screen.bottom() - 56);
    far.lineTo(screen.left() + screen.width() * 0.72, screen.bottom() - 98);
    far.lineTo(screen.right(), screen.bottom() - 50);
    far.lineTo(screen.bottomRight());
    far.lineTo(screen.bottomLeft());
    painter.fillPath(far, QColor(98, 160, 232));
    QPainterPath near;
    near.moveTo(screen.bottomLeft() + QPointF(0, -24));
    near.cubicTo(screen.left() + 60, screen.bottom() - 62, screen.left() + 110,
                 screen.bottom() - 20, screen.left() + 160, screen.bottom() - 44);
    near.cubicTo(screen.left() + 190, screen.bottom() - 58, screen.right() - 20,
                 screen.bottom() - 30, screen.right(), screen.bottom() - 34);
    near.lineTo(screen.bottomRight());
    near.lineTo(screen.bottomLeft());
    QLinearGradient hill(0, screen.bottom() - 60, 0, screen.bottom());
    hill.setColorAt(0, QColor(38, 118, 214));
    hill.setColorAt(1, QColor(20, 74, 170));
    painter.fillPath(near, hill);
    painter.restore();

    DrawBadge(painter, type, QRectF(frame.right() - 56, frame.top() - 12, 66, 28),
              QStringLiteral("4K HDR"), QColor(255, 197, 61), QColor(92, 52, 0), 13);
}

void DrawInstantPlayArt(QPainter& painter, const Typography& type, const QRectF& area) {
    const QPointF centre(area.center().x() + 22, area.top() + 98);
    const qreal radius = 60;
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    DrawSoftShadow(painter, disc, QPointF(0, 7), 14, shadowColour);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::WithAlpha(Qt::white, 50));
    painter.drawEllipse(centre, radius + 12, radius + 12);
    painter.fillPath(disc, Qt::white);
    QLinearGradient play(centre - QPointF(20, 26), centre + QPointF(26, 26));
    play.setColorAt(0, palette::skyBlue);
    play.setColorAt(1, palette::deepBlue);
    DrawPlayTriangle(painter, centre + QPointF(5, 0), 46, play);

    // Speed streaks trailing the disc.
    painter.setPen(QPen(palette::WithAlpha(Qt::white, 200), 6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(area.left() + 18, centre.y() - 24),
                     QPointF(centre.x() - radius - 26, centre.y() - 24));
    painter.setPen(QPen(palette::WithAlpha(Qt::white, 140), 6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(area.left() + 2, centre.y()),
                     QPointF(centre.x() - radius - 26, centre.y()));
    painter.setPen(QPen(palette::WithAlpha(Qt::white, 90), 6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(area.left() + 30, centre.y() + 24),
                     QPointF(centre.x() - radius - 26, centre.y() + 24));

    DrawBadge(painter, type, QRectF(centre.x() + 26, centre.y() - radius - 6, 62, 28),
              QStringLiteral("0.5秒"), QColor(255, 197, 61), QColor(92, 52, 0), 13);

    // A seek bar with most of it played.
    const QRectF track(area.left() + 20, area.bottom() - 28, area.width() - 34, 6);
    painter.fillPath(Rounded(track, 3), palette::WithAlpha(Qt::white, 70));
    const QRectF played(track.left(), track.top(), track.width() * 0.68, track.height());
    painter.fillPath(Rounded(played, 3), Qt::white);
    const QPointF knob(played.right(), track.center().y());
    QPainterPath knobShape;
    knobShape.addEllipse(knob, 9, 9);
    DrawSoftShadow(painter, knobShape, QPointF(0, 2), 4, shadowColour);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(knob, 9, 9);
    painter.setBrush(palette::cyan);
    painter.drawEllipse(knob, 4, 4);
}

void DrawFormatsArt(QPainter& painter, const Typography& type, const QRectF& area) {
    struct Card {
        const char* label;
        QColor colour;
        qreal angle;
        qreal shift;
    };
    const Card cards[] = {
        {"FLV", QColor(240, 96, 120), -12, -84},
        {"AVI", QColor(247, 166, 48), -4, -28},
        {"MKV", QColor(32, 184, 140), 4, 28},
        {"MP4", palette::brandBlue, 12, 84},
    };
    // Each card hides the right part of the one before it, so the type label and the play
    // sign sit on the left where they stay in view.
    const QPointF pivot(area.center().x(), area.bottom() + 40);
    const QRectF card(-42, -214, 84, 116);
    for (const Card& c : cards) {
        painter.save();
        painter.translate(pivot + QPointF(c.shift, 0));
        painter.rotate(c.angle);
        QPainterPath sheet;
        const qreal fold = 20;
        sheet.moveTo(card.left() + 10, card.top());
        sheet.lineTo(card.right() - fold, card.top());
        sheet.lineTo(card.right(), card.top() + fold);
        sheet.lineTo(card.right(), card.bottom() - 10);
        sheet.quadTo(card.right(), card.bottom(), card.right() - 10, card.bottom());
        sheet.lineTo(card.left() + 10, card.bottom());
        sheet.quadTo(card.left(), card.bottom(), card.left(), card.bottom() - 10);
        sheet.lineTo(card.left(), card.top() + 10);
        sheet.quadTo(card.left(), card.top(), card.left() + 10, card.top());
        sheet.closeSubpath();
        DrawSoftShadow(painter, sheet, QPointF(0, 5), 9, shadowColour);
        painter.fillPath(sheet, Qt::white);
        QPainterPath corner;
        corner.moveTo(card.right() - fold, card.top());
        corner.lineTo(card.right() - fold, card.top() + fold - 4);
        corner.quadTo(card.right() - fold, card.top() + fold, card.right() - fold + 4,
                      card.top() + fold);
        corner.lineTo(card.right(), card.top() + fold);
        corner.closeSubpath();
        painter.fillPath(corner, QColor(216, 226, 238));
        DrawPlayTriangle(painter, QPointF(card.left() + 26, card.top() + 36), 22, c.colour);
        painter.fillPath(Rounded(QRectF(card.left() + 12, card.top() + 62, 44, 5), 2.5),
                         QColor(230, 236, 244));
        painter.fillPath(Rounded(QRectF(card.left() + 12, card.top() + 72, 30, 5), 2.5),
                         QColor(230, 236, 244));
        const QRectF band(card.left() + 10, card.bottom() - 32, 48, 22);
        painter.fillPath(Rounded(band, 5), c.colour);
        type.DrawCentred(painter, QString::fromLatin1(c.label), band,
                         TextStyle{13, 0.6, 1, Qt::white});
        painter.restore();
    }
}

void DrawSubtitlesArt(QPainter& painter, const Typography& type, const QRectF& area) {
    const QRectF frame(area.left() + 6, area.top() + 20, area.width() - 12, 152);
    const QRectF screen = DrawMonitor(painter, frame);
    painter.save();
    painter.setClipPath(Rounded(screen, 5));
    QLinearGradient night(screen.topLeft(), screen.bottomLeft());
    night.setColorAt(0, QColor(22, 40, 92));
    night.setColorAt(1, QColor(56, 92, 170));
    painter.fillRect(screen, night);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 240, 196));
    painter.drawEllipse(screen.topLeft() + QPointF(48, 34), 15, 15);
    painter.setBrush(QColor(34, 58, 118));
    painter.drawEllipse(screen.topLeft() + QPointF(56, 29), 13, 13);
    painter.setBrush(palette::WithAlpha(Qt::white, 200));
    const QPointF stars[] = {{120, 22}, {168, 44}, {196, 18}, {92, 60}, {212, 62}, {150, 72}};
    for (QPointF star : stars) {
        painter.drawEllipse(screen.topLeft() + star, 1.3, 1.3);
    }
    // Subtitles: white text on a faint band, as a player shows them.
    const QRectF band(screen.left() + 18, screen.bottom() - 46, screen.width() - 36, 38);
    painter.fillPath(Rounded(band, 6), QColor(0, 0, 0, 90));
    type.Draw(painter, QStringLiteral("今晚的星空真美"), band.center().x(), band.top() + 18,
              TextStyle{14, 0.35, 1, Qt::white}, Qt::AlignHCenter);
    type.Draw(painter, QStringLiteral("The stars are lovely tonight"), band.center().x(),
              band.top() + 32, TextStyle{10, 0, 0.2, palette::WithAlpha(Qt::white, 200)},
              Qt::AlignHCenter);
    painter.restore();

    DrawBadge(painter, type, QRectF(frame.right() - 70, frame.top() - 12, 80, 28),
              QStringLiteral("智能匹配"), QColor(255, 197, 61), QColor(92, 52, 0), 13);
}

void DrawMiniWindowArt(QPainter& painter, const Typography& type, const QRectF& area) {
    // A desktop window with a document, and the player floating over its corner.
    const QRectF desk(area.left() + 2, area.top() + 18, area.width() - 44, 150);
    const QPainterPath deskShape = Rounded(desk, 9);
    DrawSoftShadow(painter, deskShape, QPointF(0, 6), 12, shadowColour);
    painter.fillPath(deskShape, Qt::white);
    painter.setPen(Qt::NoPen);
    const QColor dots[] = {QColor(255, 110, 100), QColor(255, 190, 60), QColor(60, 200, 110)};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(dots[i]);
        painter.drawEllipse(desk.topLeft() + QPointF(14 + i * 12, 13), 3.5, 3.5);
    }
    painter.fillRect(QRectF(desk.left(), desk.top() + 25, desk.width(), 1), palette::hairline);
    const qreal widths[] = {0.72, 0.84, 0.6, 0.78, 0.5};
    for (int i = 0; i < 5; ++i) {
        const QRectF line(desk.left() + 16, desk.top() + 40 + i * 19,
                          (desk.width() - 32) * widths[i], 8);
        painter.fillPath(Rounded(line, 4), QColor(226, 233, 243));
    }

    const QRectF mini(area.right() - 140, area.top() + 112, 140, 88);
    const QPainterPath miniShape = Rounded(mini, 8);
    DrawSoftShadow(painter, miniShape, QPointF(0, 7), 12, QColor(6, 30, 90, 130));
    painter.fillPath(miniShape, QColor(24, 36, 64));
    painter.save();
    painter.setClipPath(Rounded(mini.adjusted(4, 4, -4, -4), 5));
    QLinearGradient film(mini.topLeft(), mini.bottomRight());
    film.setColorAt(0, QColor(90, 196, 250));
    film.setColorAt(1, QColor(34, 92, 200));
    painter.fillRect(mini, film);
    painter.restore();
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::WithAlpha(Qt::white, 235));
    painter.drawEllipse(mini.center() - QPointF(0, 4), 17, 17);
    DrawPlayTriangle(painter, mini.center() + QPointF(2, -4), 14, palette::brandBlue);
    const QRectF track(mini.left() + 12, mini.bottom() - 14, mini.width() - 24, 3);
    painter.fillPath(Rounded(track, 1.5), palette::WithAlpha(Qt::white, 90));
    painter.fillPath(Rounded(QRectF(track.topLeft(), QSizeF(track.width() * 0.4, 3)), 1.5),
                     Qt::white);

    DrawBadge(painter, type, QRectF(mini.left() - 30, mini.top() - 14, 60, 26),
              QStringLiteral("置顶"), QColor(255, 197, 61), QColor(92, 52, 0), 13);
}
