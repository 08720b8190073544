// The product's icon, drawn from the artwork's logo mark (tools/artwork/ProductIcon.cpp).
#pragma once

#include <QByteArray>
#include <QImage>
#include <vector>

// The sizes the icon carries, smallest first.
inline constexpr int kProductIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The logo mark on a transparent square of `size` pixels.
QImage DrawProductIcon(int size);
// An ICO file (header, one directory entry per image, then the images); throws
// std::runtime_error for an image larger than 256 px or one that cannot be encoded.
QByteArray BuildIcoFile(const std::vector<QImage>& images);
