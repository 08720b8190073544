#include "GuiTest.h"

#include "rtl/CustomControl.h"

#include <QMouseEvent>
#include <QTest>

namespace {

// Records what a windowless control is told.
class TProbe : public TGraphicControl {
public:
    explicit TProbe(TComponent* owner) : TGraphicControl(owner) {}
    std::vector<std::string> log;

protected:
    void MouseEnter() override { log.push_back("enter"); }
    void MouseLeave() override { log.push_back("leave"); }
    void Click() override { log.push_back("click"); }
};

class TKeyProbe : public TCustomControl {
public:
    explicit TKeyProbe(TComponent* owner) : TCustomControl(owner) {}
    std::vector<std::string> log;
    bool swallowSpace = false;

protected:
    void KeyDown(std::uint16_t& key, TShiftState shift) override {
        log.push_back("down " + std::to_string(key));
        if (swallowSpace && key == VK_SPACE)
            key = 0;
        TCustomControl::KeyDown(key, shift);
    }
    void KeyPress(char& key) override { log.push_back(std::string("press ") + key); }
};

class InputTest : public GuiTest {
protected:
    TTestForm* Form() {
        TTestForm* form = MakeForm("object F: TTestForm\n  BorderStyle = bsNone\n"
                                   "  ClientWidth = 300\n  ClientHeight = 200\nend");
        form->Show();
        return form;
    }
    TProbe* Probe(TTestForm* form, TRect bounds) {
        auto* probe = new TProbe(form);
        probe->SetParent(form);
        probe->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
        return probe;
    }
};

TEST_F(InputTest, TheTopmostVisibleEnabledWindowlessControlGetsTheClick) {
    TTestForm* form = Form();
    TProbe* below = Probe(form, Bounds(10, 10, 50, 50));
    TProbe* above = Probe(form, Bounds(30, 30, 50, 50));
    QWidget* w = form->Widget();
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(std::count(above->log.begin(), above->log.end(), "click"), 1);
    EXPECT_EQ(std::count(below->log.begin(), below->log.end(), "click"), 0);
    above->Hide();
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(std::count(below->log.begin(), below->log.end(), "click"), 1);
    below->SetEnabled(false);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(std::count(below->log.begin(), below->log.end(), "click"), 1);
}

// A pointer move within the window, as the window system delivers it.
void MovePointer(QWidget* w, QPoint p) {
    QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

TEST_F(InputTest, WindowlessControlsHearThePointerEnterAndLeave) {
    TTestForm* form = Form();
    TProbe* probe = Probe(form, Bounds(10, 10, 20, 20));
    QWidget* w = form->Widget();
    MovePointer(w, QPoint(100, 100));
    MovePointer(w, QPoint(15, 15));
    MovePointer(w, QPoint(16, 16));
    EXPECT_EQ(probe->log, std::vector<std::string>{"enter"});
    EXPECT_TRUE(probe->MouseInControl());
    MovePointer(w, QPoint(100, 100));
    EXPECT_EQ(probe->log, (std::vector<std::string>{"enter", "leave"}));
    MovePointer(w, QPoint(15, 15));
    QEvent leaveWindow(QEvent::Leave);
    QApplication::sendEvent(w, &leaveWindow);
    EXPECT_EQ(probe->log, (std::vector<std::string>{"enter", "leave", "enter", "leave"}));
}

TEST_F(InputTest, KeysArriveAsVirtualKeysAndASwallowedKeyIsNotTyped) {
    TTestForm* form = Form();
    auto* control = new TKeyProbe(form);
    control->SetParent(form);
    control->SetBounds(0, 0, 50, 20);
    control->SetTabStop(true);
    control->SetFocus();
    QTest::keyClick(control->Widget(), Qt::Key_A);
    control->swallowSpace = true;
    QTest::keyClick(control->Widget(), Qt::Key_Space);
    EXPECT_EQ(control->log, (std::vector<std::string>{"down 65", "press a", "down 32"}));
}

TEST_F(InputTest, TabMovesFocusInTabOrderSkippingDisabledControls) {
    TTestForm* form = Form();
    std::vector<TKeyProbe*> controls;
    for (int order : {2, 0, 1}) {
        auto* c = new TKeyProbe(form);
        c->SetParent(form);
        c->SetBounds(0, 30 * order, 50, 20);
        c->SetTabStop(true);
        c->SetTabOrder(order);
        controls.push_back(c);
    }
    controls[2]->SetEnabled(false); // tab order 1
    QApplication::setActiveWindow(form->Widget());
    controls[1]->SetFocus(); // tab order 0
    ASSERT_TRUE(controls[1]->Focused());
    QTest::keyClick(controls[1]->Widget(), Qt::Key_Tab);
    EXPECT_TRUE(controls[0]->Focused()) << "order 0 -> 2, skipping the disabled 1";
}

} // namespace
