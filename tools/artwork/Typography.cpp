#include "Typography.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QStringList>
#include <stdexcept>

Typography::Typography(const QString& fontFile) {
    const int id = QFontDatabase::addApplicationFont(fontFile);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (id < 0 || families.isEmpty()) {
        throw std::runtime_error("cannot load font " + fontFile.toStdString());
    }
    // A collection may hold a monospaced sibling; the proportional face comes first.
    family_ = families.first();
    for (const QString& family : families) {
        if (!family.contains(QStringLiteral("Mono"))) {
            family_ = family;
            break;
        }
    }
}

QFont Typography::Font(const TextStyle& style) const {
    QFont font(family_);
    font.setPixelSize(qRound(style.pixelSize));
    font.setLetterSpacing(QFont::AbsoluteSpacing, style.letterSpacing);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

qreal Typography::Width(const QString& text, const TextStyle& style) const {
    return QFontMetricsF(Font(style)).horizontalAdvance(text) + style.weight;
}

static QPainterPath Outline(const QFont& font, const QString& text, QPointF origin) {
    QPainterPath path;
    path.addText(origin, font, text);
    return path;
}

static void FillOutline(QPainter& painter, const QPainterPath& path, const TextStyle& style) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (style.weight > 0) {
        // Stroking the outline with the fill widens every stem evenly: a synthetic bold face.
        painter.setPen(QPen(style.brush, style.weight, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.setBrush(style.brush);
    painter.drawPath(path.simplified());
    painter.restore();
}

void Typography::Draw(QPainter& painter, const QString& text, qreal x, qreal baseline,
                      const TextStyle& style, Qt::Alignment horizontal) const {
    const qreal advance = Width(text, style);
    qreal left = x;
    if (horizontal & Qt::AlignHCenter) {
        left = x - advance / 2;
    } else if (horizontal & Qt::AlignRight) {
        left = x - advance;
    }
    FillOutline(painter, Outline(Font(style), text, QPointF(left + style.weight / 2, baseline)),
                style);
}

void Typography::DrawCentred(QPainter& painter, const QString& text, const QRectF& box,
                             const TextStyle& style) const {
    QPainterPath path = Outline(Font(style), text, QPointF(0, 0));
    const QRectF ink = path.boundingRect();
    path.translate(box.center() - ink.center());
    FillOutline(painter, path, style);
}
