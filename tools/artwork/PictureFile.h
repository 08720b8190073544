#pragma once

#include <QImage>
#include <QString>

// Writes `image` as an 8-bit RGBA PNG (colour type 6) at its natural size, checking that it has
// the size the window expects; throws std::runtime_error otherwise or when writing fails.
void SavePicture(const QImage& image, QSize expected, const QString& path);
