// Basic value types of the framework: rectangles, points, colours (0x00BBGGRR), cursors, the
// small sets used for shift states and styles, and the enumerations the controls share.
// An enumeration that stored descriptions may name gets an EnumNameTable overload beside it
// (found by argument-dependent lookup); its values must run from 0 without gaps.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Width() < 1 || Height() < 1; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    bool operator==(const TRect&) const = default;
};

inline TRect Rect(int left, int top, int right, int bottom) {
    return {left, top, right, bottom};
}
inline TRect Bounds(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

// A set of enumeration values, one bit per value.
template <class E> class Set {
public:
    constexpr Set() = default;
    constexpr Set(std::initializer_list<E> items) {
        for (E e : items)
            bits_ |= Bit(e);
    }
    static constexpr Set FromBits(std::uint32_t bits) {
        Set s;
        s.bits_ = bits;
        return s;
    }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr Set& Include(E e) {
        bits_ |= Bit(e);
        return *this;
    }
    constexpr Set& Exclude(E e) {
        bits_ &= ~Bit(e);
        return *this;
    }
    constexpr Set operator+(Set other) const { return FromBits(bits_ | other.bits_); }
    constexpr Set operator-(Set other) const { return FromBits(bits_ & ~other.bits_); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool operator==(const Set&) const = default;

private:
    static constexpr std::uint32_t Bit(E e) { return std::uint32_t{1} << static_cast<int>(e); }
    std::uint32_t bits_ = 0;
};

using NameTable = std::span<const std::string_view>;

// Colours: 0x00BBGGRR, or a system colour (high bit set, low byte the COLOR_ index).
enum TColor : std::int32_t {};
constexpr TColor clBlack = TColor(0x000000);
constexpr TColor clMaroon = TColor(0x000080);
constexpr TColor clGreen = TColor(0x008000);
constexpr TColor clOlive = TColor(0x008080);
constexpr TColor clNavy = TColor(0x800000);
constexpr TColor clPurple = TColor(0x800080);
constexpr TColor clTeal = TColor(0x808000);
constexpr TColor clGray = TColor(0x808080);
constexpr TColor clSilver = TColor(0xC0C0C0);
constexpr TColor clRed = TColor(0x0000FF);
constexpr TColor clLime = TColor(0x00FF00);
constexpr TColor clYellow = TColor(0x00FFFF);
constexpr TColor clBlue = TColor(0xFF0000);
constexpr TColor clFuchsia = TColor(0xFF00FF);
constexpr TColor clAqua = TColor(0xFFFF00);
constexpr TColor clWhite = TColor(0xFFFFFF);
constexpr TColor clScrollBar = TColor(int32_t(0x80000000));
constexpr TColor clBackground = TColor(int32_t(0x80000001));
constexpr TColor clWindow = TColor(int32_t(0x80000005));
constexpr TColor clWindowText = TColor(int32_t(0x80000008));
constexpr TColor clHighlight = TColor(int32_t(0x8000000D));
constexpr TColor clHighlightText = TColor(int32_t(0x8000000E));
constexpr TColor clBtnFace = TColor(int32_t(0x8000000F));
constexpr TColor clBtnShadow = TColor(int32_t(0x80000010));
constexpr TColor clGrayText = TColor(int32_t(0x80000011));
constexpr TColor clBtnText = TColor(int32_t(0x80000012));
constexpr TColor clBtnHighlight = TColor(int32_t(0x80000014));
constexpr TColor clNone = TColor(0x1FFFFFFF);
constexpr TColor clDefault = TColor(0x20000000);

// Cursors: negative values are the stock cursors.
enum TCursor : std::int16_t {};
constexpr TCursor crDefault = TCursor(0);
constexpr TCursor crNone = TCursor(-1);
constexpr TCursor crArrow = TCursor(-2);
constexpr TCursor crCross = TCursor(-3);
constexpr TCursor crIBeam = TCursor(-4);
constexpr TCursor crSizeNESW = TCursor(-6);
constexpr TCursor crSizeNS = TCursor(-7);
constexpr TCursor crSizeNWSE = TCursor(-8);
constexpr TCursor crSizeWE = TCursor(-9);
constexpr TCursor crUpArrow = TCursor(-10);
constexpr TCursor crHourGlass = TCursor(-11);
constexpr TCursor crNo = TCursor(-18);
constexpr TCursor crAppStart = TCursor(-19);
constexpr TCursor crHelp = TCursor(-20);
constexpr TCursor crHandPoint = TCursor(-21);
constexpr TCursor crSizeAll = TCursor(-22);

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = Set<TShiftStateItem>;
NameTable EnumNameTable(TShiftStateItem);

enum TMouseButton { mbLeft, mbRight, mbMiddle };
NameTable EnumNameTable(TMouseButton);

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
NameTable EnumNameTable(TAlign);

enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = Set<TAnchorKind>;
NameTable EnumNameTable(TAnchorKind);

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
NameTable EnumNameTable(TAlignment);

enum TTextLayout { tlTop, tlCenter, tlBottom };
NameTable EnumNameTable(TTextLayout);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = Set<TFontStyle>;
NameTable EnumNameTable(TFontStyle);

enum TFontPitch { fpDefault, fpVariable, fpFixed };
NameTable EnumNameTable(TFontPitch);

enum TBrushStyle { bsSolid, bsClear };
NameTable EnumNameTable(TBrushStyle);

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
NameTable EnumNameTable(TFormBorderStyle);

enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
NameTable EnumNameTable(TPosition);

enum TProgressBarOrientation { pbHorizontal, pbVertical };
NameTable EnumNameTable(TProgressBarOrientation);

// Common key codes (Win32 virtual keys).
constexpr std::uint16_t VK_BACK = 0x08;
constexpr std::uint16_t VK_TAB = 0x09;
constexpr std::uint16_t VK_RETURN = 0x0D;
constexpr std::uint16_t VK_SHIFT = 0x10;
constexpr std::uint16_t VK_CONTROL = 0x11;
constexpr std::uint16_t VK_MENU = 0x12;
constexpr std::uint16_t VK_ESCAPE = 0x1B;
constexpr std::uint16_t VK_SPACE = 0x20;
constexpr std::uint16_t VK_LEFT = 0x25;
constexpr std::uint16_t VK_UP = 0x26;
constexpr std::uint16_t VK_RIGHT = 0x27;
constexpr std::uint16_t VK_DOWN = 0x28;
constexpr std::uint16_t VK_DELETE = 0x2E;

#include <vector>
// Raw bytes, as binary blocks of stored descriptions carry them.
using TBytes = std::vector<std::uint8_t>;
