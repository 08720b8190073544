// Pictures on scaled screens: a picture read from a description is painted from its 2x twin
// resource in the same logical place; a twin that does not fit, a picture changed after loading
// or a scale of 1 paints the 1x picture. The test program carries two twin resources (see
// CMakeLists.txt): TTESTFORM.PICTURE1@2X and TTESTFORM.PICTURE2@2X, both the 22 x 22 close
// glyph of the windows, the twin of their 11 x 11 glyph.
#include "GuiTest.h"

#include "rtl/Image.h"

#include <QPainter>

namespace {

QImage Glyph(const char* file) {
    return QImage(QStringLiteral(PICTURES_DIR "/options/") + file)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// A white form holding Picture1 at (3, 4) and, when given, Picture2 at (20, 4).
std::string FormWith(const QImage& picture1, const QImage& picture2 = QImage()) {
    std::string text = "object F: TTestForm\n  BorderStyle = bsNone\n  ClientWidth = 40\n"
                       "  ClientHeight = 20\n  Color = clWhite\n"
                       "  object Picture1: TImage\n    Left = 3\n    Top = 4\n    Width = 11\n"
                       "    Height = 11\n    Picture.Data = " +
                       HexBlock(PngBytes(picture1)) + "\n  end\n";
    if (!picture2.isNull())
        text += "  object Picture2: TImage\n    Left = 20\n    Top = 4\n    Width = 11\n"
                "    Height = 11\n    Picture.Data = " +
                HexBlock(PngBytes(picture2)) + "\n  end\n";
    return text + "end";
}

// The form's surface as a screen of device pixel ratio scale shows it.
QImage Painted(TWinControl* form, qreal scale) {
    QImage surface = ScaledSurface(QSize(form->ClientWidth(), form->ClientHeight()), scale);
    form->PaintSurface(surface, {0, 0});
    return surface;
}

// What picture looks like over white at scale, drawn by Qt at its logical size.
QImage OnWhite(const QImage& picture, qreal scale) {
    QImage expected = ScaledSurface(QSize(11, 11), scale);
    expected.fill(Qt::white);
    QPainter painter(&expected);
    painter.drawImage(QPoint(0, 0), picture);
    return expected;
}

// The device pixels of the logical 11 x 11 square at (x, y).
QImage Square(const QImage& surface, int x, int y) {
    const qreal scale = surface.devicePixelRatio();
    QImage square = surface.copy(QRect(QPoint(x, y) * scale, QSize(11, 11) * scale));
    square.setDevicePixelRatio(scale);
    return square;
}

class PictureTwins : public GuiTest {
protected:
    const QImage glyph = Glyph("close.png");
    QImage twin = Glyph("close@2x.png");
    PictureTwins() { twin.setDevicePixelRatio(2); }
};

TEST_F(PictureTwins, AtScaleTwoThePictureIsItsTwinInTheSameLogicalPlace) {
    TTestForm* form = MakeForm(FormWith(glyph));
    const QImage painted = Painted(form, 2);
    ASSERT_NE(OnWhite(twin, 2), OnWhite(glyph, 2)) << "the twin must differ from the 1x glyph";
    EXPECT_EQ(Square(painted, 3, 4), OnWhite(twin, 2));
    // Nothing of the picture spills beside its place.
    EXPECT_EQ(Square(painted, 3 + 11, 4), OnWhite(QImage(), 2));
}

TEST_F(PictureTwins, ATwinOfAnotherSizeAScaleOfOneOrAChangedPictureShowThe1xPicture) {
    // Picture2's twin resource is 22 x 22, but Picture2 holds a 9 x 9 picture: not its twin.
    const QImage small = glyph.copy(0, 0, 9, 9);
    TTestForm* form = MakeForm(FormWith(glyph, small));
    EXPECT_EQ(Square(Painted(form, 2), 20, 4), OnWhite(small, 2));
    EXPECT_EQ(Square(Painted(form, 1), 3, 4), OnWhite(glyph, 1));

    // Drawn on after loading: the twin would show what is no longer there.
    form->Picture1->Canvas()->FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(Square(Painted(form, 2), 3, 4), OnWhite(form->Picture1->Picture()->Image(), 2));
}

TEST_F(PictureTwins, ACopiedPictureKeepsItsTwinAReplacedOneLosesIt) {
    TTestForm* form = MakeForm(FormWith(glyph));
    TPicture copy;
    copy.Assign(form->Picture1->Picture());
    EXPECT_EQ(copy.ImageForScale(2).size(), QSize(22, 22));
    EXPECT_EQ(copy.ImageForScale(1).size(), QSize(11, 11));
    EXPECT_EQ(copy.ImageForScale(1.5).size(), QSize(22, 22)) << "1.5 uses the twin scaled down";

    form->Picture1->Picture()->SetImage(glyph);
    EXPECT_EQ(form->Picture1->Picture()->ImageForScale(2).size(), QSize(11, 11));
    EXPECT_EQ(copy.ImageForScale(2).size(), QSize(22, 22)) << "the copy is its own picture";
}

TEST_F(PictureTwins, PicturesDecodedAheadForAScaledScreenShowTheirTwinOrElseThemselves) {
    // Picture2's twin resource does not fit its 9 x 9 picture; the plain picture has no twin.
    const QImage small = glyph.copy(0, 0, 9, 9);
    TTestForm* form = MakeForm(FormWith(glyph, small));
    form->Picture1->Picture()->DecodeAhead(2);
    static_cast<TImage*>(form->FindComponent("Picture2"))->Picture()->DecodeAhead(2);
    TPicture plain;
    plain.SetData(PngBytes(glyph));
    plain.DecodeAhead(2);
    const QImage painted = Painted(form, 2);
    EXPECT_EQ(Square(painted, 3, 4), OnWhite(twin, 2));
    EXPECT_EQ(Square(painted, 20, 4), OnWhite(small, 2));
    EXPECT_EQ(plain.ImageForScale(2), glyph);
    EXPECT_EQ(form->Picture1->Picture()->ImageForScale(1), glyph) << "the 1x picture still decodes";
}

} // namespace
