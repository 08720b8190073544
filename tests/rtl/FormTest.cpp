#include "GuiTest.h"

#include "rtl/Form.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

namespace {

TEST(DesktopCentring, DividesWithTruncationAndClampsAtZero) {
    EXPECT_EQ(DesktopCenteredOrigin(800, 600, 588, 400), (TPoint{106, 100}));
    EXPECT_EQ(DesktopCenteredOrigin(801, 601, 588, 400), (TPoint{106, 100}));
    EXPECT_EQ(DesktopCenteredOrigin(1000, 1000, 589, 401), (TPoint{205, 299}));
    // (587 - 588) / 2 truncates to 0, and anything below is clamped.
    EXPECT_EQ(DesktopCenteredOrigin(587, 399, 588, 400), (TPoint{0, 0}));
    EXPECT_EQ(DesktopCenteredOrigin(300, 200, 588, 550), (TPoint{0, 0}));
}

const char* const kCentred = R"(object F: TTestForm
  BorderStyle = bsNone
  ClientWidth = 588
  ClientHeight = 400
  Position = poDesktopCenter
end
)";

class FormTest : public GuiTest {};

TEST(InsideArea, AWindowMovesTheLeastToLieInsideAndALargerOneKeepsTheAreasCorner) {
    const TRect area = Bounds(100, 50, 800, 600); // a second screen's, or one under a panel
    struct Case {
        TRect window, expected;
    };
    for (const Case& c : std::vector<Case>{
             {Bounds(200, 100, 588, 400), Bounds(200, 100, 588, 400)},
             {Bounds(500, 300, 588, 550), Bounds(312, 100, 588, 550)},
             {Bounds(0, 0, 588, 400), Bounds(100, 50, 588, 400)},
             {Bounds(300, 300, 900, 700), Bounds(100, 50, 900, 700)},
         })
        EXPECT_EQ(InsideArea(c.window, area), c.expected);
}

TEST_F(FormTest, FirstShowingCentresOnThePrimaryScreenLaterShowingsKeepThePlace) {
    TTestForm* form = MakeForm(kCentred);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->Widget()->isVisible());
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    form->Show();
    TPoint expected = DesktopCenteredOrigin(area.width(), area.height(), 588, 400);
    EXPECT_EQ(form->Left(), area.x() + expected.X);
    EXPECT_EQ(form->Top(), area.y() + expected.Y);
    EXPECT_TRUE(form->Widget()->isVisible());
    form->SetBounds(3, 4, 588, 400);
    form->Hide();
    form->Show();
    EXPECT_EQ(form->BoundsRect(), Bounds(3, 4, 588, 400));
    form->SetHeight(550);
    EXPECT_EQ(form->BoundsRect(), Bounds(3, 4, 588, 550));
    EXPECT_EQ(form->Widget()->geometry(), QRect(3, 4, 588, 550));
    // Grown past the bottom of the screen, it moves up to stay whole.
    form->SetBounds(3, area.bottom() - 450, 588, 400);
    form->SetHeight(550);
    EXPECT_EQ(form->BoundsRect(), Bounds(3, area.bottom() + 1 - 550, 588, 550));
}

TEST_F(FormTest, AFormsSizeIsFixedForTheWindowManager) {
    TTestForm* form = MakeForm(kCentred);
    for (int height : {400, 550}) {
        form->SetHeight(height);
        EXPECT_EQ(form->Widget()->minimumSize(), QSize(588, height));
        EXPECT_EQ(form->Widget()->maximumSize(), QSize(588, height));
    }
}

TEST_F(FormTest, FormsAreFramelessAndTitledWithTheApplicationTitle) {
    TTestForm* early = MakeForm(kCentred);
    app->SetTitle("Talvimo");
    TTestForm* late = MakeForm(kCentred);
    for (TTestForm* form : {early, late}) {
        EXPECT_TRUE(form->Widget()->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(form->Widget()->windowTitle(), "Talvimo");
    }
}

const char* const kButton = R"(object F: TTestForm
  BorderStyle = bsNone
  ClientWidth = 200
  ClientHeight = 100
  Color = clWhite
  object Picture1: TImage
    Left = 10
    Top = 20
    Width = 50
    Height = 30
    Cursor = crHandPoint
    OnClick = Picture1Click
  end
end
)";

// The button form with one more line for its picture.
std::string ButtonWith(const std::string& pictureLine) {
    std::string text = kButton;
    text.insert(text.find("  end\nend"), "    " + pictureLine + "\n");
    return text;
}

const std::string kDraggable = ButtonWith("OnMouseDown = Picture1MouseDown");

