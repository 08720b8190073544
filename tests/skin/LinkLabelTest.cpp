// The link label: its colours with and without the pointer, the underline, measuring and
// clicks.
#include "SkinTestWindow.h"
#include "skin/bsSkinExCtrls.h"
#include "winapi/Gbk.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);

class LinkLabel : public testing::Test {
protected:
    void SetUp() override {
        label = new TbsSkinLinkLabel(window.Form());
        label->SetParent(window.Form());
        label->SetBounds(20, 20, 89, 17);
        label->SetCaption(gbk::Literal("许可协议"));
        label->DefaultFont()->SetColor(clBlue);
        label->SetDefaultActiveFontColor(clBlue);
        label->OnClick = [this](TObject*) { ++clicks; };
    }

    QImage Shown() const {
        return window.Surface().copy(label->Left(), label->Top(), label->Width(), label->Height());
    }

    // Rows in which at least half of the label's width is the colour: the underline.
    static int FullRows(const QImage& image, QRgb colour) {
        int rows = 0;
        for (int y = 0; y < image.height(); ++y) {
            int count = 0;
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) == colour ? 1 : 0;
            rows += count * 2 >= image.width() ? 1 : 0;
        }
        return rows;
    }

    static int Count(const QImage& image, QRgb colour) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) == colour ? 1 : 0;
        return count;
    }

    SkinTestWindow window{kWhite};
    TbsSkinLinkLabel* label = nullptr;
    int clicks = 0;
};

} // namespace

TEST_F(LinkLabel, BlueAndUnderlinedWithAndWithoutThePointer) {
    QImage normal = Shown();
    EXPECT_GT(Count(normal, kBlue), 20);
    EXPECT_EQ(FullRows(normal, kBlue), 1);
    label->HandleMouseEnter();
    EXPECT_TRUE(label->MouseIn());
    EXPECT_EQ(Shown(), normal);
    label->HandleMouseLeave();
    EXPECT_FALSE(label->MouseIn());
}

TEST_F(LinkLabel, ActiveColourUnderThePointer) {
    label->SetDefaultActiveFontColor(clRed);
    label->HandleMouseEnter();
    QImage over = Shown();
    EXPECT_GT(Count(over, qRgb(255, 0, 0)), 20);
    EXPECT_EQ(Count(over, kBlue), 0);
    label->HandleMouseLeave();
    EXPECT_EQ(Count(Shown(), qRgb(255, 0, 0)), 0);
    EXPECT_GT(Count(Shown(), kBlue), 20);
}

TEST_F(LinkLabel, UseUnderLineFalseRemovesTheUnderline) {
    label->SetUseUnderLine(false);
    QImage plain = Shown();
    EXPECT_GT(TextCoverage(plain, kWhite, kBlue), 0.8);
    EXPECT_EQ(FullRows(plain, kBlue), 0);
}

TEST_F(LinkLabel, AutoSizeMeasuresTheTextAndAnEmptyCaptionAsOneSpace) {
    EXPECT_EQ(label->Width(), 48); // four 12-pixel characters
    EXPECT_GE(label->Height(), 14);
    label->SetCaption("");
    EXPECT_GT(label->Width(), 0);
    EXPECT_LT(label->Width(), 10);
    EXPECT_GE(label->Height(), 14);
}

// The smallest rectangle holding every pixel that matches.
template <class Match> QRect Extent(const QImage& image, Match match) {
    QRect extent;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixel(x, y)))
                extent |= QRect(x, y, 1, 1);
    return extent;
}

TEST(LinkLabelDisabled, IsDrawnInShadowOverAHighlightBelowAndRightOfIt) {
    // On a green window both passes show: the white highlight and the grey shadow over it.
    SkinTestWindow window{qRgb(40, 160, 90)};
    auto* label = new TbsSkinLinkLabel(window.Form());
    label->SetParent(window.Form());
    label->SetBounds(20, 20, 89, 17);
    label->SetCaption(gbk::Literal("许可协议"));
    label->DefaultFont()->SetColor(clBlue);
    label->SetEnabled(false);
    const QImage shown = window.Surface().copy(20, 20, label->Width(), label->Height());
    // The text's edges are smoothed, so a pass is every pixel close to its colour.
    auto near = [](QRgb target) {
        return [target](QRgb c) {
            return std::abs(qRed(c) - qRed(target)) < 24 &&
                   std::abs(qGreen(c) - qGreen(target)) < 24 &&
                   std::abs(qBlue(c) - qBlue(target)) < 24;
        };
    };
    EXPECT_EQ(Extent(shown, near(kBlue)), QRect());
    const QRect shadowExtent = Extent(shown, near(qRgb(160, 160, 160)));
    const QRect highlightExtent = Extent(shown, near(qRgb(255, 255, 255)));
    // Both passes run the whole caption; the highlight never reaches above or left of the
    // shadow, as it lies one pixel down and right of it.
    EXPECT_GT(shadowExtent.width(), 40);
    EXPECT_GT(highlightExtent.width(), 20);
    EXPECT_GE(highlightExtent.left(), shadowExtent.left());
    EXPECT_GE(highlightExtent.top(), shadowExtent.top());
}

TEST_F(LinkLabel, ClickFiresOnceAlsoForADoubleClick) {
    label->HandleMousePress(mbLeft, {ssLeft}, 3, 3, false);
    label->HandleMouseRelease(mbLeft, {}, 3, 3);
    EXPECT_EQ(clicks, 1);
    label->HandleMousePress(mbLeft, {ssLeft}, 3, 3, false);
    label->HandleMouseRelease(mbLeft, {}, 3, 3);
    label->HandleMousePress(mbLeft, {ssLeft, ssDouble}, 3, 3, true);
    label->HandleMouseRelease(mbLeft, {}, 3, 3);
    EXPECT_EQ(clicks, 2);
}

TEST_F(LinkLabel, RecordColoursComeFromTheSkin) {
    TbsSkinData* skin = window.OptionsSkin();
    label->SetSkinData(skin);
    // The options skin's "stdlabel": black text, (0, 128, 255) under the pointer.
    EXPECT_GT(Count(Shown(), qRgb(0, 0, 0)), 20);
    label->HandleMouseEnter();
    EXPECT_GT(Count(Shown(), qRgb(0, 128, 255)), 20);
    delete skin;
    EXPECT_EQ(label->SkinData(), nullptr);
}
