// Unpacking stored skins: the container layout, its versions and flag bytes, and the errors
// a damaged skin raises.
#include "skin/SkinContainer.h"
#include "skin/BmpImage.h"
#include "skin/SkinContent.h"
#include "skin/ZlibBlock.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

QImage Solid(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

const std::string kMinimalIni = "[VERSION]\r\nskinname=Test\r\n"
                                "[SKINCONTROLS]\r\ncount=2\r\n0=checkbox:checkradio\r\n"
                                "1=stdlabel:stdlabel\r\n"
                                "[checkbox]\r\npictureindex=0\r\nskinrect=1,2,3,4\r\n"
                                "[stdlabel]\r\nfontcolor=255\r\n";

std::string Message(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "no error";
}

void PutInt32(std::vector<std::uint8_t>& out, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
}

} // namespace

TEST(SkinContainer, IniOnlyContainerLoadsRecordsWithoutPictures) {
    auto container = WriteSkinContainer({}, {}, {}, {}, Bytes(kMinimalIni));
    // Version 3, three flag bytes of 1, picture count 0, then the text.
    ASSERT_EQ(container.size(), 4u + 3u + 4u + kMinimalIni.size());
    EXPECT_EQ(container[4], 1);
    EXPECT_EQ(container[5], 1);
    EXPECT_EQ(container[6], 1);

    SkinContent skin;
    ASSERT_TRUE(skin.Load(InflateBlock(DeflateBlock(container))));
    EXPECT_TRUE(skin.Picture.isNull());
    EXPECT_TRUE(skin.InActivePicture.isNull());
    EXPECT_TRUE(skin.MaskPicture.isNull());
    EXPECT_TRUE(skin.ActivePictures.empty());
    EXPECT_EQ(skin.Description.SkinName, "Test");
    ASSERT_EQ(skin.CtrlList.size(), 2u);
    EXPECT_EQ(skin.GetControlIndex("stdlabel"), 1);
    EXPECT_EQ(skin.CtrlList[0]->SkinRect, (TRect{1, 2, 3, 4}));
}

TEST(SkinContainer, PicturesAreReadInOrderAndVersionTwoSkipsItsExtras) {
    auto main = EncodeBmp(Solid(3, 2, qRgb(10, 20, 30)), 24);
    auto numbered0 = EncodeBmp(Solid(5, 1, qRgb(1, 2, 3)), 24);
    auto numbered1 = EncodeBmp(Solid(2, 7, qRgb(255, 255, 255)), 1);
    std::vector<std::uint8_t> c;
    PutInt32(c, 2);
    c.push_back(0);
    c.insert(c.end(), main.begin(), main.end());
    c.push_back(1); // no inactive picture
    c.push_back(7); // any non-zero flag: no mask
    c.push_back(0); // version 2's two extras, thrown away
    c.insert(c.end(), numbered0.begin(), numbered0.end());
    c.push_back(1);
    PutInt32(c, 2);
    c.insert(c.end(), numbered0.begin(), numbered0.end());
    c.insert(c.end(), numbered1.begin(), numbered1.end());
    c.insert(c.end(), kMinimalIni.begin(), kMinimalIni.end());

    SkinContainer skin = ReadSkinContainer(c);
    EXPECT_EQ(skin.Picture.size(), QSize(3, 2));
    EXPECT_EQ(skin.Picture.pixel(2, 1), qRgb(10, 20, 30));
    EXPECT_TRUE(skin.InactivePicture.isNull());
    EXPECT_TRUE(skin.MaskPicture.isNull());
    ASSERT_EQ(skin.ActivePictures.size(), 2u);
    EXPECT_EQ(skin.ActivePictures[0].size(), QSize(5, 1));
    EXPECT_EQ(skin.ActivePictures[1].size(), QSize(2, 7));
    EXPECT_EQ(std::string(skin.IniText.begin(), skin.IniText.end()), kMinimalIni);
}

