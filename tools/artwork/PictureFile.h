#pragma once

#include <QImage>
#include <QString>

// The file of picture `name` drawn at `scale`: <folder>/<name>.png at 1x and, for the twin the
// program paints on screens of device pixel ratio 2, <folder>/<name>@2x.png.
QString PicturePath(const QString& folder, const QString& name, qreal scale);

// Writes `image` as an 8-bit RGBA PNG (colour type 6) to the file of `name` at the image's
// device pixel ratio, checking that its logical size is the size the window expects; throws
// std::runtime_error otherwise or when writing fails.
void SavePicture(const QImage& image, QSize expected, const QString& folder, const QString& name);
