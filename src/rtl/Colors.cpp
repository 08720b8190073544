#include "Colors.h"

#include <array>

namespace {
// Indexed by COLOR_ value (the low byte of a system colour), as 0x00BBGGRR.
constexpr std::array<std::uint32_t, 31> kSystemColors = {
    0xC8C8C8, // 0 scroll bar
    0x000000, // 1 background
    0xD1B499, // 2 active caption
    0xDBCDBF, // 3 inactive caption
    0xF0F0F0, // 4 menu
    0xFFFFFF, // 5 window
    0x646464, // 6 window frame
    0x000000, // 7 menu text
    0x000000, // 8 window text
    0x000000, // 9 caption text
    0xB4B4B4, // 10 active border
    0xFCF7F4, // 11 inactive border
    0xABABAB, // 12 app workspace
    0xD77800, // 13 highlight
    0xFFFFFF, // 14 highlight text
    0xF0F0F0, // 15 button face
    0xA0A0A0, // 16 button shadow
    0x6D6D6D, // 17 gray text
    0x000000, // 18 button text
    0x000000, // 19 inactive caption text
    0xFFFFFF, // 20 button highlight
    0x696969, // 21 3D dark shadow
    0xE3E3E3, // 22 3D light
    0x000000, // 23 info text
    0xE1FFFF, // 24 info background
    0xB5B5B5, // 25
    0xCC6600, // 26 hot light
    0xEAD1B9, // 27 gradient active caption
    0xF2E4D7, // 28 gradient inactive caption
    0xFF9933, // 29 menu highlight
    0xF0F0F0, // 30 menu bar
};
} // namespace

std::uint32_t ColorToRGB(TColor color) {
    auto value = static_cast<std::uint32_t>(color);
    if (value & 0x80000000u) {
        std::uint32_t index = value & 0xFF;
        return index < kSystemColors.size() ? kSystemColors[index] : 0;
    }
    if (color == clNone || color == clDefault)
        return 0;
    return value & 0x00FFFFFF;
}

QColor ColorToQColor(TColor color) {
    std::uint32_t bgr = ColorToRGB(color);
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}
