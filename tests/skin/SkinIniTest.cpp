// The ini text of a skin: line rules and the value forms of its keys.
#include "skin/SkinIni.h"
#include "skin/SkinContent.h"

#include <gtest/gtest.h>

namespace {

SkinIni Ini(std::string_view text) {
    return SkinIni::Parse(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

} // namespace

TEST(SkinIni, LineRules) {
    SkinIni ini = Ini("ignored=1\r\n  ; comment=2\r\n\r\n  [ Sec ]  \nkey = value \r"
                      "KEY=second\r\nnoequals\r\nother= a=b\r\n");
    EXPECT_EQ(ini.ReadString("sec", "Key", "none"), "value");
    EXPECT_EQ(ini.ReadString("SEC", "other", "none"), "a=b");
    EXPECT_EQ(ini.ReadString("sec", "ignored", "none"), "none");
    EXPECT_EQ(ini.ReadString("sec", "comment", "none"), "none");
    EXPECT_EQ(ini.Sections().size(), 1u);
}

TEST(SkinIni, RectanglesAndPointsKeepOnlyDigits) {
    SkinIni ini = Ini("[r]\nminus=-3,4,5,6\nmore=1,2,3,4,5\npt=7,8,9\nspaced= 1 , 2x,3,4\n"
                      "short=5,6\nempty=\nblank=  "
                      "\ncomma=,\nbad=1,,3,4\nletters=a,2,3,4\nhuge=99999999999,0,0,0\n");
    EXPECT_EQ(ini.ReadRect("r", "minus"), (TRect{3, 4, 5, 6}));
    EXPECT_EQ(ini.ReadRect("r", "more"), (TRect{1, 2, 3, 4}));
    EXPECT_EQ(ini.ReadPoint("r", "pt"), (TPoint{7, 8}));
    EXPECT_EQ(ini.ReadRect("r", "spaced"), (TRect{1, 2, 3, 4}));
    EXPECT_EQ(ini.ReadRect("r", "short"), (TRect{5, 6, 0, 0}));
    EXPECT_EQ(ini.ReadRect("r", "missing"), (TRect{0, 0, 0, 0}));
    for (const char* key : {"bad", "letters", "empty", "blank", "comma"}) {
        try {
            ini.ReadRect("r", key);
            ADD_FAILURE() << key;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "'' is not a valid integer value");
        }
        try {
            ini.ReadPoint("r", key);
            ADD_FAILURE() << key;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "'' is not a valid integer value");
        }
    }
    try {
        ini.ReadRect("r", "huge");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "'99999999999' is not a valid integer value");
    }
}

TEST(SkinIni, IntegersBooleansAndColours) {
    SkinIni ini = Ini("[v]\nn=-12\nwrong=12a\none=1\ntwo=2\nzero=0\ngrey=8421504\n");
    EXPECT_EQ(ini.ReadInteger("v", "n", 5), -12);
    EXPECT_EQ(ini.ReadInteger("v", "wrong", 5), 5);
    EXPECT_EQ(ini.ReadInteger("v", "missing", 5), 5);
    EXPECT_TRUE(ini.ReadBool("v", "one", false));
    EXPECT_FALSE(ini.ReadBool("v", "two", true));
    EXPECT_FALSE(ini.ReadBool("v", "zero", true));
    EXPECT_TRUE(ini.ReadBool("v", "missing", true));
    int grey = ini.ReadInteger("v", "grey", 0);
    EXPECT_EQ(grey & 0xFF, 128);
    EXPECT_EQ((grey >> 8) & 0xFF, 128);
    EXPECT_EQ((grey >> 16) & 0xFF, 128);
}

TEST(SkinIni, FontStylesMatchExactWords) {
    EXPECT_EQ(ParseFontStyle("fsbold,fsunderline"), (TFontStyles{fsBold, fsUnderline}));
    EXPECT_TRUE(ParseFontStyle("Bold").Empty());
    EXPECT_TRUE(ParseFontStyle("FSBOLD").Empty());
    EXPECT_TRUE(ParseFontStyle("").Empty());
    EXPECT_EQ(ParseFontStyle("[fsitalic][fsstrikeout]"), (TFontStyles{fsItalic, fsStrikeOut}));
}

TEST(SkinRecords, KindsEnumerationsAndCaseSensitiveLookup) {
    std::string text = "[SKINCONTROLS]\ncount=6\n0=box:checkradio\n1=box2:CheckRadio\n"
                       "2=pan:panel\n3=lab:stdlabel\n4=nocolon\n5=odd:checkradio\n"
                       "[BOX]\nstretchtype=stvert\nmorphkind=mkpush\nfontstyle=fsbold\n"
                       "[odd]\nstretchtype=STVERT\nmorphkind=MkPush\n[lab]\n";
    std::vector<std::uint8_t> container = {3, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0};
    container.insert(container.end(), text.begin(), text.end());
    SkinContent skin;
    ASSERT_TRUE(skin.Load(container));
    // Unknown kinds (the kind is matched exactly) and entries without a kind make no record.
    ASSERT_EQ(skin.CtrlList.size(), 4u);
    EXPECT_EQ(skin.GetControlIndex("box"), 0);
    EXPECT_EQ(skin.GetControlIndex("Box"), -1);
    EXPECT_EQ(skin.GetControlIndex("pan"), 1);
    auto* box = dynamic_cast<TbsDataSkinCheckRadioControl*>(skin.CtrlList[0].get());
    ASSERT_NE(box, nullptr);
    // The record's section is found without regard to case.
    EXPECT_EQ(box->StretchType, stVert);
    EXPECT_EQ(box->MorphKind, mkPush);
    EXPECT_EQ(box->FontStyle, TFontStyles{fsBold});
    EXPECT_EQ(box->FontName, "Arial");
    EXPECT_EQ(box->PictureIndex, -1);
    auto* odd = dynamic_cast<TbsDataSkinCheckRadioControl*>(skin.CtrlList[3].get());
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->StretchType, stHorz);
    EXPECT_EQ(odd->MorphKind, mkDefault);
    auto* label = dynamic_cast<TbsDataSkinStdLabelControl*>(skin.CtrlList[2].get());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->ActiveFontColor, clBlue);
    EXPECT_EQ(label->FontHeight, 14);
    // Missing colours keep the system colours.
    EXPECT_EQ(skin.SkinColors.cBtnShadow, clBtnShadow);
}
