#include "GuiTest.h"

#include "rtl/Image.h"
#include "rtl/Picture.h"
#include "support/RaisedMessage.h"

#include <zlib.h>

namespace {

using testing_support::RaisedMessage;

// A picture whose rows differ, so that a wrong decode shows.
QImage Gradient(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 7 % 256, y * 13 % 256, (x + y) % 256, 255));
    return image;
}

// Offset of the first chunk of the given type (its length field).
size_t ChunkAt(const TBytes& png, const char* type) {
    for (size_t at = 8; at + 8 <= png.size();) {
        if (std::equal(type, type + 4, png.begin() + static_cast<long>(at) + 4))
            return at;
        const size_t length = (size_t{png[at]} << 24) | (size_t{png[at + 1]} << 16) |
                              (size_t{png[at + 2]} << 8) | png[at + 3];
        at += 12 + length;
    }
    ADD_FAILURE() << "no " << type << " chunk";
    return 0;
}

AnsiString SetDataMessage(const TBytes& png) {
    TPicture picture;
    return RaisedMessage([&] { picture.SetData(png); });
}

TEST(PictureData, TheSizeIsKnownAtOnceAndTheImageDecodesAsTheFileHoldsIt) {
    const QImage gradient = Gradient(37, 23);
    TPicture picture;
    picture.SetData(PngBytes(gradient));
    EXPECT_FALSE(picture.Empty());
    EXPECT_EQ(picture.Width(), 37);
    EXPECT_EQ(picture.Height(), 23);
    EXPECT_EQ(picture.Image(), gradient);
    EXPECT_EQ(picture.Image().format(), QImage::Format_ARGB32_Premultiplied);
}

TEST(PictureData, DataThatIsNotAWholeSoundPngIsRefused) {
    const TBytes png = PngBytes(Gradient(16, 16));
    const AnsiString refused = "Picture data is not a PNG image";
    EXPECT_EQ(SetDataMessage({}), refused);
    EXPECT_EQ(SetDataMessage(TBytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}), refused);

    TBytes cutShort(png.begin(), png.begin() + static_cast<long>(ChunkAt(png, "IEND")));
    EXPECT_EQ(SetDataMessage(cutShort), refused);

    TBytes damaged = png;
    damaged[ChunkAt(png, "IDAT") + 10] ^= 0x40;
    EXPECT_EQ(SetDataMessage(damaged), refused);

    TBytes noImageData(png.begin(), png.begin() + static_cast<long>(ChunkAt(png, "IDAT")));
    noImageData.insert(noImageData.end(), png.begin() + static_cast<long>(ChunkAt(png, "IEND")),
                       png.end());
    EXPECT_EQ(SetDataMessage(noImageData), refused);

    // A header of a bit depth its colour type does not allow, with a matching checksum.
    TBytes badDepth = png;
    const size_t header = ChunkAt(png, "IHDR");
    badDepth[header + 8 + 8] = 3;
    const uLong crc = crc32(0, badDepth.data() + header + 4, 17);
    for (int i = 0; i < 4; ++i)
        badDepth[header + 21 + static_cast<size_t>(i)] =
            static_cast<unsigned char>(crc >> (24 - 8 * i));
    EXPECT_EQ(SetDataMessage(badDepth), refused);

    TPicture kept;
    kept.SetData(png);
    EXPECT_EQ(RaisedMessage([&] { kept.SetData(damaged); }), refused);
    EXPECT_EQ(kept.Image(), Gradient(16, 16)) << "a refused file leaves the picture as it was";
}

TEST(PictureData, AssignedPicturesShareOneDecodeButNotTheirDrawing) {
    const QImage gradient = Gradient(20, 10);
    TPicture first, second;
    first.SetData(PngBytes(gradient));
    second.Assign(&first);
    EXPECT_EQ(second.Width(), 20);
    EXPECT_EQ(second.Image(), gradient);
    EXPECT_EQ(first.Image().constBits(), second.Image().constBits());

    second.MutableImage().fill(Qt::black);
    EXPECT_EQ(first.Image(), gradient);
    first.Clear();
    EXPECT_TRUE(first.Empty());
    EXPECT_FALSE(second.Empty());
}

TEST(PictureData, APictureDecodedAheadGivesTheSameImageAndSharesIt) {
    const QImage gradient = Gradient(64, 48);
    TPicture first, second;
    first.SetData(PngBytes(gradient));
    second.Assign(&first);
    first.DecodeAhead();
    first.DecodeAhead(); // a second request starts nothing more
    EXPECT_EQ(second.Image(), gradient);
    EXPECT_EQ(first.Image(), gradient);
    EXPECT_EQ(first.Image().constBits(), second.Image().constBits());
    TPicture dropped;
    dropped.SetData(PngBytes(gradient));
    dropped.DecodeAhead(); // destroyed while it may still be decoding
}

class PictureControls : public GuiTest {};

TEST_F(PictureControls, AnAutoSizedImageTakesThePictureSizeBeforeItIsDrawn) {
    TTestForm* form = MakeForm("object F: TTestForm\n"
                               "  BorderStyle = bsNone\n"
                               "  ClientWidth = 60\n"
                               "  ClientHeight = 40\n"
                               "  object Image1: TImage\n"
                               "    AutoSize = True\n"
                               "    Picture.Data = " +
                               HexBlock(PngBytes(Gradient(31, 9))) +
                               "\n"
                               "  end\n"
                               "end\n");
    auto* image = static_cast<TImage*>(form->FindComponent("Image1"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 31);
    EXPECT_EQ(image->Height(), 9);
    form->DecodePicturesAhead();
    form->Show();
    EXPECT_EQ(Grab(form).copy(0, 0, 31, 9).convertToFormat(QImage::Format_ARGB32),
              Gradient(31, 9).convertToFormat(QImage::Format_ARGB32));
}

TEST_F(PictureControls, PicturesSetAfterAFormDecodesAheadDrawAsTheyAre) {
    TTestForm* form = MakeForm("object F: TTestForm\n"
                               "  BorderStyle = bsNone\n"
                               "  ClientWidth = 40\n"
                               "  ClientHeight = 20\n"
                               "  object Image1: TImage\n"
                               "    Width = 40\n"
                               "    Height = 20\n"
                               "  end\n"
                               "end\n");
    auto* image = static_cast<TImage*>(form->FindComponent("Image1"));
    ASSERT_NE(image, nullptr);
    form->DecodePicturesAhead();
    image->Picture()->SetData(PngBytes(Gradient(40, 20)));
    image->Picture()->SetData(PngBytes(Gradient(40, 20).mirrored())); // replaced while decoding
    form->Show();
    EXPECT_EQ(Grab(form).convertToFormat(QImage::Format_ARGB32),
              Gradient(40, 20).mirrored().convertToFormat(QImage::Format_ARGB32));
}

} // namespace
