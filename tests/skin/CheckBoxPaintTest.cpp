// What a skinned check box shows: its check image by state, the caption's place, colour and
// cut, the focus dots, and the built-in look without a skin.
#include "SkinTestWindow.h"
#include "skin/Raster.h"
#include "skin/bsSkinCtrls.h"

#include "rtl/Colors.h"
#include "rtl/Image.h"
#include "winapi/Gbk.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

const QRgb kMagenta = qRgb(255, 0, 255);

class CheckBoxPaint : public testing::Test {
protected:
    void SetUp() override {
        box = new TbsSkinCheckRadioBox(window.Form());
        box->SetParent(window.Form());
        box->SetBounds(8, 40, 150, 25);
        box->SetCaption(gbk::Literal("阅读并同意"));
        skin = window.OptionsSkin();
        box->SetSkinData(skin);
        // Whatever the window system said about the pointer, it is not over the box.
        QCoreApplication::processEvents();
        box->HandleMouseLeave();
    }

    // The box as it shows itself.
    QImage Shown() const {
        QImage image(box->Width(), box->Height(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        box->PaintSurface(image, {0, 0});
        return image.convertToFormat(QImage::Format_RGB32);
    }

    // The 15 x 15 image at rect of picture 4 over the window background.
    QImage Expected(const TRect& rect) const {
        QImage image = skin->ActivePicture(4)->copy(rect.Left, rect.Top, 15, 15);
        image = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 15; ++x)
                if (image.pixel(x, y) == kMagenta)
                    image.setPixel(x, y, window.Background());
        return image;
    }

    // The shown image at (3, 5), where the options window's 25-pixel boxes put it.
    QImage CheckImage() const { return Shown().copy(3, 5, 15, 15); }

    SkinTestWindow window;
    TbsSkinCheckRadioBox* box = nullptr;
    TbsSkinData* skin = nullptr;
};

// Leftmost and rightmost columns (from x = 18) holding a pixel that is not the background.
std::pair<int, int> CaptionColumns(const QImage& shown, QRgb background) {
    int first = -1, last = -1;
    for (int x = 18; x < shown.width(); ++x)
        for (int y = 0; y < shown.height(); ++y)
            if (shown.pixel(x, y) != background) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

bool HasPixel(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                return true;
    return false;
}

} // namespace

TEST_F(CheckBoxPaint, CheckImagesFollowTheState) {
    EXPECT_EQ(CheckImage(), Expected({1, 60, 16, 75})) << "normal, unchecked";
    box->SetChecked(true);
    EXPECT_EQ(CheckImage(), Expected({43, 60, 58, 75})) << "normal, checked";
    box->HandleMouseEnter();
    ASSERT_TRUE(box->MouseIn());
    EXPECT_EQ(CheckImage(), Expected({29, 60, 44, 75})) << "pointer over, checked";
    box->SetChecked(false);
    EXPECT_EQ(CheckImage(), Expected({15, 60, 30, 75})) << "pointer over, unchecked";
    box->HandleMouseLeave();
    EXPECT_FALSE(box->MouseIn());
    EXPECT_EQ(CheckImage(), Expected({1, 60, 16, 75}));
    // The skin's area around the image stays the window's background.
    EXPECT_EQ(Shown().pixel(1, 1), window.Background());
    EXPECT_EQ(Shown().pixel(20, 23), window.Background());
}

TEST_F(CheckBoxPaint, DisabledBoxShowsNormalImagesAndAGreyCaption) {
    box->SetChecked(true);
    box->HandleMouseEnter();
    box->SetEnabled(false);
    EXPECT_FALSE(box->MouseIn());
    EXPECT_EQ(CheckImage(), Expected({43, 60, 58, 75}));
    QImage caption = Shown().copy(22, 0, 120, 25);
    EXPECT_GT(TextCoverage(caption, window.Background(), qRgb(128, 128, 128)), 0.8);

    box->SetEnabled(true);
    caption = Shown().copy(22, 0, 120, 25);
    EXPECT_GT(TextCoverage(caption, window.Background(), qRgb(0, 0, 0)), 0.8);
}

TEST_F(CheckBoxPaint, GrayedStateWithoutItsOwnImageFadesTheCheckedImage) {
    box->SetAllowGrayed(true);
    box->SetState(cbGrayed);
    QImage expected = Expected({43, 60, 58, 75});
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 15; ++x)
            if (expected.pixel(x, y) != window.Background())
                expected.setPixel(x, y, raster::MixWithWhite(expected.pixel(x, y)));
    EXPECT_EQ(CheckImage(), expected);
}

TEST_F(CheckBoxPaint, CaptionStartsAtTwentyTwoAndIsCutBeforeTheRightEdge) {
    auto [first, last] = CaptionColumns(Shown(), window.Background());
    EXPECT_GE(first, 22);
    EXPECT_LE(first, 23);
    EXPECT_LT(last, 22 + 62);

    box->SetCaption(std::string(60, 'W'));
    auto [longFirst, longLast] = CaptionColumns(Shown(), window.Background());
    EXPECT_GE(longFirst, 22);
    EXPECT_EQ(longLast, box->Width() - 3);
}

