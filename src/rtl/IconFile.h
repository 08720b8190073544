// Icon files (.ico) as window icons. The installer's icon holds PNG images only, which are
// decoded the pictures' fast way (PngFile.h); an icon with bitmap images goes through Qt's
// ICO reader. Either way every image of the file becomes one size of the icon.
#pragma once

#include <QIcon>

#include <cstdint>
#include <span>

QIcon ReadIconFile(std::span<const std::uint8_t> ico);
