// Icon files (.ico) as window icons. The installer's icon holds PNG images only, which are
// decoded the pictures' fast way (PngFile.h); an icon with bitmap images goes through Qt's
// ICO reader. Either way every image of the file becomes one size of the icon.
#pragma once

#include <QIcon>
#include <QImage>

#include <cstdint>
#include <span>
#include <vector>

// The file's images; on any thread, so that the decoding can overlap other work.
std::vector<QImage> ReadIconImages(std::span<const std::uint8_t> ico);
// The icon of those images, one size each; on the window thread.
QIcon IconOfImages(const std::vector<QImage>& images);
