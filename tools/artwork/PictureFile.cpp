#include "PictureFile.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <stdexcept>

void SavePicture(const QImage& image, QSize expected, const QString& path) {
    if (image.size() != expected) {
        throw std::runtime_error("picture " + path.toStdString() + " has the wrong size");
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImageWriter writer(path, "png");
    writer.setQuality(0); // smallest file: the pictures are committed
    if (!writer.write(image.convertToFormat(QImage::Format_RGBA8888))) {
        throw std::runtime_error("cannot write " + path.toStdString() + ": " +
                                 writer.errorString().toStdString());
    }
}
