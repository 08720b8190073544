// The product's icon: the logo mark at the sizes Windows and Linux desktops ask for, packed as
// an ICO file. Built into make-product-icon (tools/producticon).
#include "ProductIcon.h"

#include "LogoMark.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <stdexcept>

QImage DrawProductIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // The mark fills the square but for a small margin that keeps its rounded corners whole.
    const qreal margin = size / 32.0;
    DrawLogoMark(painter, QRectF(margin, margin, size - 2 * margin, size - 2 * margin), false);
    painter.end();
    return image;
}

namespace {

void PutLittleEndian(QByteArray& out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

QByteArray BuildIcoFile(const std::vector<QImage>& images) {
    // Every image is stored PNG-compressed, not as a BMP: the installer's launcher code takes the
    // images out of the program's icon resource as PNG files for the desktop's icon theme.
    std::vector<QByteArray> pngs;
    for (const QImage& image : images) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (image.width() > 256 || image.height() > 256 ||
            !image.convertToFormat(QImage::Format_RGBA8888).save(&buffer, "PNG"))
            throw std::runtime_error("cannot store an icon image of " +
                                     std::to_string(image.width()) + " px");
        pngs.push_back(png);
    }
    QByteArray out;
    PutLittleEndian(out, 0, 2); // reserved
    PutLittleEndian(out, 1, 2); // type 1: icon
    PutLittleEndian(out, static_cast<quint32>(images.size()), 2);
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        // Width and height 256 are written as 0.
        PutLittleEndian(out, images[i].width() & 0xFF, 1);
        PutLittleEndian(out, images[i].height() & 0xFF, 1);
        PutLittleEndian(out, 0, 1);  // no palette
        PutLittleEndian(out, 0, 1);  // reserved
        PutLittleEndian(out, 1, 2);  // colour planes
        PutLittleEndian(out, 32, 2); // bits per pixel
        PutLittleEndian(out, static_cast<quint32>(pngs[i].size()), 4);
        PutLittleEndian(out, offset, 4);
        offset += static_cast<quint32>(pngs[i].size());
    }
    for (const QByteArray& png : pngs)
        out.append(png);
    return out;
}
