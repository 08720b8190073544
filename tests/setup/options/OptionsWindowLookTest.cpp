// What the options window shows: the toggle picture blended over the banner where it belongs,
// in grey and under the pointer in green, the ticked boxes drawn from the skin over the
// background, and the blue underlined links. With OPTIONS_WINDOW_SCREENSHOTS naming a folder,
// the collapsed, expanded and hover looks are also saved there as PNG files to look at.
#include "InstallerWindows.h"

#include "setup/StartUp.h"
#include "setup/OptionsWindow.h"
#include "setup/ProgressWindow.h"
#include "setup/FinishWindow.h"

#include "rtl/Application.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace {

QImage Picture(const char* name) {
    return QImage(QString(PICTURES_DIR "/options/") + name).convertToFormat(QImage::Format_ARGB32);
}

// A picture alpha-blended over the background at (left, top), the way the window draws its
// pictures: (source * a + (255 - a) * destination + 255) >> 8 per channel.
QImage BlendedOver(const QImage& background, const QImage& picture, int left, int top) {
    QImage out = background.copy(left, top, picture.width(), picture.height());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            QRgb s = picture.pixel(x, y);
            QRgb d = out.pixel(x, y);
            int a = qAlpha(s);
            auto mix = [a](int sc, int dc) { return (sc * a + (255 - a) * dc + 255) >> 8; };
            if (a == 255)
                out.setPixel(x, y, qRgb(qRed(s), qGreen(s), qBlue(s)));
            else if (a > 0)
                out.setPixel(x, y,
                             qRgb(mix(qRed(s), qRed(d)), mix(qGreen(s), qGreen(d)),
                                  mix(qBlue(s), qBlue(d))));
        }
    return out;
}

class OptionsWindowLook : public testing_support::InstallerWindowsTest {
protected:
    OptionsWindowLook() {
        Form1->Show();
        window = Form1->Widget();
        background = Picture("background.png");
    }

    QImage Shot(const char* name) const {
        QApplication::processEvents();
        QImage shot = window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        if (const char* folder = std::getenv("OPTIONS_WINDOW_SCREENSHOTS"))
            shot.save(QString(folder) + "/" + name + ".png");
        return shot;
    }
    void MovePointer(QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, window->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(window, &move);
    }
    // The check image of a ticked box at its place in the window: the skin's 15 x 15 piece,
    // its magenta left out so the background shows.
    QImage TickedBoxOverBackground(const TbsSkinCheckRadioBox* box) const {
        QImage piece = Form1->bsSkinData1->ActivePicture(4)->copy(43, 60, 15, 15);
        piece = piece.convertToFormat(QImage::Format_ARGB32);
        const int left = box->Left() + 3, top = box->Top() + 5;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 15; ++x)
                if (piece.pixel(x, y) == qRgb(255, 0, 255))
                    piece.setPixel(x, y, background.pixel(left + x, top + y));
        return piece;
    }
    template <class Test> static int Count(const QImage& image, const QRect& area, Test test) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += test(image.pixel(x, y)) ? 1 : 0;
        return count;
    }
    static int CountColour(const QImage& image, const QRect& area, QRgb colour) {
        return Count(image, area, [colour](QRgb c) { return c == colour; });
    }

    QWidget* window = nullptr;
    QImage background;
};

TEST_F(OptionsWindowLook, CollapsedShowsTheGreyToggleTheTickedAgreementAndBlueLinks) {
    QImage shot = Shot("collapsed");
    ASSERT_EQ(shot.size(), QSize(588, 400));
    EXPECT_EQ(shot.copy(488, 368, 20, 17),
              BlendedOver(background, Picture("toggle0.png"), 488, 368));
    const TbsSkinCheckRadioBox* box = Form1->bsSkinCheckRadioBox1;
    EXPECT_EQ(shot.copy(box->Left() + 3, box->Top() + 5, 15, 15), TickedBoxOverBackground(box));
    // Blue text over a pure blue underline, inside each link's own area; the second link's
    // stored Font (black) plays no part.
    for (const TbsSkinLinkLabel* link : {Form1->bsSkinLinkLabel1, Form1->bsSkinLinkLabel2}) {
        QRect area(link->Left(), link->Top(), link->Width(), link->Height());
        EXPECT_GE(CountColour(shot, area, qRgb(0, 0, 255)), link->Width()) << link->Name();
        EXPECT_GT(
            Count(shot, area, [](QRgb c) { return qBlue(c) - std::max(qRed(c), qGreen(c)) > 60; }),
            2 * link->Width())
            << link->Name();
        EXPECT_EQ(Count(shot, area, [](QRgb c) { return qBlue(c) < 100; }), 0) << link->Name();
    }
}

TEST_F(OptionsWindowLook, ExpandedShowsTheFolderRowTheOptionsAndTheUpwardToggle) {
    Form1->bsPngImageView1Click(Form1->bsPngImageView1);
    QImage shot = Shot("expanded");
    ASSERT_EQ(shot.size(), QSize(588, 550));
    EXPECT_EQ(shot.copy(488, 525, 20, 17),
              BlendedOver(background, Picture("toggle2.png"), 488, 525));
    for (const TbsSkinCheckRadioBox* box :
         {Form1->bsSkinCheckRadioBox1, Form1->bsSkinCheckRadioBox2, Form1->bsSkinCheckRadioBox3,
          Form1->bsSkinCheckRadioBox4})
        EXPECT_EQ(shot.copy(box->Left() + 3, box->Top() + 5, 15, 15), TickedBoxOverBackground(box))
            << box->Name();
    // Where the agreement row stood at first, only the background is left.
    EXPECT_EQ(shot.copy(488, 368, 20, 17), background.copy(488, 368, 20, 17));
}

TEST_F(OptionsWindowLook, HoverTurnsTheToggleGreenOverAFreshBackground) {
    MovePointer(QPoint(300, 200));
    MovePointer(QPoint(497, 376));
    QImage shot = Shot("hover");
    EXPECT_EQ(shot.copy(488, 368, 20, 17),
              BlendedOver(background, Picture("toggle1.png"), 488, 368));
}

} // namespace