TEST(SkinContainer, VersionFourOrMoreLeavesTheSkinEmpty) {
    std::vector<std::uint8_t> c;
    PutInt32(c, 4);
    c.insert(c.end(), kMinimalIni.begin(), kMinimalIni.end());
    SkinContent skin;
    EXPECT_FALSE(skin.Load(c));
    EXPECT_TRUE(skin.CtrlList.empty());
}

TEST(SkinContainer, BlocksOfAnyExpansionInflateWhole) {
    // Far past the first buffer, and as flat as deflate can pack (about 1000 to 1).
    std::vector<std::uint8_t> flat(24u << 20, 0x5A);
    flat[12345] = 1;
    EXPECT_EQ(InflateBlock(DeflateBlock(flat)), flat);
    EXPECT_TRUE(InflateBlock(DeflateBlock({})).empty());
    // Data after the stream's end is not part of it.
    const std::vector<std::uint8_t> ini = Bytes(kMinimalIni);
    auto trailed = DeflateBlock(ini);
    trailed.insert(trailed.end(), {1, 2, 3});
    EXPECT_EQ(InflateBlock(trailed), ini);
}

TEST(SkinContainer, DamagedSkinsRaiseTheirMessages) {
    auto good = DeflateBlock(WriteSkinContainer({}, {}, {}, {}, Bytes(kMinimalIni)));
    auto corrupt = good;
    corrupt[5] ^= 0xFF;
    corrupt[6] ^= 0x5A;
    EXPECT_EQ(Message([&] { InflateBlock(corrupt); }), "compression error");
    auto cut = good;
    cut.resize(cut.size() / 2);
    EXPECT_EQ(Message([&] { InflateBlock(cut); }), "compression error");

    auto picture = EncodeBmp(Solid(8, 8, qRgb(1, 1, 1)), 24);
    auto container = WriteSkinContainer({}, {}, {}, {picture}, {});
    container.resize(container.size() - 10); // cut inside the only picture
    EXPECT_EQ(Message([&] { ReadSkinContainer(container); }), "Stream read error");

    auto bad = picture;
    bad[0] = 'X';
    auto withBad = WriteSkinContainer(bad, {}, {}, {}, {});
    EXPECT_EQ(Message([&] { ReadSkinContainer(withBad); }), "Bitmap image is not valid");

    auto badDepth = picture;
    badDepth[28] = 7; // bits per pixel
    EXPECT_EQ(Message([&] { DecodeBmp(badDepth); }), "Bitmap image is not valid");
}

TEST(BmpImage, EncodedPicturesDecodeToTheSamePixels) {
    QImage colours(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            colours.setPixel(x, y, qRgb(x * 50, y * 100, 7));
    for (int bits : {24, 32})
        EXPECT_EQ(DecodeBmp(EncodeBmp(colours, bits)), colours) << bits;

    QImage mono = Solid(9, 2, qRgb(0, 0, 0));
    mono.setPixel(8, 1, qRgb(255, 255, 255));
    EXPECT_EQ(DecodeBmp(EncodeBmp(mono, 1)), mono);

    QImage indexed(4, 4, QImage::Format_Indexed8);
    indexed.setColorCount(2);
    indexed.setColor(0, qRgb(9, 8, 7));
    indexed.setColor(1, qRgb(200, 100, 50));
    indexed.fill(0);
    indexed.setPixel(3, 0, 1);
    QImage decoded = DecodeBmp(EncodeBmp(indexed, 8));
    EXPECT_EQ(decoded.pixel(3, 0), qRgb(200, 100, 50));
    EXPECT_EQ(decoded.pixel(0, 3), qRgb(9, 8, 7));

    QImage fullTable(16, 16, QImage::Format_Indexed8);
    fullTable.setColorCount(256);
    for (int i = 0; i < 256; ++i) {
        fullTable.setColor(i, qRgb(i, 255 - i, i / 2));
        fullTable.setPixel(i % 16, i / 16, static_cast<uint>(255 - i));
    }
    EXPECT_EQ(DecodeBmp(EncodeBmp(fullTable, 8)), fullTable.convertToFormat(QImage::Format_RGB32));
}