TEST_F(FormTest, OnlyAPressWithTheLeftButtonHeldStartsAMove) {
    TTestForm* form = MakeForm(kDraggable);
    form->Show();
    QWidget* w = form->Widget();
    QTest::mousePress(w, Qt::RightButton, {}, QPoint(15, 25));
    QTest::mouseRelease(w, Qt::RightButton, {}, QPoint(15, 25));
    EXPECT_TRUE(form->SysCommands.empty());
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(15, 25));
    EXPECT_EQ(form->SysCommands, std::vector<WPARAM>{61458});
    // Only the left-button state is tested: a right press while the left is held moves too.
    form->SysCommands.clear();
    BeginWindowDrag(form, TShiftState{ssRight, ssLeft});
    EXPECT_EQ(form->SysCommands, std::vector<WPARAM>{61458});
    EXPECT_EQ(form->Calls[0], "Picture1MouseDown 5,5");
}

TEST_F(FormTest, StartingAMoveForgetsThePendingClick) {
    TTestForm* form = MakeForm(kDraggable);
    form->Show();
    QTest::mouseClick(form->Widget(), Qt::LeftButton, {}, QPoint(15, 25));
    EXPECT_EQ(std::count(form->Calls.begin(), form->Calls.end(), "Picture1Click"), 0);
}

TEST_F(FormTest, APictureButtonClicksOnPressAndReleaseOverIt) {
    TTestForm* form = MakeForm(kButton);
    form->Show();
    QWidget* w = form->Widget();
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(12, 22));
    EXPECT_EQ(form->Calls.back(), "Picture1Click");
    size_t before = form->Calls.size();
    // Pressed over it, released elsewhere: no click; the right button never clicks.
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(12, 22));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(150, 90));
    QTest::mouseClick(w, Qt::RightButton, {}, QPoint(12, 22));
    // Pressed elsewhere, released over it: no click either.
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(150, 90));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(12, 22));
    EXPECT_EQ(form->Calls.size(), before);
}

TEST_F(FormTest, ThePointerShowsTheCursorOfTheControlUnderIt) {
    TTestForm* form = MakeForm(kButton);
    form->Show();
    QWidget* w = form->Widget();
    QTest::mouseMove(w, QPoint(12, 22));
    EXPECT_EQ(w->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(w, QPoint(150, 90));
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(FormTest, PicturesAreDrawnAtNaturalSizeAlphaBlendedAndCut) {
    QImage picture(4, 2, QImage::Format_ARGB32);
    picture.fill(QColor(255, 0, 0, 255));
    picture.setPixelColor(1, 0, QColor(0, 0, 255, 128)); // half-transparent blue
    picture.setPixelColor(2, 0, QColor(0, 0, 0, 0));     // fully transparent
    TTestForm* form = MakeForm(ButtonWith("Picture.Data = " + HexBlock(PngBytes(picture))));
    form->Picture1->SetBounds(10, 20, 3, 30); // narrower than the picture: cut, not scaled
    form->Show();
    QImage shot = Grab(form);
    EXPECT_EQ(shot.pixelColor(10, 20), QColor(255, 0, 0));
    QColor blended = shot.pixelColor(11, 20);
    EXPECT_NEAR(blended.red(), 127, 1);
    EXPECT_NEAR(blended.green(), 127, 1);
    EXPECT_NEAR(blended.blue(), 255, 1);
    EXPECT_EQ(shot.pixelColor(12, 20), QColor(255, 255, 255));
    EXPECT_EQ(shot.pixelColor(13, 20), QColor(255, 255, 255)) << "cut at the control's edge";
    EXPECT_EQ(shot.pixelColor(10, 22), QColor(255, 255, 255)) << "not stretched downwards";
}

TEST_F(FormTest, RepaintingPartOfAWindowGivesThePixelsOfTheWholeWindow) {
    QImage picture(50, 30, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixelColor(x, y, QColor(x * 5, y * 8, 255 - x * 5, 128 + y * 4));
    TTestForm* form = MakeForm(ButtonWith("Picture.Data = " + HexBlock(PngBytes(picture))));
    form->Show();
    const QImage whole = Grab(form);
    // Across the picture's corner, inside it, beside it, and in the window's corner.
    for (QRect part : {QRect(5, 15, 20, 12), QRect(30, 25, 7, 3), QRect(100, 60, 40, 20),
                       QRect(180, 80, 20, 20)}) {
        const QImage piece =
            form->Widget()->grab(part).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(piece, whole.copy(part)) << "part at " << part.x() << "," << part.y();
    }
}

TEST_F(FormTest, ClosingTheMainFormFromOutsideTerminatesOtherFormsStay) {
    TTestForm* other = MakeForm(kCentred);
    other->Show();
    other->Widget()->close();
    EXPECT_TRUE(other->Visible());
    EXPECT_FALSE(app->Terminated());
}

} // namespace
