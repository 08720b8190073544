// Windowless picture-buttons for keyboard users and screen readers: their stand-ins take the
// focus in reading order, Space and Return click, the focus cue waits for the first key, and
// assistive technology sees named buttons; forms answer Return, Escape and close requests.
#include "GuiTest.h"

#include "rtl/Accessibility.h"
#include "rtl/Form.h"
#include "rtl/GraphicControl.h"
#include "rtl/Image.h"
#include "rtl/WindowlessProxy.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

namespace {

TEST(ReadingOrder, RowsGoTopToBottomAndEachRowLeftToRight) {
    struct Case {
        const char* layout;
        std::vector<TRect> places;
        std::vector<size_t> order;
    };
    const std::vector<Case> cases = {
        {"the collapsed options window: close, minimise, install, the bottom row",
         {Bounds(573, 5, 11, 11), Bounds(558, 10, 10, 2), Bounds(196, 336, 197, 47),
          Bounds(8, 360, 89, 25), Bounds(112, 366, 89, 17), Bounds(488, 368, 20, 17),
          Bounds(512, 368, 65, 17)},
         {1, 0, 2, 3, 4, 5, 6}},
        {"two boxes side by side above a third",
         {Bounds(349, 456, 150, 25), Bounds(186, 489, 113, 25), Bounds(184, 456, 150, 25)},
         {2, 0, 1}},
        {"a place whose top reaches the middle of the one above starts a row",
         {Bounds(100, 0, 10, 20), Bounds(0, 10, 10, 20), Bounds(50, 9, 10, 20)},
         {2, 0, 1}},
        {"nothing", {}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadingOrder(c.places), c.order) << c.layout;
}

// Records what the keyboard activates.
class TActivationProbe : public TGraphicControl {
public:
    TActivationProbe(TComponent* owner, std::vector<std::string>& log, const char* name)
        : TGraphicControl(owner), log_(log), name_(name) {}
    void KeyboardActivate() override { log_.push_back(name_); }

private:
    std::vector<std::string>& log_;
    const char* name_;
};

// Three picture-buttons: two in one row at the top, one below the window's bottom edge; and a
// plain picture, which is no button.
const char* const kButtons = R"(object F: TTestForm
  BorderStyle = bsNone
  ClientWidth = 200
  ClientHeight = 100
  Color = clWhite
  object Picture1: TImage
    Left = 150
    Top = 10
    Width = 20
    Height = 20
    OnClick = Picture1Click
  end
  object Near: TImage
    Left = 10
    Top = 12
    Width = 20
    Height = 20
    OnClick = Picture1Click
  end
  object Far: TImage
    Left = 10
    Top = 120
    Width = 20
    Height = 20
    OnClick = Picture1Click
  end
  object Plain: TImage
    Left = 60
    Top = 40
    Width = 20
    Height = 20
  end
end
)";

class KeyboardAccess : public GuiTest {
protected:
    TTestForm* ShowButtons() {
        TTestForm* form = MakeForm(kButtons);
        form->Show();
        QApplication::setActiveWindow(form->Widget());
        return form;
    }
    static QWidget* StandIn(TTestForm* form, const char* name) {
        auto* control = dynamic_cast<TGraphicControl*>(form->FindComponent(name));
        return control ? control->AccessibleWidget() : nullptr;
    }
    static void Tab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }
};

TEST_F(KeyboardAccess, TabReachesThePictureButtonsInReadingOrderAndOnlyInsideTheWindow) {
    TTestForm* form = ShowButtons();
    EXPECT_EQ(StandIn(form, "Plain"), nullptr) << "a picture without a click is no button";
    QWidget* near = StandIn(form, "Near");
    QWidget* right = StandIn(form, "Picture1");
    QWidget* far = StandIn(form, "Far");
    ASSERT_TRUE(near && right && far);
    EXPECT_EQ(QApplication::focusWidget(), near) << "the first showing focuses the first";
    Tab();
    EXPECT_EQ(QApplication::focusWidget(), right);
    Tab();
    EXPECT_EQ(QApplication::focusWidget(), near) << "the one below the bottom edge is skipped";
    // Grown, the window shows it, and the keyboard reaches it; shrunk, no longer.
    form->SetHeight(200);
    Tab();
    Tab();
    EXPECT_EQ(QApplication::focusWidget(), far);
    form->SetHeight(100);
    EXPECT_NE(QApplication::focusWidget(), far) << "the focus leaves what the window hides";
    EXPECT_EQ(far->focusPolicy(), Qt::NoFocus);
}

