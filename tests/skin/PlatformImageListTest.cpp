// The platform image list's stored form, written and read back.
#include "SkinTestWindow.h"

#include "skin/BmpImage.h"
#include "skin/PlatformImageList.h"

#include <gtest/gtest.h>

namespace {

int UInt16At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}

std::int32_t Int32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::int32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
                                     (std::uint32_t(b[at + 3]) << 24));
}

} // namespace

TEST(PlatformImageList, StoredFormOfFourPlaceholders) {
    PlatformImageList list(20, 17, 4, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list.Add(White(20, 17)), i);
    std::vector<std::uint8_t> stored = list.Write();

    EXPECT_EQ(stored[0], 'I');
    EXPECT_EQ(stored[1], 'L');
    EXPECT_EQ(UInt16At(stored, 2), 0x0101);
    EXPECT_EQ(UInt16At(stored, 4), 4); // count
    EXPECT_EQ(UInt16At(stored, 6), 9); // capacity
    EXPECT_EQ(UInt16At(stored, 8), 4); // growth step
    EXPECT_EQ(UInt16At(stored, 10), 20);
    EXPECT_EQ(UInt16At(stored, 12), 17);
    EXPECT_EQ(Int32At(stored, 14), -1); // no background colour
    EXPECT_EQ(UInt16At(stored, 18), 0x10FF);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(UInt16At(stored, 20 + 2 * i), 0xFFFF);

    // A 32-bit colour bitmap of 80 x 51 follows, then a 1-bit mask of the same size.
    const std::size_t colourAt = 28;
    EXPECT_EQ(stored[colourAt], 'B');
    EXPECT_EQ(Int32At(stored, colourAt + 18), 80);
    EXPECT_EQ(Int32At(stored, colourAt + 22), 51);
    EXPECT_EQ(UInt16At(stored, colourAt + 28), 32);
    std::size_t maskAt = colourAt + static_cast<std::size_t>(Int32At(stored, colourAt + 2));
    EXPECT_EQ(stored[maskAt], 'B');
    EXPECT_EQ(UInt16At(stored, maskAt + 28), 1);
    std::span<const std::uint8_t> colourFile(stored.data() + colourAt, maskAt - colourAt);
    QImage colour = DecodeBmp(colourFile);
    EXPECT_EQ(colour.pixel(79, 16), qRgb(255, 255, 255));
    QImage mask = DecodeBmp(std::span(stored).subspan(maskAt));
    EXPECT_EQ(mask.size(), QSize(80, 51));
    EXPECT_EQ(mask.pixel(5, 5), qRgb(0, 0, 0));

    auto read = PlatformImageList::Read(stored);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->GetImageCount(), 4);
    EXPECT_EQ(read->Capacity(), 9);
    EXPECT_EQ(read->Grow(), 4);
    EXPECT_EQ(read->Flags(), 0x10FF);
    EXPECT_EQ(read->Width(), 20);
    EXPECT_EQ(read->Image(3), White(20, 17));
    EXPECT_EQ(read->Write(), stored);
}

TEST(PlatformImageList, InsertRemoveAndDamagedStoredForms) {
    PlatformImageList list(2, 2, 4, 4);
    QImage black(2, 2, QImage::Format_RGB32);
    black.fill(qRgb(0, 0, 0));
    list.Add(White(2, 2));
    EXPECT_EQ(list.Insert(0, black), 0);
    EXPECT_EQ(list.Insert(5, black), -1);
    EXPECT_EQ(list.Image(1), White(2, 2));
    EXPECT_TRUE(list.Remove(0));
    EXPECT_FALSE(list.Remove(1));
    EXPECT_EQ(list.GetImageCount(), 1);
    EXPECT_TRUE(list.Remove(-1));
    EXPECT_EQ(list.GetImageCount(), 0);

    auto stored = PlatformImageList(2, 2, 4, 4).Write();
    auto badMagic = stored;
    badMagic[0] = 'X';
    EXPECT_FALSE(PlatformImageList::Read(badMagic).has_value());
    stored.resize(stored.size() - 3);
    EXPECT_FALSE(PlatformImageList::Read(stored).has_value());
}
