#pragma once

#include <QBrush>
#include <QFont>
#include <QPainter>
#include <QString>

// How a piece of text looks: pixel size, extra stroke weight for a bolder face (the font has
// one weight only), letter spacing and fill.
struct TextStyle {
    qreal pixelSize = 14;
    qreal weight = 0;
    qreal letterSpacing = 0;
    QBrush brush = Qt::black;
};

// Draws text with the one CJK font the artwork uses, loaded from its file so the result does
// not depend on which fonts the machine has configured.
class Typography {
public:
    // Loads the font file; throws std::runtime_error when it cannot be loaded.
    explicit Typography(const QString& fontFile);

    QFont Font(const TextStyle& style) const;
    qreal Width(const QString& text, const TextStyle& style) const;

    // Draws text with its baseline at `baseline`; `x` is the left edge, the centre or the right
    // edge depending on `horizontal` (Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight).
    void Draw(QPainter& painter, const QString& text, qreal x, qreal baseline,
              const TextStyle& style, Qt::Alignment horizontal = Qt::AlignLeft) const;

    // Draws text centred in `box` by its inked extent, which centres CJK labels optically.
    void DrawCentred(QPainter& painter, const QString& text, const QRectF& box,
                     const TextStyle& style) const;

private:
    QString family_;
};
