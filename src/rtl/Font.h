// Fonts as the windows describe them (face name, height in pixels, colour, style), drawn with
// what fontconfig has. Face names map as follows (CJK glyphs always from WenQuanYi Micro Hei):
//   "Arial", "MS Sans Serif", "Tahoma", "Microsoft Sans Serif" -> Liberation Sans
//   "宋体"/"SimSun", "微软雅黑"/"Microsoft YaHei", "黑体"/"SimHei" -> WenQuanYi Micro Hei
//   "Courier New" -> Liberation Mono; any other face is asked for by its own name.
// A negative Height is the character height in pixels (Qt's pixel size); a positive Height
// is the cell height, so the pixel size is chosen to make the line that high.
#pragma once

#include "Classes.h"

#include <QFont>
#include <QStringList>
#include <functional>

class TFont : public TPersistent {
public:
    DECLARE_CLASS_INFO
    TFont() = default;

    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& name);
    int Height() const { return height_; }
    void SetHeight(int height);
    // Size in points at 96 dots per inch: Height = -Size * 96 / 72, rounded.
    int Size() const;
    void SetSize(int points);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    int Charset() const { return charset_; }
    void SetCharset(int charset);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);

    void Assign(const TPersistent* source) override;
    bool operator==(const TFont& other) const;

    QFont ToQFont() const;
    // Called after any change.
    std::function<void()> OnChange;

private:
    void Changed();

    AnsiString name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_;
    int charset_ = 1; // DEFAULT_CHARSET
    TFontPitch pitch_ = fpDefault;
};

// The font families asked of fontconfig for a face name (GBK), most wanted first.
QStringList FontFamiliesFor(const AnsiString& faceName);
