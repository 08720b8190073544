#include "GuiTest.h"

#include "rtl/Canvas.h"
#include "rtl/Colors.h"
#include "winapi/Gbk.h"

#include <QFontMetrics>

namespace {

TEST(Colors, SystemColoursResolveAndPlainOnesKeepTheirRgbOrder) {
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xF0F0F0u);
    EXPECT_EQ(ColorToRGB(clWindowText), 0x000000u);
    EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFFu);
    EXPECT_EQ(ColorToQColor(clBlue), QColor(0, 0, 255));
    EXPECT_EQ(ColorToQColor(TColor(0x00D5AF46)), QColor(70, 175, 213));
}

TEST(Fonts, WindowsFaceNamesMapToInstalledFamiliesWithACjkFallback) {
    EXPECT_EQ(FontFamiliesFor("Arial"), (QStringList{"Liberation Sans", "WenQuanYi Micro Hei"}));
    EXPECT_EQ(FontFamiliesFor("MS Sans Serif"),
              (QStringList{"Liberation Sans", "WenQuanYi Micro Hei"}));
    EXPECT_EQ(FontFamiliesFor(gbk::Literal("宋体")), QStringList{"WenQuanYi Micro Hei"});
    EXPECT_EQ(FontFamiliesFor("Verdana"), (QStringList{"Verdana", "WenQuanYi Micro Hei"}));
}

class FontSizes : public GuiTest {};

TEST_F(FontSizes, ANegativeHeightIsThePixelSizeAPositiveOneTheLineHeight) {
    TFont font;
    font.SetName("Arial");
    font.SetHeight(-14);
    EXPECT_EQ(font.ToQFont().pixelSize(), 14);
    font.SetHeight(16);
    EXPECT_LE(QFontMetrics(font.ToQFont()).height(), 16);
    font.SetSize(8);
    EXPECT_EQ(font.Height(), -11);
    EXPECT_EQ(font.Size(), 8);
}

class CanvasText : public GuiTest {};

TEST_F(CanvasText, MeasuringWidensWithTheTextAndWrapsWhenAsked) {
    QImage image(200, 100, QImage::Format_ARGB32_Premultiplied);
    TCanvas canvas(&image);
    canvas.Font()->SetName("Arial");
    canvas.Font()->SetHeight(-14);
    TRect shortRect{0, 0, 0, 0}, longRect{0, 0, 0, 0};
    canvas.DrawText("ab", shortRect, DT_CALCRECT | DT_SINGLELINE);
    canvas.DrawText(gbk::Literal("abcdef 自定义选项"), longRect, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_GT(longRect.Width(), shortRect.Width());
    EXPECT_EQ(shortRect.Height(), longRect.Height());
    TRect wrapped{0, 0, 40, 0};
    int height = canvas.DrawText("one two three four", wrapped, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GT(height, 2 * shortRect.Height());
    // "&&" is one "&", a lone "&" marks the next letter and takes no room.
    TRect amp{0, 0, 0, 0}, plain{0, 0, 0, 0}, raw{0, 0, 0, 0};
    canvas.DrawText("a&&b", amp, DT_CALCRECT);
    canvas.DrawText("a&b", plain, DT_CALCRECT | DT_NOPREFIX);
    canvas.DrawText("a&b", raw, DT_CALCRECT);
    EXPECT_EQ(amp.Width(), plain.Width());
    EXPECT_LT(raw.Width(), plain.Width());
}

TEST_F(CanvasText, DrawingIsClippedToTheControl) {
    QImage image(40, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        TCanvas canvas(&image, {10, 5}, Rect(0, 0, 10, 10));
        canvas.Brush.Color = clRed;
        canvas.FillRect(Rect(-5, -5, 30, 30));
    }
    EXPECT_EQ(image.pixelColor(10, 5), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(19, 14), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(9, 5), QColor(255, 255, 255));
    EXPECT_EQ(image.pixelColor(20, 5), QColor(255, 255, 255));
    EXPECT_EQ(image.pixelColor(10, 15), QColor(255, 255, 255));
}

} // namespace
