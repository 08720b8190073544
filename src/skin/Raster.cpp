#include "skin/Raster.h"

#include <algorithm>
#include <cmath>

namespace raster {

int BlendChannel(int source, int destination, int alpha) {
    if (alpha == 0)
        return destination;
    if (alpha == 255)
        return source;
    return (source * alpha + (255 - alpha) * destination + 255) >> 8;
}

QRgb BlendPixel(QRgb source, int alpha, QRgb destination) {
    return qRgb(BlendChannel(qRed(source), qRed(destination), alpha),
                BlendChannel(qGreen(source), qGreen(destination), alpha),
                BlendChannel(qBlue(source), qBlue(destination), alpha));
}

int NearestSource(int x, int targetSize, int pictureSize) {
    double ratio = static_cast<double>(targetSize) / pictureSize;
    return static_cast<int>(std::trunc(x / ratio));
}

QRect DeviceRect(const QImage& dest, const QRect& logical) {
    const qreal scale = dest.devicePixelRatio();
    if (scale == 1.0)
        return logical;
    auto device = [scale](int coordinate) { return qRound(coordinate * scale); };
    return QRect(QPoint(device(logical.left()), device(logical.top())),
                 QPoint(device(logical.left() + logical.width()) - 1,
                        device(logical.top() + logical.height()) - 1));
}

namespace {

// How a picture covers a logical target rectangle on a destination that may be scaled: the
// target is sampled on the picture's own pixel grid (a 1x picture's or a twin's), so the
// sampling rule holds at the picture's resolution whatever the destination's scale.
struct Sampling {
    QRect target; // device pixels
    qreal toPicture;
    QSize targetInPicture; // the target in the picture's pixels

    Sampling(const QImage& dest, const QRect& logical, const QImage& picture)
        : target(DeviceRect(dest, logical)),
          toPicture(picture.devicePixelRatio() / dest.devicePixelRatio()),
          targetInPicture(logical.size() * picture.devicePixelRatio()) {}

    static int Source(int offset, qreal ratio, int targetSize, int pictureSize) {
        int inPicture = static_cast<int>(offset * ratio);
        return std::min(NearestSource(inPicture, targetSize, pictureSize), pictureSize - 1);
    }
    int Column(int x, int width) const {
        return Source(x - target.left(), toPicture, targetInPicture.width(), width);
    }
    int Row(int y, int height) const {
        return Source(y - target.top(), toPicture, targetInPicture.height(), height);
    }
};

} // namespace

void AlphaBlend(QImage& dest, const QRect& target, const QImage& picture, const QRect& clip) {
    if (picture.isNull() || target.width() <= 0 || target.height() <= 0)
        return;
    QImage source = picture.convertToFormat(QImage::Format_ARGB32);
    const Sampling sampling(dest, target, picture);
    QRect visible = sampling.target.intersected(dest.rect());
    if (!clip.isNull())
        visible &= DeviceRect(dest, clip);
    if (visible.isEmpty())
        return;
    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        int sy = sampling.Row(y, source.height());
        const auto* sourceLine = reinterpret_cast<const QRgb*>(source.constScanLine(sy));
        auto* line = reinterpret_cast<QRgb*>(dest.scanLine(y));
        for (int x = visible.left(); x <= visible.right(); ++x) {
            QRgb s = sourceLine[sampling.Column(x, source.width())];
            QRgb blended = BlendPixel(s, qAlpha(s), line[x]);
            line[x] = (line[x] & 0xFF000000u) | (blended & 0x00FFFFFFu);
        }
    }
}

void CopyTransparent(QImage& dest, int x, int y, const QImage& picture, QRgb key) {
    if (picture.isNull())
        return;
    QImage source = picture.convertToFormat(QImage::Format_RGB32);
    const Sampling sampling(dest, QRect(QPoint(x, y), picture.deviceIndependentSize().toSize()),
                            picture);
    const QRect visible = sampling.target.intersected(dest.rect());
    for (int dy = visible.top(); dy <= visible.bottom(); ++dy) {
        const auto* sourceLine =
            reinterpret_cast<const QRgb*>(source.constScanLine(sampling.Row(dy, source.height())));
        auto* line = reinterpret_cast<QRgb*>(dest.scanLine(dy));
        for (int dx = visible.left(); dx <= visible.right(); ++dx) {
            QRgb pixel = sourceLine[sampling.Column(dx, source.width())];
            if ((pixel & 0xFFFFFF) != (key & 0xFFFFFF))
                line[dx] = pixel | 0xFF000000u;
        }
    }
}

int FadeAlphaValue(int alpha) {
    int scaled = alpha * 128;
    int whole = scaled >> 8;
    int rest = scaled & 0xFF;
    if (rest > 128 || (rest == 128 && (whole & 1) != 0))
        ++whole;
    return whole;
}

void FadeAlpha(QImage& argb) {
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            line[x] = (line[x] & 0x00FFFFFFu) |
                      (static_cast<QRgb>(FadeAlphaValue(qAlpha(line[x]))) << 24);
    }
}

void DrawFocusDots(QImage& dest, const QRect& rect, QRgb colour) {
    // The reduced rectangle, in the skin's left/top/right/bottom terms.
    int left = rect.left(), top = rect.top();
    int right = rect.left() + rect.width() - 1, bottom = rect.top() + rect.height() - 1;
    int width = right - left, height = bottom - top;
    if (width <= 0 || height <= 0)
        return;
    int phase = (width % 2 == 0 && height % 2 == 0) ? 1 : 0;
    int step = 0;
    auto dot = [&](int x, int y) {
        if (step++ % 2 != phase)
            return;
        const QRect device = DeviceRect(dest, QRect(x, y, 1, 1)).intersected(dest.rect());
        for (int dy = device.top(); dy <= device.bottom(); ++dy)
            for (int dx = device.left(); dx <= device.right(); ++dx)
                dest.setPixel(dx, dy, colour | 0xFF000000u);
    };
    for (int x = left; x < right; ++x)
        dot(x, top);
    for (int y = top; y < bottom; ++y)
        dot(right, y);
    for (int x = right; x > left; --x)
        dot(x, bottom);
    for (int y = bottom; y > top; --y)
        dot(left, y);
}

QRgb MixWithWhite(QRgb colour) {
    auto mix = [](int c) { return static_cast<int>(std::nearbyint(c * 0.5 + 127.5)); };
    return qRgb(mix(qRed(colour)), mix(qGreen(colour)), mix(qBlue(colour)));
}

} // namespace raster
