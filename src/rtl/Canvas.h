// A drawing surface: a QImage with a QPainter begun on demand, translated so that (0, 0) is the
// top-left corner of the control being painted and clipped to it. Text is GBK.
//
// Every coordinate is in logical pixels. On a scaled screen the target has a device pixel
// ratio (Scale()) above 1 and holds that many device pixels per logical one; the painter maps
// logical to device pixels itself.
//
// Raster code that needs exact pixels (alpha rules, colour keys) calls EndPaint(), then works
// on *Target() at Origin(), both logical (skin/Raster.h covers the device pixels of the logical
// places); the next drawing call begins the painter again.
#pragma once

#include "Font.h"
#include "Types.h"

#include <QImage>
#include <QPainter>
#include <memory>
#include <optional>

// DrawText flags (the Win32 values).
constexpr unsigned DT_TOP = 0x0000;
constexpr unsigned DT_LEFT = 0x0000;
constexpr unsigned DT_CENTER = 0x0001;
constexpr unsigned DT_RIGHT = 0x0002;
constexpr unsigned DT_VCENTER = 0x0004;
constexpr unsigned DT_BOTTOM = 0x0008;
constexpr unsigned DT_WORDBREAK = 0x0010;
constexpr unsigned DT_SINGLELINE = 0x0020;
constexpr unsigned DT_EXPANDTABS = 0x0040;
constexpr unsigned DT_NOCLIP = 0x0100;
constexpr unsigned DT_CALCRECT = 0x0400;
constexpr unsigned DT_NOPREFIX = 0x0800;

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
};

class TCanvas {
public:
    // origin: where the canvas's (0, 0) lies in target; clip: the drawable part, in canvas
    // coordinates (none: all of target).
    explicit TCanvas(QImage* target, TPoint origin = {}, std::optional<TRect> clip = {});
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TFont* Font() { return &font_; }
    TBrush Brush;
    TPen Pen;

    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void TextOut(int x, int y, const AnsiString& text);
    void TextRect(const TRect& rect, int x, int y, const AnsiString& text);
    int TextWidth(const AnsiString& text);
    int TextHeight(const AnsiString& text);
    // Win32 DrawText: with DT_CALCRECT measures and sets rect's right and bottom instead of
    // drawing. Returns the height of the text.
    int DrawText(const AnsiString& text, TRect& rect, unsigned flags);
    // Draws a picture at natural size (a twin: at its logical size), alpha-blended over what
    // lies beneath.
    void Draw(int x, int y, const QImage& image);
    void StretchDraw(const TRect& rect, const QImage& image);
    // The colour at a logical pixel (its top-left device pixel on a scaled target).
    TColor Pixel(int x, int y) const;
    // The target's device pixel ratio.
    qreal Scale() const { return target_->devicePixelRatio(); }

    QPainter& Painter();
    void EndPaint();
    QImage* Target() const { return target_; }
    TPoint Origin() const { return origin_; }
    std::optional<TRect> ClipRect() const { return clip_; }

private:
    QRect ToTarget(const TRect& rect) const;

    QImage* target_;
    TPoint origin_;
    std::optional<TRect> clip_;
    TFont font_;
    std::unique_ptr<QPainter> painter_;
    TPoint penPos_;
};

// A transparent 32-bit premultiplied surface of a logical size at device pixel ratio scale
// (its device size rounded to whole pixels).
QImage ScaledSurface(QSize logical, qreal scale);
// An image's extent in logical pixels.
QRect LogicalRect(const QImage& image);

QString GbkToQString(const AnsiString& text);
AnsiString QStringToGbk(const QString& text);
