// The PNG image list and its view: blending, the disabled look, index rules, repainting over
// the background, mouse entry and clicks, and the list's stored form and load order.
#include "SkinTestWindow.h"
#include "skin/bsPngImageView.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);

// Picture n: a 20 x 17 RGBA picture whose pixel (0, 0) is (200, 100, 0) at alpha 128, (1, 0)
// is black at alpha 255, (2, 0) black at alpha 1, and whose other pixels are half-transparent
// in a colour of its own.
QImage Picture(int n) {
    QImage image(20, 17, QImage::Format_ARGB32);
    image.fill(qRgba(40 * n, 255 - 40 * n, 60, 100));
    image.setPixel(0, 0, qRgba(200, 100, 0, 128));
    image.setPixel(1, 0, qRgba(0, 0, 0, 255));
    image.setPixel(2, 0, qRgba(0, 0, 0, 1));
    return image;
}

class PngImageView : public testing::Test {
protected:
    void SetUp() override {
        list = new TbsPngImageList(window.Form());
        list->SetPngWidth(20);
        list->SetPngHeight(17);
        for (int i = 0; i < 4; ++i) {
            auto* item = static_cast<TbsPngImageItem*>(list->PngImages()->Add());
            item->PngImage()->SetData(PngFile(Picture(i)));
        }
        view = new TbsPngImageView(window.Form());
        view->SetParent(window.Form());
        view->SetBounds(30, 30, 50, 50);
        view->SetPngImageList(list);
        view->OnClick = [this](TObject*) { ++clicks; };
        view->OnMouseEnter = [this](TObject*) { ++enters; };
    }

    QImage Shown() const { return window.Surface().copy(30, 30, 20, 17); }

    SkinTestWindow window{kWhite};
    TbsPngImageList* list = nullptr;
    TbsPngImageView* view = nullptr;
    int clicks = 0;
    int enters = 0;
};

} // namespace

TEST_F(PngImageView, BlendsItsPictureOverTheBackground) {
    view->SetImageIndex(0);
    EXPECT_EQ(view->Width(), 20);
    EXPECT_EQ(view->Height(), 17);
    QImage shown = Shown();
    EXPECT_EQ(shown.pixel(0, 0), qRgb(227, 177, 127));
    EXPECT_EQ(shown.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(2, 0), qRgb(254, 254, 254)); // (0 * 1 + 254 * 255 + 255) >> 8
}

TEST_F(PngImageView, DisabledLookDrawsAtHalfAlpha) {
    view->SetImageIndex(0);
    view->SetEnabled(false);
    QImage shown = Shown();
    EXPECT_EQ(shown.pixel(1, 0), qRgb(127, 127, 127));
    EXPECT_EQ(shown.pixel(2, 0), kWhite);
}

TEST_F(PngImageView, IndexRules) {
    view->SetImageIndex(4);
    EXPECT_EQ(view->ImageIndex(), 4);
    QImage blank(20, 17, QImage::Format_RGB32);
    blank.fill(kWhite);
    EXPECT_EQ(Shown(), blank);

    view->SetImageIndex(1);
    const QImage one = Shown();
    ASSERT_NE(one, blank);
    // An index below -1 is refused: the picture stays, neither cleared nor drawn again.
    view->SetImageIndex(-2);
    EXPECT_EQ(view->ImageIndex(), 1);
    EXPECT_EQ(Shown(), one);
    view->SetImageIndex(-1);
    EXPECT_EQ(Shown(), blank);

    // Set before a list is linked: stored, shown once the list is there.
    auto* other = new TbsPngImageView(window.Form());
    other->SetParent(window.Form());
    other->SetBounds(100, 30, 50, 50);
    other->SetImageIndex(2);
    EXPECT_EQ(other->Width(), 50);
    other->SetPngImageList(list);
    EXPECT_EQ(window.Surface().pixel(100, 30), qRgb(227, 177, 127));
}

TEST_F(PngImageView, DoubleBufferingMakesTheViewOpaqueToItsParent) {
    EXPECT_FALSE(view->ControlStyle().Contains(csOpaque));
    EXPECT_TRUE(view->ControlStyle().Contains(csReplicatable));
    view->SetDoubleBuffered(true);
    EXPECT_TRUE(view->ControlStyle().Contains(csOpaque));
    view->SetDoubleBuffered(false);
    EXPECT_FALSE(view->ControlStyle().Contains(csOpaque));
    EXPECT_TRUE(view->ControlStyle().Contains(csReplicatable));
}