TEST_F(CheckBoxPaint, FocusDotsSurroundTheCaption) {
    box->SetFocus();
    ASSERT_TRUE(box->Focused());
    QImage shown = Shown();
    // The caption box of a 14-pixel line in a 25-pixel box runs from y 5 to 19; the dots go
    // one pixel outside it vertically and two to the left, here down column 20.
    const QRgb black = qRgb(0, 0, 0);
    int dots = 0;
    for (int y = 4; y <= 19; ++y) {
        bool set = shown.pixel(20, y) == black;
        dots += set ? 1 : 0;
        if (y > 4) {
            EXPECT_NE(set, shown.pixel(20, y - 1) == black) << "y " << y;
        }
    }
    EXPECT_EQ(dots, 8);
    EXPECT_EQ(shown.pixel(20, 3), window.Background());
    EXPECT_EQ(shown.pixel(19, 10), window.Background());

    box->SetCaption("");
    EXPECT_FALSE(HasPixel(Shown().copy(18, 0, 132, 25), black));
}

TEST_F(CheckBoxPaint, WithoutSkinDataTheBuiltInLookIsDrawn) {
    box->SetSkinData(nullptr);
    box->SetChecked(true);
    QImage shown = Shown();
    QRgb shadow = ColorToQColor(clBtnShadow).rgb();
    // A 14 x 14 frame from (3, 5) to (16, 18) around the window background.
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(shown.pixel(3 + i, 5), shadow) << i;
        EXPECT_EQ(shown.pixel(3 + i, 18), shadow) << i;
        EXPECT_EQ(shown.pixel(3, 5 + i), shadow) << i;
        EXPECT_EQ(shown.pixel(16, 5 + i), shadow) << i;
    }
    EXPECT_EQ(shown.pixel(4, 6), window.Background());
    EXPECT_EQ(shown.pixel(15, 17), window.Background());
    // The tick's lower corner, three pixels thick.
    for (int y : {13, 14, 15}) {
        EXPECT_EQ(shown.pixel(9, y), qRgb(0, 0, 0)) << y;
    }
    int captionLeft = CaptionColumns(shown, window.Background()).first;
    EXPECT_GE(captionLeft, 22);
    EXPECT_LE(captionLeft, 23);

    box->HandleMouseEnter();
    EXPECT_EQ(Shown().pixel(3, 5), qRgb(0, 0, 128));
    box->SetChecked(false);
    EXPECT_EQ(Shown().pixel(9, 15), window.Background());
}

TEST_F(CheckBoxPaint, NonFlatPlacesImageAndCaptionInTheRecordsAreas) {
    // The record: check image area 1,1,18,17 and text area 19,1,32,18 of a 33 x 19 piece.
    box->SetFlat(false);
    box->SetChecked(true);
    const QImage shown = Shown();
    // The 15 x 15 image centred in the 17 x 16 area: at (2, 2), not the flat style's (3, 5).
    const QImage checked = skin->ActivePicture(4)->copy(43, 60, 15, 15);
    int compared = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 15; ++x)
            if (checked.pixel(x, y) != kMagenta) {
                EXPECT_EQ(shown.pixel(2 + x, 2 + y), checked.pixel(x, y)) << x << "," << y;
                ++compared;
            }
    EXPECT_GT(compared, 50);

    // The caption starts in the text area at x = 19 (the flat style starts it at 22) and may
    // run to the control's right edge, as the area grows with the control.
    const AnsiString caption = box->Caption();
    box->SetCaption("");
    const QImage bare = Shown();
    box->SetCaption(caption);
    int first = -1;
    for (int x = 0; x < shown.width() && first < 0; ++x)
        for (int y = 0; y < shown.height(); ++y)
            if (shown.pixel(x, y) != bare.pixel(x, y)) {
                first = x;
                break;
            }
    EXPECT_GE(first, 19);
    EXPECT_LE(first, 20);
}

TEST_F(CheckBoxPaint, BackgroundIsWhatLiesBehind) {
    // A picture of stripes, one colour per column, lies under the box.
    QImage stripes(300, 120, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, qRgb(x % 256, (x * 7) % 256, y * 2));
    auto* picture = new TImage(window.Form());
    picture->SetParent(window.Form());
    picture->SetBounds(0, 0, 300, 120);
    picture->Picture()->SetImage(stripes);
    box->SetBounds(8, 45, 150, 25);
    const QImage surface = window.Surface();
    // Right of the caption and along the bottom row the box draws nothing of its own.
    for (int x = 120; x < 150; ++x)
        EXPECT_EQ(surface.pixel(8 + x, 45 + 12), stripes.pixel(8 + x, 45 + 12)) << x;
    for (int x = 0; x < 150; ++x)
        EXPECT_EQ(surface.pixel(8 + x, 45 + 24), stripes.pixel(8 + x, 45 + 24)) << x;
}

TEST(CheckBoxFont, FourteenPixelCellHeight) {
    TFont font;
    font.SetName("Arial");
    font.SetHeight(14);
    QFontMetrics metrics(font.ToQFont());
    EXPECT_EQ(metrics.height(), 14);
    // The Chinese captions come from the fallback font at the same size.
    EXPECT_TRUE(metrics.inFont(QChar(0x9605)));
}
