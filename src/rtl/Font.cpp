#include "Font.h"

#include "TypeInfo.h"

#include "winapi/Gbk.h"

#include <QFontMetrics>
#include <cmath>
#include <strings.h>

namespace {
const char* const kCjkFamily = "WenQuanYi Micro Hei";

bool Is(const AnsiString& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}
} // namespace

QStringList FontFamiliesFor(const AnsiString& faceName) {
    auto utf8 = gbk::ToUtf8(faceName);
    QString face = QString::fromUtf8(utf8 ? *utf8 : std::string());
    if (Is(faceName, "Arial") || Is(faceName, "MS Sans Serif") || Is(faceName, "Tahoma") ||
        Is(faceName, "Microsoft Sans Serif"))
        return {"Liberation Sans", kCjkFamily};
    if (Is(faceName, "Courier New"))
        return {"Liberation Mono", kCjkFamily};
    if (face == QString::fromUtf8("宋体") || face == QString::fromUtf8("微软雅黑") ||
        face == QString::fromUtf8("黑体") || Is(faceName, "SimSun") ||
        Is(faceName, "Microsoft YaHei") || Is(faceName, "SimHei"))
        return {kCjkFamily};
    return {face, kCjkFamily};
}

void TFont::SetName(const AnsiString& name) {
    name_ = name;
    Changed();
}

void TFont::SetHeight(int height) {
    height_ = height;
    Changed();
}

int TFont::Size() const {
    return static_cast<int>(std::lround(-height_ * 72.0 / 96.0));
}

void TFont::SetSize(int points) {
    SetHeight(-static_cast<int>(std::lround(points * 96.0 / 72.0)));
}

void TFont::SetColor(TColor color) {
    color_ = color;
    Changed();
}

void TFont::SetStyle(TFontStyles style) {
    style_ = style;
    Changed();
}

void TFont::SetCharset(int charset) {
    charset_ = charset;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
    pitch_ = pitch;
    Changed();
}

void TFont::Assign(const TPersistent* source) {
    auto* font = dynamic_cast<const TFont*>(source);
    if (!font) {
        TPersistent::Assign(source);
        return;
    }
    name_ = font->name_;
    height_ = font->height_;
    color_ = font->color_;
    style_ = font->style_;
    charset_ = font->charset_;
    pitch_ = font->pitch_;
    Changed();
}

bool TFont::operator==(const TFont& other) const {
    return name_ == other.name_ && height_ == other.height_ && color_ == other.color_ &&
           style_ == other.style_ && charset_ == other.charset_ && pitch_ == other.pitch_;
}

QFont TFont::ToQFont() const {
    QFont font;
    font.setFamilies(FontFamiliesFor(name_));
    font.setBold(style_.Contains(fsBold));
    font.setItalic(style_.Contains(fsItalic));
    font.setUnderline(style_.Contains(fsUnderline));
    font.setStrikeOut(style_.Contains(fsStrikeOut));
    font.setHintingPreference(QFont::PreferFullHinting);
    int height = height_ == 0 ? -11 : height_;
    if (height < 0) {
        font.setPixelSize(-height);
    } else {
        // Cell height: shrink the pixel size until a line fits in it.
        int size = height;
        font.setPixelSize(size);
        while (size > 1 && QFontMetrics(font).height() > height)
            font.setPixelSize(--size);
    }
    return font;
}

void TFont::Changed() {
    if (OnChange)
        OnChange();
}

const TClassInfo& TFont::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TFont, TPersistent>("TFont")
                                       .Property("Charset", &TFont::SetCharset)
                                       .Property("Color", &TFont::SetColor)
                                       .Property("Height", &TFont::SetHeight)
                                       .Property("Name", &TFont::SetName)
                                       .Property("Pitch", &TFont::SetPitch)
                                       .Property("Size", &TFont::SetSize)
                                       .Property("Style", &TFont::SetStyle);
    return info;
}