TEST_F(PngImageView, SwitchingPicturesNeverAccumulates) {
    view->SetImageIndex(1);
    QImage firstOne = view->Parent()->Widget()->grab().toImage().copy(30, 30, 20, 17);
    view->SetImageIndex(3);
    QImage firstThree = view->Parent()->Widget()->grab().toImage().copy(30, 30, 20, 17);
    EXPECT_NE(firstOne, firstThree);
    for (int i = 0; i < 20; ++i) {
        view->SetImageIndex(1);
        view->SetImageIndex(3);
    }
    EXPECT_EQ(view->Parent()->Widget()->grab().toImage().copy(30, 30, 20, 17), firstThree);
    view->SetImageIndex(1);
    EXPECT_EQ(view->Parent()->Widget()->grab().toImage().copy(30, 30, 20, 17), firstOne);
}

TEST_F(PngImageView, MouseEnterOnlyWhileEnabledAndOneClickPerDoubleClick) {
    view->HandleMouseEnter();
    EXPECT_EQ(enters, 1);
    view->HandleMouseLeave();
    view->SetEnabled(false);
    view->HandleMouseEnter();
    EXPECT_EQ(enters, 1);
    view->HandleMouseLeave();
    view->SetEnabled(true);

    view->HandleMousePress(mbLeft, {ssLeft}, 3, 3, false);
    view->HandleMouseRelease(mbLeft, {}, 3, 3);
    view->HandleMousePress(mbLeft, {ssLeft, ssDouble}, 3, 3, true);
    view->HandleMouseRelease(mbLeft, {}, 3, 3);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(view->ImageIndex(), -1) << "the view never changes its own picture";
}

TEST_F(PngImageView, CenteredPictureAndAutoSizeOff) {
    view->SetAutoSize(false);
    view->SetBounds(30, 30, 40, 37);
    view->SetCenter(true);
    view->SetImageIndex(0);
    // x = 40 div 2 - 20 div 2 = 10, y = 37 div 2 - 17 div 2 = 10.
    EXPECT_EQ(window.Surface().pixel(40, 40), qRgb(227, 177, 127));
    EXPECT_EQ(view->Width(), 40);
}

TEST(PngImageList, StoredFormAndCountAfterLoading) {
    SkinTestWindow window;
    auto* list = new TbsPngImageList(window.Form());
    list->SetPngWidth(20);
    list->SetPngHeight(17);
    for (int i = 0; i < 4; ++i)
        list->PngImages()->Add();
    EXPECT_EQ(list->Count(), 4);
    EXPECT_EQ(static_cast<TbsPngImageItem*>(list->PngImages()->Items(3))->Name(), "PngImage3");
    TBytes stored = list->Bitmap();
    EXPECT_EQ(stored[4], 4);     // count
    EXPECT_EQ(stored[6], 9);     // capacity
    EXPECT_EQ(stored[8], 4);     // growth step
    EXPECT_EQ(stored[18], 0xFF); // flags 0x10FF
    EXPECT_EQ(stored[19], 0x10);
    EXPECT_EQ(stored[28 + 18], 80); // colour bitmap width
    EXPECT_EQ(stored[28 + 22], 51); // and height

    // Loading: pictures first (placeholders at 16 x 16), then the size, which empties the
    // platform list but keeps the pictures, then the stored list.
    auto* loaded = new TbsPngImageList(window.Form());
    loaded->SetLoading(true);
    for (int i = 0; i < 4; ++i)
        loaded->PngImages()->Add();
    EXPECT_EQ(loaded->Count(), 4);
    loaded->SetPngWidth(20);
    loaded->SetPngHeight(17);
    EXPECT_EQ(loaded->Count(), 0);
    EXPECT_EQ(loaded->PngImages()->Count(), 4);
    loaded->SetBitmap(stored);
    loaded->SetLoading(false);
    loaded->Loaded();
    EXPECT_EQ(loaded->Count(), 4);
    EXPECT_EQ(loaded->Bitmap(), stored);

    loaded->PngImages()->Delete(1);
    EXPECT_EQ(loaded->Count(), 3);
    EXPECT_THROW(loaded->SetBitmap({1, 2, 3}), EReadError);
}

TEST(PngImageList, ChangingTheWidthDeletesThePictures) {
    SkinTestWindow window;
    auto* list = new TbsPngImageList(window.Form());
    list->SetPngWidth(20);
    list->PngImages()->Add();
    list->PngImages()->Add();
    list->SetPngWidth(20);
    EXPECT_EQ(list->PngImages()->Count(), 2);
    EXPECT_EQ(list->Count(), 2);
    list->SetPngWidth(21);
    EXPECT_EQ(list->PngImages()->Count(), 0);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->PngWidth(), 21);
}
