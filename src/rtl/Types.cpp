#include "Types.h"

#include <array>

using namespace std::string_view_literals;

namespace {
constexpr std::array kShift = {"ssShift"sv, "ssAlt"sv,    "ssCtrl"sv,  "ssLeft"sv,
                               "ssRight"sv, "ssMiddle"sv, "ssDouble"sv};
constexpr std::array kMouseButton = {"mbLeft"sv, "mbRight"sv, "mbMiddle"sv};
constexpr std::array kAlign = {"alNone"sv,  "alTop"sv,    "alBottom"sv, "alLeft"sv,
                               "alRight"sv, "alClient"sv, "alCustom"sv};
constexpr std::array kAnchor = {"akLeft"sv, "akTop"sv, "akRight"sv, "akBottom"sv};
constexpr std::array kAlignment = {"taLeftJustify"sv, "taRightJustify"sv, "taCenter"sv};
constexpr std::array kLayout = {"tlTop"sv, "tlCenter"sv, "tlBottom"sv};
constexpr std::array kFontStyle = {"fsBold"sv, "fsItalic"sv, "fsUnderline"sv, "fsStrikeOut"sv};
constexpr std::array kFontPitch = {"fpDefault"sv, "fpVariable"sv, "fpFixed"sv};
constexpr std::array kBrushStyle = {"bsSolid"sv, "bsClear"sv};
constexpr std::array kBorderStyle = {"bsNone"sv,   "bsSingle"sv,     "bsSizeable"sv,
                                     "bsDialog"sv, "bsToolWindow"sv, "bsSizeToolWin"sv};
constexpr std::array kPosition = {"poDesigned"sv,        "poDefault"sv,        "poDefaultPosOnly"sv,
                                  "poDefaultSizeOnly"sv, "poScreenCenter"sv,   "poDesktopCenter"sv,
                                  "poMainFormCenter"sv,  "poOwnerFormCenter"sv};
constexpr std::array kOrientation = {"pbHorizontal"sv, "pbVertical"sv};
} // namespace

NameTable EnumNameTable(TShiftStateItem) {
    return kShift;
}
NameTable EnumNameTable(TMouseButton) {
    return kMouseButton;
}
NameTable EnumNameTable(TAlign) {
    return kAlign;
}
NameTable EnumNameTable(TAnchorKind) {
    return kAnchor;
}
NameTable EnumNameTable(TAlignment) {
    return kAlignment;
}
NameTable EnumNameTable(TTextLayout) {
    return kLayout;
}
NameTable EnumNameTable(TFontStyle) {
    return kFontStyle;
}
NameTable EnumNameTable(TFontPitch) {
    return kFontPitch;
}
NameTable EnumNameTable(TBrushStyle) {
    return kBrushStyle;
}
NameTable EnumNameTable(TFormBorderStyle) {
    return kBorderStyle;
}
NameTable EnumNameTable(TPosition) {
    return kPosition;
}
NameTable EnumNameTable(TProgressBarOrientation) {
    return kOrientation;
}
