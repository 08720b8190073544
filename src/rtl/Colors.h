// Colour values (0x00BBGGRR and system colours) as Qt colours. System colours take the values
// of the classic Windows scheme, so windows look the same on every desktop.
#pragma once

#include "Types.h"

#include <QColor>

QColor ColorToQColor(TColor color);
// The colour in 0x00BBGGRR form (system colours resolved), as pixel rules compute with it.
std::uint32_t ColorToRGB(TColor color);
