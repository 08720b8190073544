// Pixel routines of the skin engine on QImage, where the result must be exact: alpha
// blending, nearest-neighbour sampling, colour-key transparency, fading, the dotted focus
// rectangle and the grayed mix. Destinations are Format_RGB32 or Format_ARGB32 images.
//
// Places are logical pixels. A destination with a device pixel ratio above 1 (a scaled
// screen) has that many device pixels per logical one: a routine covers the device pixels of
// the logical places it is given, and samples its picture (a 1x picture or a twin, told apart by
// its device pixel ratio) on the picture's own pixel grid, so the rules hold in logical pixels
// at every scale and a 1x picture looks exactly as at 1x, only larger.
#pragma once

#include <QImage>
#include <QRect>

namespace raster {

// One channel of source over destination with alpha a (0..255):
// a = 0 keeps the destination, a = 255 takes the source, otherwise
// (source * a + (255 - a) * destination + 255) >> 8.
int BlendChannel(int source, int destination, int alpha);
QRgb BlendPixel(QRgb source, int alpha, QRgb destination);

// Source column for destination column x when a picture of pictureSize pixels is sampled
// into targetSize pixels: Trunc(x / (targetSize / pictureSize)).
int NearestSource(int x, int targetSize, int pictureSize);

// Blends a Format_ARGB32 (not premultiplied) picture into the target rectangle of dest,
// sampled by nearest neighbour when the sizes differ. Only pixels inside clip (and dest) change.
void AlphaBlend(QImage& dest, const QRect& target, const QImage& picture,
                const QRect& clip = QRect());

// Copies picture to dest at (x, y), at the picture's logical size, leaving out every pixel of
// the key colour.
void CopyTransparent(QImage& dest, int x, int y, const QImage& picture, QRgb key);

// The device pixels of a logical rectangle of dest.
QRect DeviceRect(const QImage& dest, const QRect& logical);

// Scales every alpha sample by 128/256, rounding to nearest with ties to even.
int FadeAlphaValue(int alpha);
void FadeAlpha(QImage& argb);

// The dotted focus rectangle around rect (right and bottom exclusive): logical pixels in colour at
// every other position around the edge, clockwise from the top-left corner, which is set
// unless the reduced rectangle's width and height are both even.
void DrawFocusDots(QImage& dest, const QRect& rect, QRgb colour);

// Half and half with white: each channel c becomes round(c * 0.5 + 127.5), ties to even.
QRgb MixWithWhite(QRgb colour);

} // namespace raster
