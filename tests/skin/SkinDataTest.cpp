// The skin data component: when it loads, what an empty or unreadable skin leaves, the
// SkinIndex and SkinList rules, and errors reaching whoever linked the stored skin.
#include "SkinTestWindow.h"
#include "skin/SkinContainer.h"
#include "skin/ZlibBlock.h"

#include <gtest/gtest.h>

namespace {

TBytes Block(std::int32_t version, const std::string& ini) {
    std::vector<std::uint8_t> text(ini.begin(), ini.end());
    std::vector<std::uint8_t> container = WriteSkinContainer({}, {}, {}, {}, text);
    for (int i = 0; i < 4; ++i)
        container[i] = static_cast<std::uint8_t>(version >> (8 * i));
    return DeflateBlock(container);
}

const std::string kOneRecord = "[SKINCONTROLS]\r\ncount=1\r\n0=checkbox:checkradio\r\n";

class SkinData : public testing::Test {
protected:
    SkinTestWindow window;
    TbsSkinData* data = new TbsSkinData(window.Form());
    TbsCompressedStoredSkin* stored = new TbsCompressedStoredSkin(window.Form());
};

} // namespace

TEST_F(SkinData, StartsEmptyAndLoadsWhenTheStoredSkinIsLinked) {
    EXPECT_TRUE(data->Empty());
    EXPECT_TRUE(data->SkinnableForm());
    EXPECT_EQ(data->GetControlIndex("checkbox"), -1);
    stored->SetCompressedData(Block(3, kOneRecord));
    data->SetCompressedStoredSkin(stored);
    EXPECT_FALSE(data->Empty());
    EXPECT_EQ(data->GetControlIndex("checkbox"), 0);

    // An empty block changes nothing; a version 4 container empties the skin.
    data->LoadCompressedSkin({});
    EXPECT_FALSE(data->Empty());
    data->LoadCompressedSkin(Block(4, kOneRecord));
    EXPECT_TRUE(data->Empty());
    EXPECT_EQ(data->CtrlCount(), 0);

    delete stored;
    EXPECT_EQ(data->CompressedStoredSkin(), nullptr);
}

TEST_F(SkinData, ErrorsReachWhoeverLinkedTheSkin) {
    TBytes corrupt = Block(3, kOneRecord);
    corrupt[4] ^= 0xFF;
    corrupt[7] ^= 0xFF;
    stored->SetCompressedData(corrupt);
    try {
        data->SetCompressedStoredSkin(stored);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "compression error");
    }
    EXPECT_TRUE(data->Empty());

    stored->SetCompressedData(Block(3, kOneRecord + "[checkbox]\r\nskinrect=1,x,3,4\r\n"));
    try {
        data->SetCompressedStoredSkin(stored);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "'' is not a valid integer value");
    }
    EXPECT_TRUE(data->Empty());
}

TEST_F(SkinData, SkinIndexAndSkinListRules) {
    data->SetSkinIndex(5);
    EXPECT_EQ(data->SkinIndex(), 5);
    EXPECT_TRUE(data->Empty());

    auto* list = new TbsCompressedSkinList(window.Form());
    for (const char* name : {"first", "second"}) {
        auto* item = static_cast<TbsCompressedSkinItem*>(list->Skins()->Add());
        item->SetCompressedData(
            Block(3, "[SKINCONTROLS]\r\ncount=1\r\n0=" + std::string(name) + ":checkradio\r\n"));
    }
    data->SetSkinList(list); // index 5 is out of range: nothing loads
    EXPECT_TRUE(data->Empty());
    data->SetSkinIndex(7);
    EXPECT_EQ(data->SkinIndex(), 5);
    data->SetSkinIndex(1);
    EXPECT_EQ(data->SkinIndex(), 1);
    EXPECT_EQ(data->GetControlIndex("second"), 0);
    data->SetSkinIndex(0);
    EXPECT_EQ(data->GetControlIndex("first"), 0);
    EXPECT_EQ(data->GetControlIndex("second"), -1);

    delete list;
    EXPECT_EQ(data->SkinList(), nullptr);
}
