// The skin engine's components restored from a stored window description, as the options
// window holds them: properties in order, references resolved after reading, Loaded last.
#include "SkinTestWindow.h"
#include "skin/bsPngImageView.h"
#include "skin/bsSkinCtrls.h"
#include "skin/bsSkinExCtrls.h"

#include "rtl/StoredDescription.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace {

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

QImage Toggle(int n) {
    QImage image(20, 17, QImage::Format_ARGB32);
    image.fill(qRgba(10 * n, 100, 200, 255));
    return image;
}

// The stored form of a list of four 20 x 17 placeholders, as the window holds it.
std::vector<std::uint8_t> FourPlaceholders() {
    PlatformImageList list(20, 17, 4, 4);
    QImage white(20, 17, QImage::Format_RGB32);
    white.fill(Qt::white);
    for (int i = 0; i < 4; ++i)
        list.Add(white);
    return list.Write();
}

} // namespace

TEST(StoredDescription, RestoresTheOptionsWindowsSkinnedControls) {
    auto folder = std::filesystem::temp_directory_path() / "skin-description-test";
    std::filesystem::create_directories(folder);
    WriteFile(folder / "skin.block", OptionsSkinBlock());
    WriteFile(folder / "bitmap.bin", FourPlaceholders());
    for (int i = 0; i < 4; ++i)
        WriteFile(folder / ("toggle" + std::to_string(i) + ".png"), PngFile(Toggle(i)));

    // Components appear in an order where references point forwards and backwards.
    const std::string text = R"(object Form1: TForm
  Left = 0
  Top = 0
  Width = 588
  Height = 400
  object bsSkinCheckRadioBox1: TbsSkinCheckRadioBox
    Left = 8
    Top = 360
    Width = 89
    Height = 25
    SkinData = bsSkinData1
    SkinDataName = 'checkbox'
    DefaultFont.Name = 'Arial'
    DefaultFont.Height = 14
    DefaultFont.Color = clWindowText
    UseSkinFont = True
    WordWrap = False
    AllowGrayed = False
    State = cbUnchecked
    Flat = True
    UseSkinFontColor = True
    TabStop = True
    CanFocused = True
    Radio = False
    Checked = False
    GroupIndex = 0
    Caption = '阅读并同意'
  end
  object bsPngImageView1: TbsPngImageView
    Left = 488
    Top = 368
    Width = 50
    Height = 50
    DoubleBuffered = False
    ReflectionEffect = False
    PngImageList = bsPngImageList1
    ImageIndex = 0
  end
  object bsSkinLinkLabel2: TbsSkinLinkLabel
    Left = 512
    Top = 368
    Width = 65
    Height = 17
    Cursor = crHandPoint
    GlowEffect = False
    GlowSize = 7
    UseUnderLine = True
    UseSkinFont = True
    DefaultActiveFontColor = clBlue
    DefaultFont.Name = 'Arial'
    DefaultFont.Height = 14
    DefaultFont.Color = clBlue
    DefaultFont.Style = [fsUnderline]
    SkinDataName = 'stdlabel'
    Caption = '自定义选项'
    ParentFont = False
  end
  object bsCompressedStoredSkin1: TbsCompressedStoredSkin
    FileName = 'skin.ini'
    CompressedData = file('skin.block')
  end
  object bsSkinData1: TbsSkinData
    SkinnableForm = True
    EnableSkinEffects = True
    ShowButtonGlowFrames = True
    ShowCaptionButtonGlowFrames = True
    CompressedStoredSkin = bsCompressedStoredSkin1
    SkinIndex = 0
  end
  object bsPngImageList1: TbsPngImageList
    PngImages = <
      item
        Name = 'PngImage0'
        PngImage.Data = file('toggle0.png')
      end
      item
        Name = 'PngImage1'
        PngImage.Data = file('toggle1.png')
      end
      item
        Name = 'PngImage2'
        PngImage.Data = file('toggle2.png')
      end
      item
        Name = 'PngImage3'
        PngImage.Data = file('toggle3.png')
      end>
    PngWidth = 20
    PngHeight = 17
    Bitmap = file('bitmap.bin')
  end
end
)";
    TObjectDescription description = ParseDescription(text, folder.string());
    TForm form(nullptr);
    form.AfterConstruction(description);

    auto* data = dynamic_cast<TbsSkinData*>(form.FindComponent("bsSkinData1"));
    ASSERT_NE(data, nullptr);
    EXPECT_FALSE(data->Empty());
    EXPECT_EQ(data->GetControlIndex("checkbox"), 3);

    auto* box = dynamic_cast<TbsSkinCheckRadioBox*>(form.FindComponent("bsSkinCheckRadioBox1"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->SkinData(), data);
    EXPECT_TRUE(box->TabStop());
    EXPECT_EQ(box->Width(), 89);

    auto* list = dynamic_cast<TbsPngImageList*>(form.FindComponent("bsPngImageList1"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->PngImages()->Count(), 4);
    EXPECT_EQ(list->Count(), 4);
    EXPECT_EQ(list->PngWidth(), 20);

    auto* view = dynamic_cast<TbsPngImageView*>(form.FindComponent("bsPngImageView1"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->PngImageList(), list);
    EXPECT_EQ(view->ImageIndex(), 0);
    EXPECT_EQ(view->Width(), 20);
    EXPECT_EQ(view->Height(), 17);

    auto* label = dynamic_cast<TbsSkinLinkLabel*>(form.FindComponent("bsSkinLinkLabel2"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Width(), 60); // five 12-pixel characters, whatever was stored
    EXPECT_EQ(label->Cursor(), crHandPoint);

    // Freeing the skin data clears the references to it.
    delete data;
    EXPECT_EQ(box->SkinData(), nullptr);
    std::filesystem::remove_all(folder);
}
