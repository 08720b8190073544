#include "Canvas.h"

#include "Colors.h"

#include "winapi/Gbk.h"

#include <QFontMetrics>

QString GbkToQString(const AnsiString& text) {
    auto utf8 = gbk::ToUtf8(text);
    return utf8 ? QString::fromStdString(*utf8) : QString::fromLatin1(text.c_str());
}

AnsiString QStringToGbk(const QString& text) {
    auto bytes = gbk::FromUtf8(text.toStdString());
    return bytes ? *bytes : AnsiString();
}

QImage ScaledSurface(QSize logical, qreal scale) {
    QImage surface(logical * scale, QImage::Format_ARGB32_Premultiplied);
    surface.setDevicePixelRatio(scale);
    surface.fill(Qt::transparent);
    return surface;
}

QRect LogicalRect(const QImage& image) {
    return QRect(QPoint(0, 0), image.deviceIndependentSize().toSize());
}

TCanvas::TCanvas(QImage* target, TPoint origin, std::optional<TRect> clip)
    : target_(target), origin_(origin), clip_(clip) {}

TCanvas::~TCanvas() {
    EndPaint();
}

QPainter& TCanvas::Painter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(target_);
        painter_->translate(origin_.X, origin_.Y);
        if (clip_)
            painter_->setClipRect(QRect(clip_->Left, clip_->Top, clip_->Width(), clip_->Height()));
    }
    return *painter_;
}

void TCanvas::EndPaint() {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

QRect TCanvas::ToTarget(const TRect& rect) const {
    return QRect(rect.Left, rect.Top, rect.Width(), rect.Height());
}

void TCanvas::FillRect(const TRect& rect) {
    if (Brush.Style == bsClear || rect.IsEmpty())
        return;
    Painter().fillRect(ToTarget(rect), ColorToQColor(Brush.Color));
}

void TCanvas::FrameRect(const TRect& rect) {
    if (rect.IsEmpty())
        return;
    QPainter& p = Painter();
    QColor c = ColorToQColor(Brush.Color);
    p.fillRect(QRect(rect.Left, rect.Top, rect.Width(), 1), c);
    p.fillRect(QRect(rect.Left, rect.Bottom - 1, rect.Width(), 1), c);
    p.fillRect(QRect(rect.Left, rect.Top, 1, rect.Height()), c);
    p.fillRect(QRect(rect.Right - 1, rect.Top, 1, rect.Height()), c);
}

void TCanvas::MoveTo(int x, int y) {
    penPos_ = {x, y};
}

void TCanvas::LineTo(int x, int y) {
    QPainter& p = Painter();
    p.setPen(QPen(ColorToQColor(Pen.Color), Pen.Width));
    // Win32 lines leave out their last point.
    QLineF line(penPos_.X, penPos_.Y, x, y);
    if (line.length() > 0)
        line.setLength(line.length() - 1);
    p.drawLine(line);
    penPos_ = {x, y};
}

void TCanvas::TextOut(int x, int y, const AnsiString& text) {
    TRect r{x, y, x, y};
    DrawText(text, r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    DrawText(text, r, DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP);
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const AnsiString& text) {
    QPainter& p = Painter();
    p.save();
    p.setClipRect(ToTarget(rect), Qt::IntersectClip);
    TRect r{x, y, x, y};
    DrawText(text, r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    DrawText(text, r, DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP);
    p.restore();
}

int TCanvas::TextWidth(const AnsiString& text) {
    return QFontMetrics(font_.ToQFont()).horizontalAdvance(GbkToQString(text));
}

int TCanvas::TextHeight(const AnsiString& text) {
    (void)text;
    return QFontMetrics(font_.ToQFont()).height();
}

int TCanvas::DrawText(const AnsiString& text, TRect& rect, unsigned flags) {
    QString s = GbkToQString(text);
    if (!(flags & DT_NOPREFIX)) {
        // "&x" marks an accelerator (its underline is not drawn); "&&" is a plain "&".
        QString plain;
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (s[i] == '&' && i + 1 < s.size())
                ++i;
            plain += s[i];
        }
        s = plain;
    }
    if (flags & DT_EXPANDTABS)
        s.replace('\t', QString(8, ' '));
    QFont font = font_.ToQFont();
    QFontMetrics metrics(font);
    int qtFlags = 0;
    if (flags & DT_WORDBREAK && !(flags & DT_SINGLELINE))
        qtFlags |= Qt::TextWordWrap;
    if (flags & DT_SINGLELINE)
        qtFlags |= Qt::TextSingleLine;
    if (flags & DT_CENTER)
        qtFlags |= Qt::AlignHCenter;
    else if (flags & DT_RIGHT)
        qtFlags |= Qt::AlignRight;
    else
        qtFlags |= Qt::AlignLeft;
    if ((flags & DT_SINGLELINE) && (flags & DT_VCENTER))
        qtFlags |= Qt::AlignVCenter;
    else if ((flags & DT_SINGLELINE) && (flags & DT_BOTTOM))
        qtFlags |= Qt::AlignBottom;
    else
        qtFlags |= Qt::AlignTop;

    if (flags & DT_CALCRECT) {
        int width = (qtFlags & Qt::TextWordWrap) ? std::max(rect.Width(), 1) : 1 << 20;
        QRect bound = metrics.boundingRect(QRect(0, 0, width, 1 << 20),
                                           (qtFlags & ~Qt::AlignVertical_Mask) | Qt::AlignTop, s);
        // One line is the font's line height whatever glyphs (or fallback fonts) it holds.
        bool oneLine = (flags & DT_SINGLELINE) || s.isEmpty() ||
                       (!s.contains('\n') && !(qtFlags & Qt::TextWordWrap));
        int height = oneLine ? metrics.height() : std::max(bound.height(), metrics.height());
        rect.Right = rect.Left + (s.isEmpty() ? 0 : bound.width());
        rect.Bottom = rect.Top + height;
        return height;
    }
    QPainter& p = Painter();
    p.save();
    if (!(flags & DT_NOCLIP))
        p.setClipRect(ToTarget(rect), Qt::IntersectClip);
    p.setFont(font);
    QRect box = ToTarget(rect);
    QRect used = metrics.boundingRect(box, qtFlags, s);
    if (Brush.Style == bsSolid)
        p.fillRect(used, ColorToQColor(Brush.Color));
    p.setPen(ColorToQColor(font_.Color()));
    p.drawText(box, qtFlags, s);
    p.restore();
    return used.height();
}

void TCanvas::Draw(int x, int y, const QImage& image) {
    QPainter& p = Painter();
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(QPoint(x, y), image);
}

void TCanvas::StretchDraw(const TRect& rect, const QImage& image) {
    QPainter& p = Painter();
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(ToTarget(rect), image);
}

TColor TCanvas::Pixel(int x, int y) const {
    int tx = static_cast<int>((x + origin_.X) * Scale());
    int ty = static_cast<int>((y + origin_.Y) * Scale());
    if (!target_->rect().contains(tx, ty))
        return clNone;
    QRgb rgb = target_->pixel(tx, ty);
    return static_cast<TColor>(qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16));
}
