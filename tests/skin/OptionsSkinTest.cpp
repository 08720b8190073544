// The options window's stored skin as the build makes it.
#include "SkinTestWindow.h"
#include "skin/SkinContent.h"
#include "skin/ZlibBlock.h"

#include <gtest/gtest.h>

namespace {

class OptionsSkin : public testing::Test {
protected:
    void SetUp() override {
        block = OptionsSkinBlock();
        ASSERT_GT(block.size(), 2u);
        ASSERT_TRUE(skin.Load(InflateBlock(block)));
    }
    std::vector<std::uint8_t> block;
    SkinContent skin;
};

} // namespace

TEST_F(OptionsSkin, IsALevelNineZlibStreamWithItsPictures) {
    EXPECT_EQ(block[0], 0x78);
    EXPECT_EQ(block[1], 0xDA);
    EXPECT_EQ(skin.Picture.size(), QSize(162, 120));
    EXPECT_EQ(skin.InActivePicture.size(), QSize(162, 120));
    EXPECT_EQ(skin.MaskPicture.size(), QSize(162, 120));
    const QSize sizes[] = {{145, 165}, {67, 61}, {65, 116}, {40, 21}, {521, 353}, {138, 86}};
    ASSERT_EQ(skin.ActivePictures.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(skin.ActivePictures[i].size(), sizes[i]) << i;
    EXPECT_EQ(skin.PictureNames.ActivePictures.size(), 6u);
}

TEST_F(OptionsSkin, ListsItsControlsWithCheckBoxAndLabelRecords) {
    ASSERT_EQ(skin.CtrlList.size(), 63u);
    EXPECT_EQ(skin.CtrlList[3]->IDName, "checkbox");
    EXPECT_EQ(skin.CtrlList[3]->Kind, "checkradio");
    EXPECT_EQ(skin.CtrlList[22]->IDName, "stdlabel");
    EXPECT_EQ(skin.GetControlIndex("checkbox"), 3);
    EXPECT_EQ(skin.GetControlIndex("CheckBox"), -1);
    EXPECT_EQ(skin.ObjectList.size(), 13u);

    auto* box = dynamic_cast<TbsDataSkinCheckRadioControl*>(skin.CtrlList[3].get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->PictureIndex, 4);
    EXPECT_EQ(box->MaskPictureIndex, -1);
    EXPECT_EQ(box->SkinRect, (TRect{59, 62, 92, 81}));
    EXPECT_EQ(box->LTPoint, (TPoint{5, 8}));
    EXPECT_EQ(box->RTPoint, (TPoint{27, 8}));
    EXPECT_EQ(box->ClRect, (TRect{1, 2, 31, 17}));
    EXPECT_EQ(box->FontName, "Arial");
    EXPECT_EQ(box->FontHeight, 14);
    EXPECT_TRUE(box->FontStyle.Empty());
    EXPECT_EQ(box->FrameFontColor, clBlack);
    EXPECT_EQ(box->UnEnabledFontColor, TColor(8421504));
    EXPECT_EQ(box->ActiveSkinRect, (TRect{59, 82, 92, 101}));
    EXPECT_EQ(box->CheckImageArea, (TRect{1, 1, 18, 17}));
    EXPECT_EQ(box->TextArea, (TRect{19, 1, 32, 18}));
    EXPECT_EQ(box->CheckImageRect, (TRect{43, 60, 58, 75}));
    EXPECT_EQ(box->UnCheckImageRect, (TRect{1, 60, 16, 75}));
    EXPECT_EQ(box->ActiveCheckImageRect, (TRect{29, 60, 44, 75}));
    EXPECT_EQ(box->ActiveUnCheckImageRect, (TRect{15, 60, 30, 75}));
    EXPECT_TRUE(box->UnEnabledCheckImageRect.IsEmpty());
    EXPECT_TRUE(box->GrayedCheckImageRect.IsEmpty());
    EXPECT_FALSE(box->Morphing);

    auto* label = dynamic_cast<TbsDataSkinStdLabelControl*>(skin.CtrlList[22].get());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->PictureIndex, -1);
    EXPECT_EQ(label->FontColor, clBlack);
    EXPECT_EQ(label->ActiveFontColor, TColor(16744448));

    EXPECT_EQ(skin.SkinColors.cBtnFace, TColor(16053492));
    EXPECT_EQ(skin.SkinColors.cHighLight, TColor(14725724));
    EXPECT_EQ(skin.SkinColors.cBtnShadow, TColor(13090999));
}

TEST_F(OptionsSkin, CheckImagesSitOnMagentaWithTheirPieces) {
    const QImage& pieces = skin.ActivePictures[4];
    const QRgb magenta = qRgb(255, 0, 255);
    for (int left : {1, 15, 29, 43}) {
        // Bottom-left pixel is the transparent colour; the box inside is not.
        EXPECT_EQ(pieces.pixel(left, 74), magenta) << left;
        EXPECT_NE(pieces.pixel(left + 7, 67), magenta) << left;
    }
    EXPECT_EQ(pieces.pixel(60, 70), qRgb(244, 244, 244));
    EXPECT_EQ(pieces.pixel(70, 82), pieces.pixel(59, 90));
    EXPECT_NE(pieces.pixel(70, 82), qRgb(244, 244, 244));
    EXPECT_EQ(pieces.pixel(70, 90), qRgb(244, 244, 244));
}
