#include "PictureFile.h"

#include <QDir>
#include <QImageWriter>
#include <stdexcept>

QString PicturePath(const QString& folder, const QString& name, qreal scale) {
    return folder + "/" + name + (scale == 1 ? QString() : QString("@%1x").arg(scale)) + ".png";
}

void SavePicture(const QImage& image, QSize expected, const QString& folder, const QString& name) {
    const qreal scale = image.devicePixelRatio();
    const QString path = PicturePath(folder, name, scale);
    if (image.deviceIndependentSize() != QSizeF(expected) || image.size() != expected * scale) {
        throw std::runtime_error("picture " + path.toStdString() + " has the wrong size");
    }
    QDir().mkpath(folder);
    QImageWriter writer(path, "png");
    writer.setQuality(0); // smallest file: the pictures are committed
    if (!writer.write(image.convertToFormat(QImage::Format_RGBA8888))) {
        throw std::runtime_error("cannot write " + path.toStdString() + ": " +
                                 writer.errorString().toStdString());
    }
}