TEST_F(KeyboardAccess, SpaceAndReturnClickTheFocusedPictureButtonOtherKeysDoNot) {
    TTestForm* form = ShowButtons();
    QWidget* near = StandIn(form, "Near");
    ASSERT_EQ(QApplication::focusWidget(), near);
    form->Calls.clear();
    QTest::keyPress(near, Qt::Key_Space);
    EXPECT_TRUE(form->Calls.empty()) << "Space clicks on its release";
    QTest::keyRelease(near, Qt::Key_Space);
    QTest::keyClick(near, Qt::Key_Return);
    QTest::keyClick(near, Qt::Key_Enter);
    QTest::keyClick(near, Qt::Key_A);
    QTest::keyClick(near, Qt::Key_Escape);
    EXPECT_EQ(form->Calls, std::vector<std::string>(3, "Picture1Click"));
}

TEST_F(KeyboardAccess, ReturnEscapeAndACloseRequestGoToTheDefaultAndCancelControls) {
    TTestForm* form = ShowButtons();
    std::vector<std::string> log;
    auto* ok = new TActivationProbe(form, log, "default");
    auto* cancel = new TActivationProbe(form, log, "cancel");
    ok->SetParent(form);
    cancel->SetParent(form);
    QWidget* w = form->Widget();
    QTest::keyClick(w, Qt::Key_Return);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_TRUE(log.empty()) << "a form without them ignores both keys";
    form->SetDefaultControl(ok);
    form->SetCancelControl(cancel);
    QTest::keyClick(w, Qt::Key_Return);
    QTest::keyClick(w, Qt::Key_Enter);
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_Return, Qt::AltModifier);
    w->close();
    EXPECT_EQ(log, (std::vector<std::string>{"default", "default", "cancel", "cancel"}));
    EXPECT_TRUE(w->isVisible()) << "the close request is the cancel control's to answer";
}

TEST_F(KeyboardAccess, TheFocusCueShowsOnlyOnceAKeyHasBeenPressedInTheWindow) {
    TTestForm* form = ShowButtons();
    ASSERT_EQ(QApplication::focusWidget(), StandIn(form, "Near"));
    const QImage before = Grab(form);
    for (int x = 10; x < 30; ++x)
        ASSERT_EQ(before.pixel(x, 12), qRgb(255, 255, 255)) << "no cue for a mouse user";
    QTest::keyClick(form->Widget(), Qt::Key_Shift);
    const QImage after = Grab(form);
    // Every other pixel along the edge, from the top-left corner on.
    EXPECT_EQ(after.pixel(10, 12), qRgb(0, 0, 0));
    EXPECT_EQ(after.pixel(11, 12), qRgb(255, 255, 255));
    EXPECT_EQ(after.pixel(12, 12), qRgb(0, 0, 0));
    EXPECT_EQ(after.pixel(29, 13), qRgb(0, 0, 0));
    EXPECT_EQ(after.pixel(20, 22), qRgb(255, 255, 255)) << "inside stays as it was";
    EXPECT_EQ(after.copy(150, 10, 20, 20), before.copy(150, 10, 20, 20))
        << "only the focused button shows it";
}

TEST_F(KeyboardAccess, ScreenReadersSeeNamedButtonsThatPress) {
    TTestForm* form = ShowButtons();
    form->SetAccessibleName("Step one");
    form->Picture1->SetAccessibleName("Install");
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(StandIn(form, "Picture1"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), "Install");
    EXPECT_TRUE(button->state().focusable);
    ASSERT_NE(button->actionInterface(), nullptr);
    form->Calls.clear();
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(form->Calls, std::vector<std::string>{"Picture1Click"});
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form->Widget());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), "Step one");
    EXPECT_EQ(form->Widget()->windowTitle(), QString()) << "the visible title stays";
    EXPECT_EQ(QAccessible::queryAccessibleInterface(StandIn(form, "Far"))->state().focusable,
              false);
}

TEST_F(KeyboardAccess, AStatusLineIsReadWithItsLatestText) {
    TTestForm* form = ShowButtons();
    auto* status = new TImage(form);
    status->SetParent(form);
    status->SetAccessibleRole(TAccessibleRole::StatusLine);
    status->ExposeToKeyboard();
    QWidget* standIn = status->AccessibleWidget();
    ASSERT_NE(standIn, nullptr);
    QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(standIn);
    EXPECT_EQ(seen->role(), QAccessible::StatusBar);
    for (const char* text : {"Unpacking 42%", "Done"}) {
        status->SetCaption(text);
        EXPECT_EQ(seen->text(QAccessible::Name), text);
    }
    EXPECT_EQ(standIn->focusPolicy(), Qt::NoFocus) << "a status line is read, not pressed";
}

} // namespace
