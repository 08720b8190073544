#include "Shadow.h"

#include <QImage>
#include <algorithm>
#include <vector>

namespace {

// One horizontal box-blur pass over the alpha plane, reading from `in`, writing to `out`.
void BlurRows(const std::vector<int>& in, std::vector<int>& out, int width, int height, int r) {
    for (int y = 0; y < height; ++y) {
        const int* row = &in[static_cast<size_t>(y) * width];
        int* target = &out[static_cast<size_t>(y) * width];
        int sum = 0;
        for (int x = -r; x <= r; ++x) {
            sum += row[std::clamp(x, 0, width - 1)];
        }
        for (int x = 0; x < width; ++x) {
            target[x] = sum / (2 * r + 1);
            sum += row[std::min(x + r + 1, width - 1)] - row[std::max(x - r, 0)];
        }
    }
}

std::vector<int> Transpose(const std::vector<int>& in, int width, int height) {
    std::vector<int> out(in.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out[static_cast<size_t>(x) * height + y] = in[static_cast<size_t>(y) * width + x];
        }
    }
    return out;
}

void BoxBlur(std::vector<int>& alpha, int width, int height, int r) {
    std::vector<int> scratch(alpha.size());
    BlurRows(alpha, scratch, width, height, r);
    std::vector<int> columns = Transpose(scratch, width, height);
    BlurRows(columns, scratch, height, width, r);
    alpha = Transpose(scratch, height, width);
}

} // namespace

void DrawSoftShadow(QPainter& painter, const QPainterPath& shape, QPointF offset, int radius,
                    const QColor& colour) {
    const int margin = radius * 3;
    const QRect area =
        shape.boundingRect().toAlignedRect().adjusted(-margin, -margin, margin, margin);
    const qreal scale = painter.device()->devicePixelRatioF();
    QImage mask(area.size() * scale, QImage::Format_ARGB32_Premultiplied);
    mask.setDevicePixelRatio(scale);
    mask.fill(Qt::transparent);
    {
        QPainter maskPainter(&mask);
        maskPainter.setRenderHint(QPainter::Antialiasing);
        maskPainter.translate(-area.topLeft());
        maskPainter.fillPath(shape, Qt::black);
    }
    const int width = mask.width(), height = mask.height();
    std::vector<int> alpha(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            alpha[static_cast<size_t>(y) * width + x] = qAlpha(mask.pixel(x, y));
        }
    }
    const int passRadius = std::max(1, qRound(radius * scale) / 3);
    for (int pass = 0; pass < 3; ++pass) {
        BoxBlur(alpha, width, height, passRadius);
    }
    QImage shadow(mask.size(), QImage::Format_ARGB32);
    shadow.setDevicePixelRatio(scale);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int a = alpha[static_cast<size_t>(y) * width + x] * colour.alpha() / 255;
            shadow.setPixel(x, y, qRgba(colour.red(), colour.green(), colour.blue(), a));
        }
    }
    painter.drawImage(area.topLeft() + offset, shadow);
}
