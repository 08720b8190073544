#include "GuiTest.h"

#include "rtl/Button.h"
#include "rtl/Edit.h"
#include "rtl/Label.h"
#include "rtl/ProgressBar.h"
#include "winapi/Gbk.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPaintEvent>
#include <QProgressBar>
#include <QScreen>
#include <QTest>

namespace {

class ControlsTest : public GuiTest {
protected:
    TTestForm* Form() {
        TTestForm* form =
            MakeForm("object F: TTestForm\n  BorderStyle = bsNone\n  Color = clWhite\n"
                     "  ClientWidth = 300\n  ClientHeight = 200\nend");
        form->Show();
        return form;
    }
};

TEST_F(ControlsTest, TheProgressBarKeepsItsPositionWithinItsRange) {
    auto* bar = new TProgressBar(Form());
    bar->SetParent(static_cast<TWinControl*>(bar->Owner()));
    bar->SetMax(1000);
    bar->SetPosition(250);
    auto* q = static_cast<QProgressBar*>(bar->Widget());
    EXPECT_EQ(q->maximum(), 1000);
    EXPECT_EQ(q->value(), 250);
    bar->SetPosition(5000);
    EXPECT_EQ(bar->Position(), 1000);
    bar->SetPosition(-3);
    EXPECT_EQ(bar->Position(), 0);
    EXPECT_FALSE(q->isTextVisible());
}

// The window as it is on the screen, where a partly painted bar would show.
QImage OnScreen(TWinControl* control) {
    QWidget* widget = control->Widget();
    return QGuiApplication::primaryScreen()
        ->grabWindow(widget->window()->winId())
        .toImage()
        .copy(QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size()));
}

// The width of every paint of the watched widget, newest last.
class PaintWidths : public QObject {
public:
    std::vector<int> widths;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            widths.push_back(static_cast<QPaintEvent*>(event)->rect().width());
        return QObject::eventFilter(watched, event);
    }
};

TEST_F(ControlsTest, AMovingProgressBarPaintsOnlyWhereItChangedAndLooksAsIfPaintedWhole) {
    auto* bar = new TProgressBar(Form());
    bar->SetParent(static_cast<TWinControl*>(bar->Owner()));
    bar->SetBounds(20, 20, 248, 7);
    bar->SetMax(86'000'000);
    QCoreApplication::processEvents();
    PaintWidths painted;
    bar->Widget()->installEventFilter(&painted);
    std::vector<int> positions;
    for (int p = 0; p <= 86'000'000; p += 425'000 + (p % 7) * 90'000)
        positions.push_back(p);
    positions.insert(positions.begin() + 40, {30'000'000, 2'000'000, 55'000'000});
    positions.push_back(86'000'000);
    int narrow = 0;
    for (int position : positions) {
        const size_t paints = painted.widths.size();
        bar->SetPosition(position);
        if (painted.widths.size() == paints)
            continue; // as with Qt's own bar, a move by less than a chunk waits for the next
        narrow += painted.widths.back() < 100;
        const QImage moved = OnScreen(bar);
        bar->Widget()->repaint();
        ASSERT_EQ(moved, OnScreen(bar)) << "at " << position;
    }
    EXPECT_GT(narrow, 20);
}

TEST_F(ControlsTest, TheEditBoxHoldsGbkTextAndCanBeDisabled) {
    TTestForm* form = Form();
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetText(gbk::Literal("C:\\Program Files\\表\\"));
    EXPECT_EQ(static_cast<QLineEdit*>(edit->Widget())->text(),
              QString::fromUtf8("C:\\Program Files\\表\\"));
    EXPECT_EQ(edit->Text(), gbk::Literal("C:\\Program Files\\表\\"));
    edit->SetEnabled(false);
    EXPECT_FALSE(edit->Widget()->isEnabled());
    QTest::keyClicks(edit->Widget(), "x");
    EXPECT_EQ(edit->Text(), gbk::Literal("C:\\Program Files\\表\\"));
}

TEST_F(ControlsTest, ADisabledEditBoxShowsItsTextGreyed) {
    TTestForm* form = Form();
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->Font()->SetColor(clBlack);
    const QPalette& palette = static_cast<QLineEdit*>(edit->Widget())->palette();
    EXPECT_EQ(palette.color(QPalette::Active, QPalette::Text), QColor(Qt::black));
    EXPECT_NE(palette.color(QPalette::Disabled, QPalette::Text), QColor(Qt::black));
}

TEST_F(ControlsTest, APushButtonClicksOncePerClickAndOnSpace) {
    TTestForm* form = Form();
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(10, 10, 75, 25);
    button->SetCaption(gbk::Literal("浏览"));
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    button->SetFocus();
    QTest::keyClick(button->Widget(), Qt::Key_Space);
    EXPECT_EQ(clicks, 2);
}

TEST_F(ControlsTest, AnAutoSizedLabelFollowsItsCaptionATransparentOneShowsWhatIsBeneath) {
    TTestForm* form = Form();
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption("Hi");
    int narrow = label->Width();
    label->SetCaption("Hello, world");
    EXPECT_GT(label->Width(), narrow);
    EXPECT_GT(label->Height(), 0);

    label->SetAutoSize(false);
    label->SetBounds(0, 0, 100, 20);
    label->SetCaption("");
    label->SetColor(clRed);
    EXPECT_EQ(Grab(form).pixelColor(50, 10), QColor(255, 0, 0));
    label->SetTransparent(true);
    EXPECT_EQ(Grab(form).pixelColor(50, 10), QColor(255, 255, 255));
}

} // namespace
